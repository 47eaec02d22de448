// A POST of the conversion form, to /v1/convert (answered with the zip once
// converted) or to /v1/jobs (answered 202 at once, converted as a job). The
// form streams to the request's folder as it arrives; once it is whole, its
// fields are checked as `convert` checks them and the job goes to the pool.
// A client that leaves /v1/convert before its answer cancels its job.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "http/conversion_service.h"
#include "http/http_exchange.h"
#include "http/request_files.h"
#include "http/upload_form.h"

namespace orv::http {

class ConversionRequest final : public Exchange {
 public:
  enum class Mode { kAnswer, kJob };

  ConversionRequest(ServiceParts& parts, const RequestHead& head, Mode mode, const std::string& boundary,
                    std::shared_ptr<RequestFiles> files);
  ~ConversionRequest() override;

  std::uint64_t BodyLimit() const override { return parts_.config.maxUploadBytes; }
  Answer TooLarge() override;
  bool Take(std::string_view piece, Answer& refusal) override;
  void Finish(Reply reply) override;
  void Abandon() override;

 private:
  // The job of the form; false with the 400 answer set.
  bool MakeJob(pool::WorkerJob& job, std::string& callback, Answer& refusal) const;
  Answer Refuse(int status, std::string_view code, std::string_view message, int retryAfter = 0);
  void SubmitAnswered(pool::WorkerJob job, Reply reply);
  void SubmitJob(pool::WorkerJob job, std::string callback, Reply reply);
  RequestPlace Place() const;

  // What the pool's end of the job needs after this request has gone.
  struct Pending {
    std::shared_ptr<RequestFiles> files;
    std::atomic<bool> abandoned{false};
    std::atomic<pool::JobTicket> ticket{0};
  };

  ServiceParts& parts_;
  std::string requestId_;
  Mode mode_;
  std::shared_ptr<RequestFiles> files_;
  UploadForm form_;
  std::shared_ptr<Pending> pending_;
  std::chrono::steady_clock::time_point arrived_;
};

}  // namespace orv::http
