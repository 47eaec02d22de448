#include "http/conversion_service.h"

#include <arpa/inet.h>

#include <chrono>
#include <filesystem>

#include "base/paths.h"
#include "http/bearer_token.h"
#include "http/conversion_request.h"
#include "http/file_response.h"
#include "http/loopback_guard.h"
#include "http/multipart_reader.h"
#include "http/service_answer.h"
#include "http/systemd_notify.h"

namespace orv::http {
namespace {

constexpr std::string_view kJobsPrefix = "/v1/jobs/";

Answer Json(int status, const nlohmann::ordered_json& json) {
  return TextAnswer(status, "application/json",
                    json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
}

Answer NotAllowed(std::string_view allow) {
  Answer answer = ErrorAnswer(405, "method-not-allowed", "this address answers only " + std::string(allow));
  answer.headers.push_back({"Allow", std::string(allow)});
  return answer;
}

bool IsRead(const RequestHead& head) { return head.method == "GET" || head.method == "HEAD"; }

const char* PoolEventName(pool::PoolEvent::Kind kind) {
  switch (kind) {
    case pool::PoolEvent::Kind::kStarted:
      return "started";
    case pool::PoolEvent::Kind::kRetired:
      return "retired";
    case pool::PoolEvent::Kind::kLost:
      return "lost";
    case pool::PoolEvent::Kind::kOfficeRestarted:
      return "office-restarted";
    case pool::PoolEvent::Kind::kUnavailable:
      return "office-unavailable";
  }
  return "unknown";
}

EngineLimits LimitsOf(const ServiceConfig& config) {
  EngineLimits limits;
  limits.threads = config.httpThreads;
  limits.connections = config.connections;
  limits.clientConnections = config.clientConnections;
  limits.headerSeconds = config.headerTimeout;
  limits.idleSeconds = config.idleTimeout;
  limits.bodyBytesPerSecond = config.bodyRate;
  return limits;
}

}  // namespace

bool IsLoopbackAddress(const std::string& host) {
  if (host == "localhost" || host == "::1" || host == "[::1]") return true;
  in_addr address{};
  return ::inet_pton(AF_INET, host.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

ServiceParts::ServiceParts(const ServiceConfig& c) : config(c), log(c.logFormat) {}

ConversionService::ConversionService(ServiceConfig config) : config_(std::move(config)), parts_(config_) {}

ConversionService::~ConversionService() {
  if (parts_.pool) parts_.pool->Finish();
  parts_.answers.Stop();
  if (engine_) engine_->Stop(std::chrono::milliseconds(0));
  engine_.reset();
  if (parts_.callbacks) parts_.callbacks->Stop();
}

bool ConversionService::Start(std::string& error) {
  if (!parts_.folder.Make(SystemTempFolder(), error)) return false;
  parts_.playerFolder = JoinPath(parts_.folder.path(), "player");
  std::error_code ec;
  std::filesystem::create_directory(parts_.playerFolder, ec);
  parts_.stored = (config_.storePath.empty() ? SettingsStore() : SettingsStore(config_.storePath)).Read();
  parts_.callbacks = std::make_unique<CallbackSender>(
      config_.callbackAllow, [this](const Delivery& delivery, std::string_view outcome, std::string_view detail) {
        parts_.log.Event(
            "callback",
            {{"request_id", delivery.requestId}, {"job", delivery.jobId}, {"outcome", outcome}, {"detail", detail}});
      });

  engine_ = std::make_unique<HttpEngine>(*this, LimitsOf(config_));
  if (!engine_->Listen(config_.host, config_.port, error)) return false;
  engine_->OnAccess([this](const AccessEntry& entry) { parts_.log.Access(entry); });

  pool::ServicePoolConfig poolConfig;
  poolConfig.program = config_.program;
  poolConfig.workerArgs = {"convert", "--worker-fd", "3", "--warm", "--time-limit", std::to_string(config_.timeLimit),
                           // The pool replaces a worker after --restart-after jobs itself.
                           "--office-restart", "9999"};
  if (!config_.storePath.empty()) {
    poolConfig.workerArgs.insert(poolConfig.workerArgs.end(), {"--store", config_.storePath});
  }
  poolConfig.workers = config_.workers;
  poolConfig.queueLimit = config_.queue;
  poolConfig.restartAfter = config_.restartAfter;
  poolConfig.memoryLimit = config_.memoryLimit;
  poolConfig.retryWaitSeconds = config_.retryWait;
  poolConfig.onEvent = [this](const pool::PoolEvent& event) { OnPoolEvent(event); };
  parts_.pool = std::make_unique<pool::ServicePool>(std::move(poolConfig));
  parts_.pool->Start();

  engine_->Every(std::chrono::seconds(1), [this] {
    parts_.jobs.RemoveExpired(std::chrono::seconds(config_.jobKeep));
    const pool::PoolStats stats = parts_.pool->stats();
    if (!toldReady_ && !stats.unavailable && stats.proven > 0) {
      toldReady_ = true;
      parts_.log.Event("ready", {{"workers", stats.proven}});
      NotifySystemd("READY=1");
    }
  });
  // The watchdog hears from the engine's own threads: proof that they answer.
  if (const auto period = WatchdogPeriod(); period.count() > 0) {
    engine_->Every(period, [] { NotifySystemd("WATCHDOG=1"); });
  }
  engine_->Start();
  parts_.log.Event("listening", {{"address", config_.host}, {"port", engine_->port()}, {"workers", config_.workers}});
  return true;
}

void ConversionService::Serve() {
  {
    std::unique_lock lock(stopMutex_);
    stopWake_.wait(lock, [this] { return stopRequested_.load(); });
  }
  parts_.log.Event("stopping");
  NotifySystemd("STOPPING=1");
  // The running conversions finish and are answered; nothing else starts.
  parts_.pool->Finish();
  parts_.answers.Stop();
  engine_->Stop(std::chrono::seconds(config_.idleTimeout));
  parts_.callbacks->Stop();
}

void ConversionService::Stop() {
  if (parts_.pool) parts_.pool->BeginShutdown();
  if (engine_) engine_->StopAccepting();
  {
    std::lock_guard lock(stopMutex_);
    stopRequested_ = true;
  }
  stopWake_.notify_all();
}

void ConversionService::OnPoolEvent(const pool::PoolEvent& event) {
  parts_.log.Worker(PoolEventName(event.kind), static_cast<long>(event.worker));
}

Answer ConversionService::Health(bool ready) const {
  const pool::PoolStats stats = parts_.pool->stats();
  const bool ok = !stats.unavailable && stats.proven > 0;
  nlohmann::ordered_json json;
  json["status"] = !ready ? "live" : ok ? "ok" : "unavailable";
  json["workers"] = stats.workers;
  json["ready_workers"] = stats.proven;
  json["busy"] = stats.busy;
  json["queued"] = stats.queued;
  json["office"] = config_.officeVersion;
  if (ready && !ok) {
    json["reason"] = stats.unavailable ? "LibreOffice cannot be started"
                                       : "no worker has a LibreOffice that has converted its check deck yet";
  }
  return Json(ready && !ok ? 503 : 200, json);
}

std::unique_ptr<Exchange> ConversionService::Open(const RequestHead& head, std::optional<Answer>& answer) {
  std::unique_ptr<Exchange> exchange;
  answer = Route(head, exchange);
  return exchange;
}

std::optional<Answer> ConversionService::Route(const RequestHead& head, std::unique_ptr<Exchange>& exchange) {
  // On loopback only our own names are answered (DNS rebinding).
  if (IsLoopbackAddress(config_.host) && RefuseForeignHost(head)) {
    return ErrorAnswer(421, "misdirected", "this service answers only to its own address");
  }
  const std::string& path = head.path;
  if (path == "/health/live") return IsRead(head) ? Health(false) : NotAllowed("GET, HEAD");
  if (path == "/health/ready" || path == "/health") return IsRead(head) ? Health(true) : NotAllowed("GET, HEAD");
  if (path == "/metrics") {
    if (!IsRead(head)) return NotAllowed("GET, HEAD");
    return TextAnswer(200, "text/plain; version=0.0.4; charset=utf-8",
                      parts_.metrics.Render(parts_.pool->stats(), parts_.jobs.size()));
  }
  const bool convert = path == "/v1/convert";
  const bool jobs = path == "/v1/jobs";
  const bool job = path.starts_with(kJobsPrefix);
  if (!convert && !jobs && !job) return ErrorAnswer(404, "not-found", "no such address");
  if ((convert || jobs) && head.method != "POST") return NotAllowed("POST");
  if (!config_.token.empty()) {
    const std::string* authorization = head.Find("Authorization");
    if (authorization == nullptr || !BearerTokenMatches(*authorization, config_.token)) {
      if (convert) parts_.metrics.CountRequest("unauthorized", 0);
      Answer answer = ErrorAnswer(401, "unauthorized", "this service needs \"Authorization: Bearer <token>\"");
      answer.headers.push_back({"WWW-Authenticate", "Bearer"});
      return answer;
    }
  }
  if (job) return JobRoute(head, std::string_view(path).substr(kJobsPrefix.size()));
  const std::string* type = head.Find("Content-Type");
  const auto boundary = type != nullptr ? FormBoundary(*type) : std::nullopt;
  if (!boundary) {
    parts_.metrics.CountRequest("bad-form", 0);
    return ErrorAnswer(400, "bad-form", "the request must be multipart/form-data");
  }
  auto files = RequestFiles::Make(parts_.folder.path());
  if (!files) return ErrorAnswer(500, "internal", "no working folder could be made for the request");
  exchange = std::make_unique<ConversionRequest>(
      parts_, head, convert ? ConversionRequest::Mode::kAnswer : ConversionRequest::Mode::kJob, *boundary,
      std::move(files));
  return std::nullopt;
}

std::optional<Answer> ConversionService::JobRoute(const RequestHead& head, std::string_view rest) {
  const std::size_t slash = rest.find('/');
  const std::string id(rest.substr(0, slash));
  const std::string_view tail = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  if (tail != "" && tail != "/result") return ErrorAnswer(404, "not-found", "no such address");
  const bool result = tail == "/result";
  if (result ? !IsRead(head) : !IsRead(head) && head.method != "DELETE") {
    return NotAllowed(result ? "GET, HEAD" : "GET, HEAD, DELETE");
  }
  const auto found = parts_.jobs.Find(id);
  if (!found) return ErrorAnswer(404, "no-such-job", "no job by that id: it was never made, or it was removed");
  if (head.method == "DELETE") {
    if (found->state == JobState::kPending) {
      if (const auto ticket = parts_.jobs.Cancel(id); ticket && *ticket != 0) parts_.pool->Cancel(*ticket);
    } else {
      parts_.jobs.Remove(id);
    }
    nlohmann::ordered_json json;
    json["id"] = id;
    json["state"] = found->state == JobState::kPending ? "cancelled" : "removed";
    return Json(200, json);
  }
  if (!result) return Json(200, DescribeJob(*found));
  switch (found->state) {
    case JobState::kPending:
      return ErrorAnswer(409, "not-finished", "the job has not ended yet");
    case JobState::kCancelled:
      return ErrorAnswer(410, "cancelled", "the job was cancelled");
    case JobState::kFailed: {
      const JobVerdict& verdict = found->verdict;
      return ErrorAnswer(verdict.status, verdict.code, verdict.message, verdict.retryAfter);
    }
    case JobState::kDone:
      break;
  }
  std::optional<Answer> zip = found->files ? FileAnswer(found->files->zip(), "application/zip", nullptr) : std::nullopt;
  if (!zip) return ErrorAnswer(500, "internal", "the job's answer could not be read");
  zip->headers.push_back({"Content-Disposition", "attachment; filename=\"orvanta.zip\""});
  zip->slides = found->verdict.slides;
  return zip;
}

}  // namespace orv::http
