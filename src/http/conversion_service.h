// `orvanta-cli serve`: conversions over HTTP by a pool of warm workers.
//   POST   /v1/convert           multipart/form-data: "file" and stored values
//                                (and TimeLimit, Language); a zip of the
//                                outputs and report.json, or a JSON error
//   POST   /v1/jobs              the same form (and "callback"): 202 with the
//                                job's id and address
//   GET    /v1/jobs/{id}         the job's state
//   GET    /v1/jobs/{id}/result  its zip (or its error) once it has ended
//   DELETE /v1/jobs/{id}         cancels it, or removes it once ended
//   GET    /health/live          the process answers
//   GET    /health/ready         a worker has a LibreOffice that converts;
//   GET    /health               the same
//   GET    /metrics              Prometheus text
// Each request works in a private folder, removed once it is answered (a
// job's, once the job is removed).
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "http/callback_sender.h"
#include "http/http_engine.h"
#include "http/serial_tasks.h"
#include "http/service_config.h"
#include "http/service_folder.h"
#include "http/service_jobs.h"
#include "http/service_log.h"
#include "http/service_metrics.h"
#include "pool/service_pool.h"
#include "settings/settings_store.h"

namespace orv::http {

// True for 127.0.0.0/8, ::1 and localhost: addresses only this machine reaches.
bool IsLoopbackAddress(const std::string& host);

// What the service's requests share.
struct ServiceParts {
  explicit ServiceParts(const ServiceConfig& c);
  const ServiceConfig& config;
  ServiceLog log;
  ServiceMetrics metrics;
  JobStore jobs;
  StoredValues stored;  // the settings store the workers read, for the checks made before a job
  ServiceFolder folder;
  std::string playerFolder;  // the one web player the workers' pages refer to, never sent
  std::unique_ptr<pool::ServicePool> pool;
  std::unique_ptr<CallbackSender> callbacks;
  SerialTasks answers;  // zips are written here, off the engine's threads
};

class ConversionService final : public Site {
 public:
  explicit ConversionService(ServiceConfig config);
  ~ConversionService() override;

  // Sweeps earlier runs' folders, binds the address and starts the workers.
  // False with a message.
  bool Start(std::string& error);
  int port() const { return engine_->port(); }
  // Serves until Stop(); then lets the running conversions finish, answers
  // the queued ones 503, and ends every worker and LibreOffice.
  void Serve();
  // From another thread (a signal): stop taking requests.
  void Stop();

  std::unique_ptr<Exchange> Open(const RequestHead& head, std::optional<Answer>& answer) override;

 private:
  std::optional<Answer> Route(const RequestHead& head, std::unique_ptr<Exchange>& exchange);
  Answer Health(bool ready) const;
  std::optional<Answer> JobRoute(const RequestHead& head, std::string_view rest);
  void OnPoolEvent(const pool::PoolEvent& event);

  ServiceConfig config_;
  ServiceParts parts_;
  std::unique_ptr<HttpEngine> engine_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> toldReady_{false};
  std::mutex stopMutex_;
  std::condition_variable stopWake_;
};

}  // namespace orv::http
