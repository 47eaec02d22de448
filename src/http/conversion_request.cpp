#include "http/conversion_request.h"

#include <charconv>

#include "base/language.h"
#include "http/file_response.h"
#include "http/service_form.h"
#include "settings/settings_values.h"

namespace orv::http {
namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The worker's own words for a failure, for the log: its last few lines.
std::string WorkerWords(const pool::JobResult& result) {
  std::string words;
  const std::size_t from = result.messages.size() > 5 ? result.messages.size() - 5 : 0;
  for (std::size_t k = from; k < result.messages.size(); ++k)
    words += (words.empty() ? "" : " | ") + result.messages[k];
  return words;
}

// The answer of a converted job: its zip, sent from disk.
Answer ZipAnswer(const JobVerdict& verdict, const RequestPlace& place, const std::string& zip) {
  std::string error;
  if (!WriteAnswerZip(verdict, place, zip, error)) return ErrorAnswer(500, "internal", error);
  std::optional<Answer> answer = FileAnswer(zip, "application/zip", nullptr);
  if (!answer) return ErrorAnswer(500, "internal", "the answer could not be read back");
  answer->headers.push_back({"Content-Disposition", "attachment; filename=\"orvanta.zip\""});
  answer->slides = verdict.slides;
  return std::move(*answer);
}

}  // namespace

ConversionRequest::ConversionRequest(ServiceParts& parts, const RequestHead& head, Mode mode,
                                     const std::string& boundary, std::shared_ptr<RequestFiles> files)
    : parts_(parts),
      requestId_(head.requestId),
      mode_(mode),
      files_(std::move(files)),
      form_(files_->in(), boundary, parts.config.formFields),
      pending_(std::make_shared<Pending>()),
      arrived_(std::chrono::steady_clock::now()) {
  pending_->files = files_;
}

ConversionRequest::~ConversionRequest() = default;

RequestPlace ConversionRequest::Place() const {
  return RequestPlace{files_->folder(), form_.fileName(), parts_.folder.path()};
}

Answer ConversionRequest::Refuse(int status, std::string_view code, std::string_view message, int retryAfter) {
  parts_.metrics.CountRequest(code, SecondsSince(arrived_));
  if (status >= 500) parts_.log.Error(requestId_, code, message);
  return ErrorAnswer(status, code, WithoutServerPaths(std::string(message), Place()), retryAfter);
}

Answer ConversionRequest::TooLarge() {
  return Refuse(413, "too-large",
                "the upload is larger than " + std::to_string(parts_.config.maxUploadBytes) + " bytes (--max-upload)");
}

bool ConversionRequest::Take(std::string_view piece, Answer& refusal) {
  if (form_.Feed(piece)) return true;
  refusal = Refuse(400, "bad-form", form_.error());
  return false;
}

bool ConversionRequest::MakeJob(pool::WorkerJob& job, std::string& callback, Answer& refusal) const {
  const auto refuse = [&refusal](std::string message) {
    refusal = ErrorAnswer(400, "bad-value", message);
    return false;
  };
  job.source = form_.filePath();
  job.outputFolder = files_->out();
  job.webPlayerRoot = parts_.playerFolder;
  bool languageGiven = false;
  for (const auto& [name, value] : form_.fields()) {
    const SettingInfo* setting = FindSetting(name);
    const std::string_view field = setting != nullptr ? setting->name : std::string_view(name);
    if (name == "callback") {
      if (mode_ != Mode::kJob) return refuse("\"callback\" belongs to a job: POST the form to /v1/jobs");
      if (!callback.empty()) return refuse("\"callback\" is given twice");
      std::string why;
      if (!parts_.callbacks->Allowed(value, why)) return refuse(why);
      callback = value;
    } else if (field == "TimeLimit") {
      // A request may ask for less time than the service gives, never more.
      const int most = parts_.config.timeLimit > 0 ? parts_.config.timeLimit : 86400;
      int seconds = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
      if (job.timeLimit) return refuse("\"TimeLimit\" is given twice");
      if (error != std::errc() || end != value.data() + value.size() || seconds < 1 || seconds > most) {
        return refuse("\"TimeLimit\": seconds from 1 to " + std::to_string(most) + " (the service's own) are needed");
      }
      job.timeLimit = seconds;
    } else if (field == "Language") {
      if (languageGiven) return refuse("\"Language\" is given twice");
      if (!IsLanguageName(value)) return refuse("\"Language\": auto, zh or en is needed");
      languageGiven = true;
      if (value != "auto") job.language = value;
    } else if (field == "WebPlayerUrl") {
      if (job.webPlayerUrl) return refuse("\"WebPlayerUrl\" is given twice");
      std::string error;
      if (!CheckWebPlayerUrlField(value, error)) return refuse(error);
      job.webPlayerUrl = value;
    } else {
      std::string error;
      if (!AddFormValue(name, value, job.values, error)) return refuse(error);
    }
  }
  // As `convert` refuses it: a lesson is made of the HTML5 version.
  if (const auto scorm = job.values.find("GenScorm"); scorm != job.values.end() && scorm->second != 0) {
    if (LoadConversionSettings(parts_.stored, {}, job.values).GenHTML5 == 0) {
      return refuse("\"GenScorm\" needs the HTML5 version the lesson is made of (GenHTML5=1)");
    }
  }
  return true;
}

void ConversionRequest::Finish(Reply reply) {
  if (!form_.Finish()) return reply(Refuse(400, "bad-form", form_.error()));
  pool::WorkerJob job;
  std::string callback;
  Answer refusal;
  if (!MakeJob(job, callback, refusal)) {
    parts_.metrics.CountRequest("bad-value", SecondsSince(arrived_));
    return reply(std::move(refusal));
  }
  if (mode_ == Mode::kJob) return SubmitJob(std::move(job), std::move(callback), std::move(reply));
  SubmitAnswered(std::move(job), std::move(reply));
}

void ConversionRequest::SubmitAnswered(pool::WorkerJob job, Reply reply) {
  ServiceParts& parts = parts_;
  const std::shared_ptr<Pending> pending = pending_;
  const RequestPlace place = Place();
  const std::string requestId = requestId_;
  const auto arrived = arrived_;
  pool::JobTicket ticket = 0;
  const auto done = [&parts, pending, place, requestId, arrived, reply](pool::JobResult result) {
    parts.answers.Post([&parts, pending, place, requestId, arrived, reply, result] {
      const JobVerdict verdict = JudgeJob(result, place, parts.config.retryAfter, parts.config.retryWait);
      Answer answer = verdict.status == 200
                          ? ZipAnswer(verdict, place, pending->files->zip())
                          : ErrorAnswer(verdict.status, verdict.code, verdict.message, verdict.retryAfter);
      if (answer.status >= 500 || answer.status == 422) {
        parts.log.Error(requestId, answer.errorCode,
                        verdict.message + (result.messages.empty() ? "" : " | ") + WorkerWords(result));
      }
      const bool abandoned = pending->abandoned.load();
      parts.metrics.CountRequest(abandoned                  ? "cancelled"
                                 : answer.errorCode.empty() ? "converted"
                                                            : answer.errorCode,
                                 SecondsSince(arrived));
      if (!abandoned) reply(std::move(answer));
    });
  };
  switch (parts_.pool->Submit(std::move(job), done, &ticket)) {
    case pool::Admission::kQueued:
      pending_->ticket = ticket;
      return;
    case pool::Admission::kQueueFull:
      return reply(Refuse(429, "busy", "every worker is busy and the queue is full", parts_.config.retryAfter));
    case pool::Admission::kShuttingDown:
      return reply(Refuse(503, "shutting-down", "the service is shutting down"));
    case pool::Admission::kUnavailable:
      return reply(Refuse(503, "office-unavailable", "LibreOffice cannot be started", parts_.config.retryWait));
  }
}

void ConversionRequest::SubmitJob(pool::WorkerJob job, std::string callback, Reply reply) {
  ServiceParts& parts = parts_;
  Job kept;
  kept.requestId = requestId_;
  kept.callback = callback;
  kept.files = files_;
  const std::string id = parts.jobs.Add(std::move(kept));
  const RequestPlace place = Place();
  const std::shared_ptr<RequestFiles> files = files_;
  const std::string requestId = requestId_;
  const auto arrived = arrived_;
  const auto done = [&parts, id, place, files, callback, requestId, arrived](pool::JobResult result) {
    parts.answers.Post([&parts, id, place, files, callback, requestId, arrived, result] {
      JobVerdict verdict = JudgeJob(result, place, parts.config.retryAfter, parts.config.retryWait);
      if (verdict.status == 200) {
        std::string error;
        if (!WriteAnswerZip(verdict, place, files->zip(), error)) {
          verdict = JobVerdict{500, "internal", error, 0, -1, std::nullopt};
        }
      } else if (verdict.status >= 500 || verdict.status == 422) {
        parts.log.Error(requestId, verdict.code,
                        verdict.message + (result.messages.empty() ? "" : " | ") + WorkerWords(result));
      }
      const JobState state = verdict.status == 200         ? JobState::kDone
                             : verdict.code == "cancelled" ? JobState::kCancelled
                                                           : JobState::kFailed;
      parts.metrics.CountRequest(verdict.status == 200 ? "converted" : verdict.code, SecondsSince(arrived));
      if (!parts.jobs.End(id, state, verdict) || callback.empty() || state == JobState::kCancelled) return;
      Delivery delivery{callback, id, requestId, {}, {}, {}, files};
      if (state == JobState::kDone) {
        delivery.contentType = "application/zip";
        delivery.file = files->zip();
      } else {
        delivery.contentType = "application/json";
        if (const auto ended = parts.jobs.Find(id)) delivery.body = DescribeJob(*ended).dump() + "\n";
      }
      parts.callbacks->Send(std::move(delivery));
    });
  };
  pool::JobTicket ticket = 0;
  switch (parts.pool->Submit(std::move(job), done, &ticket)) {
    case pool::Admission::kQueued:
      break;
    case pool::Admission::kQueueFull:
      parts.jobs.Remove(id);
      return reply(Refuse(429, "busy", "every worker is busy and the queue is full", parts.config.retryAfter));
    case pool::Admission::kShuttingDown:
      parts.jobs.Remove(id);
      return reply(Refuse(503, "shutting-down", "the service is shutting down"));
    case pool::Admission::kUnavailable:
      parts.jobs.Remove(id);
      return reply(Refuse(503, "office-unavailable", "LibreOffice cannot be started", parts.config.retryWait));
  }
  parts.jobs.SetTicket(id, ticket);
  nlohmann::ordered_json body;
  body["id"] = id;
  body["state"] = "pending";
  body["url"] = "/v1/jobs/" + id;
  Answer accepted = TextAnswer(202, "application/json", body.dump() + "\n");
  accepted.headers.push_back({"Location", "/v1/jobs/" + id});
  reply(std::move(accepted));
}

void ConversionRequest::Abandon() {
  if (mode_ != Mode::kAnswer || pending_->abandoned.exchange(true)) return;
  if (const pool::JobTicket ticket = pending_->ticket.load(); ticket != 0) parts_.pool->Cancel(ticket);
}

}  // namespace orv::http
