#include "http/conversion_service.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <nlohmann/json.hpp>

#include "archive/zip_writer.h"
#include "base/paths.h"
#include "http/bearer_token.h"
#include "http/loopback_guard.h"
#include "http/service_form.h"
#include "http/upload_name.h"

namespace orv::http {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kMostFields = 64;
constexpr std::size_t kMostFieldBytes = 256;

// Set on the threads that take connections past the limit: they are only
// told to come back later.
thread_local bool t_overflow = false;

// Connections beyond `limit` at once go to one spare thread that answers
// each with 503 at once, instead of waiting unseen in a queue.
class BoundedTaskQueue final : public httplib::TaskQueue {
 public:
  explicit BoundedTaskQueue(std::size_t limit) : pool_(limit), overflow_(1), limit_(limit) {}
  void enqueue(std::function<void()> task) override {
    if (pending_.load() >= limit_) {
      overflow_.enqueue([task = std::move(task)] {
        t_overflow = true;
        task();
        t_overflow = false;
      });
      return;
    }
    ++pending_;
    pool_.enqueue([this, task = std::move(task)] {
      task();
      --pending_;
    });
  }
  void shutdown() override {
    pool_.shutdown();
    overflow_.shutdown();
  }

 private:
  httplib::ThreadPool pool_;
  httplib::ThreadPool overflow_;
  std::size_t limit_;
  std::atomic<std::size_t> pending_{0};
};

std::string ErrorJson(std::string_view code, std::string_view message) {
  nlohmann::json json;
  json["error"] = code;
  json["message"] = message;
  return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

// A request's own folder: the upload in "in/", the outputs in "out/". It
// goes, with everything in it, when the request is done with it.
class RequestFolder {
 public:
  explicit RequestFolder(const std::string& root) {
    std::string pattern = JoinPath(root, "request-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) return;
    path_ = pattern;
    std::error_code ec;
    fs::create_directory(in(), ec);
    fs::create_directory(out(), ec);
  }
  ~RequestFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  RequestFolder(const RequestFolder&) = delete;
  RequestFolder& operator=(const RequestFolder&) = delete;
  bool ok() const { return !path_.empty(); }
  std::string in() const { return JoinPath(path_, "in"); }
  std::string out() const { return JoinPath(path_, "out"); }
  std::string answer() const { return JoinPath(path_, "answer.zip"); }

 private:
  std::string path_;
};

// The parts of the form as they stream in: the file straight to disk,
// every other field (a short text) kept.
class FormReader {
 public:
  explicit FormReader(std::string folder) : folder_(std::move(folder)) {}
  ~FormReader() { CloseFile(); }
  FormReader(const FormReader&) = delete;
  FormReader& operator=(const FormReader&) = delete;

  bool Begin(const httplib::MultipartFormData& part) {
    CloseFile();
    if (part.name == "file") {
      if (!fileName_.empty()) return Refuse("the form holds more than one file");
      const auto name = UploadFileName(part.filename, error_);
      if (!name) return false;
      fileName_ = *name;
      fd_ = ::open(JoinPath(folder_, fileName_).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd_ < 0) return Refuse(std::string("the upload cannot be stored: ") + std::strerror(errno));
      return true;
    }
    if (fields_.size() >= kMostFields) return Refuse("the form holds too many fields");
    fields_.emplace_back(part.name, std::string());
    return true;
  }

  bool Take(const char* data, std::size_t length) {
    if (fd_ >= 0) {
      while (length > 0) {
        const ssize_t written = ::write(fd_, data, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return Refuse(std::string("the upload cannot be stored: ") + std::strerror(errno));
        data += written;
        length -= static_cast<std::size_t>(written);
      }
      return true;
    }
    if (fields_.empty()) return true;
    std::string& value = fields_.back().second;
    if (value.size() + length > kMostFieldBytes)
      return Refuse("the field \"" + fields_.back().first + "\" is too long");
    value.append(data, length);
    return true;
  }

  void CloseFile() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  const std::string& error() const { return error_; }
  const std::string& fileName() const { return fileName_; }
  const std::vector<std::pair<std::string, std::string>>& fields() const { return fields_; }

 private:
  bool Refuse(std::string message) {
    error_ = std::move(message);
    return false;
  }

  std::string folder_;
  std::string error_;
  std::string fileName_;
  int fd_ = -1;
  std::vector<std::pair<std::string, std::string>> fields_;
};

// A failure that was LibreOffice's own end rather than the presentation's
// fault: the bridge's words for a process that went away mid-call.
bool LostLibreOffice(std::string_view message) {
  return message.find("The connection to LibreOffice was lost") != std::string_view::npos ||
         message.find("LibreOffice stopped while answering") != std::string_view::npos;
}

}  // namespace

bool IsLoopbackAddress(const std::string& host) {
  if (host == "localhost" || host == "::1" || host == "[::1]") return true;
  in_addr address{};
  return ::inet_pton(AF_INET, host.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

ConversionService::ConversionService(ServiceConfig config) : config_(std::move(config)) {}

ConversionService::~ConversionService() {
  if (pool_) pool_->Finish();
  std::error_code ec;
  if (!config_.tempRoot.empty()) fs::remove_all(config_.tempRoot, ec);
}

bool ConversionService::Start(std::string& error) {
  std::string root = JoinPath(SystemTempFolder(), "orvanta-serve-XXXXXX");
  if (::mkdtemp(root.data()) == nullptr) {
    error = "cannot make a working folder in " + SystemTempFolder() + ": " + std::strerror(errno);
    return false;
  }
  config_.tempRoot = root;
  playerFolder_ = JoinPath(root, "player");
  std::error_code ec;
  fs::create_directory(playerFolder_, ec);

  Route();
  const int port = config_.port == 0 ? server_.bind_to_any_port(config_.host) : config_.port;
  if (port <= 0 || (config_.port != 0 && !server_.bind_to_port(config_.host, config_.port))) {
    error =
        "cannot listen on " + config_.host + " port " + std::to_string(config_.port) + ": it is taken or not allowed";
    return false;
  }
  port_ = port;

  pool::ServicePoolConfig poolConfig;
  poolConfig.program = config_.program;
  poolConfig.workerArgs = {"convert", "--worker-fd", "3", "--warm", "--time-limit", std::to_string(config_.timeLimit),
                           // The pool replaces the worker after that many; its own start of
                           // LibreOffice counts as one more, and must not restart it first.
                           "--office-restart", std::to_string(config_.restartAfter + 1)};
  if (!config_.storePath.empty()) {
    poolConfig.workerArgs.insert(poolConfig.workerArgs.end(), {"--store", config_.storePath});
  }
  poolConfig.workers = config_.workers;
  poolConfig.queueLimit = config_.queue;
  poolConfig.restartAfter = config_.restartAfter;
  poolConfig.memoryLimit = config_.memoryLimit;
  pool_ = std::make_unique<pool::ServicePool>(std::move(poolConfig));
  pool_->Start();
  return true;
}

void ConversionService::Route() {
  const std::size_t connections =
      config_.connections > 0 ? config_.connections : 2 * (config_.workers + config_.queue) + 4;
  server_.new_task_queue = [connections] { return new BoundedTaskQueue(connections); };
  // The whole body, form and file, is refused past the limit while it is read.
  server_.set_payload_max_length(config_.maxUploadBytes);
  server_.set_read_timeout(15);  // a client that stalls its request is let go
  server_.set_write_timeout(30);
  server_.set_keep_alive_max_count(20);
  server_.set_keep_alive_timeout(5);
  server_.set_socket_options([](socket_t socket) {
    int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  const bool loopback = IsLoopbackAddress(config_.host);
  server_.set_pre_routing_handler([loopback](const httplib::Request& request, httplib::Response& response) {
    if (t_overflow) {
      response.status = 503;
      response.set_header("Retry-After", "5");
      response.set_header("Connection", "close");
      response.set_content(ErrorJson("busy", "too many connections at once"), "application/json");
      return httplib::Server::HandlerResponse::Handled;
    }
    // On loopback only our own names are answered (DNS rebinding).
    if (loopback && RefuseForeignHost(request, response)) {
      response.set_content(ErrorJson("misdirected", "this service answers only to its own address"),
                           "application/json");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server_.Post("/v1/convert", [this](const httplib::Request& request, httplib::Response& response,
                                     const httplib::ContentReader& reader) { Convert(request, response, reader); });
  server_.Get("/health", [this](const httplib::Request&, httplib::Response& response) { Health(response); });
  server_.Get("/metrics", [this](const httplib::Request&, httplib::Response& response) {
    response.set_content(metrics_.Render(pool_->stats()), "text/plain; version=0.0.4; charset=utf-8");
  });
  server_.set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (!response.body.empty()) return;
    const char* code = response.status == 413   ? "too-large"
                       : response.status == 404 ? "not-found"
                       : response.status == 405 ? "method-not-allowed"
                                                : "bad-request";
    response.set_content(ErrorJson(code, "HTTP " + std::to_string(response.status)), "application/json");
  });
}

void ConversionService::Serve() {
  server_.listen_after_bind();
  if (pool_) pool_->Finish();
}

void ConversionService::Stop() {
  if (pool_) pool_->BeginShutdown();
  server_.stop();
}

void ConversionService::Health(httplib::Response& response) {
  const pool::PoolStats stats = pool_->stats();
  nlohmann::json json;
  json["status"] = stats.unavailable ? "unavailable" : "ok";
  json["workers"] = stats.workers;
  json["busy"] = stats.busy;
  json["queued"] = stats.queued;
  json["office"] = config_.officeVersion;
  if (stats.unavailable) json["reason"] = stats.unavailableReason;
  response.status = stats.unavailable ? 503 : 200;
  response.set_content(json.dump() + "\n", "application/json");
}

void ConversionService::Convert(const httplib::Request& request, httplib::Response& response,
                                const httplib::ContentReader& reader) {
  const auto arrived = std::chrono::steady_clock::now();
  const auto answer = [&](int status, std::string_view code, std::string_view message) {
    response.status = status;
    response.set_content(ErrorJson(code, message), "application/json");
    metrics_.CountRequest(code, std::chrono::duration<double>(std::chrono::steady_clock::now() - arrived).count());
  };
  if (!config_.token.empty() && !BearerTokenMatches(request.get_header_value("Authorization"), config_.token)) {
    response.set_header("WWW-Authenticate", "Bearer");
    return answer(401, "unauthorized", "this service needs \"Authorization: Bearer <token>\"");
  }
  if (!request.is_multipart_form_data()) return answer(400, "bad-form", "the request must be multipart/form-data");
  RequestFolder folder(config_.tempRoot);
  if (!folder.ok()) return answer(500, "internal", "no working folder could be made for the request");

  FormReader form(folder.in());
  const bool read = reader([&form](const httplib::MultipartFormData& part) { return form.Begin(part); },
                           [&form](const char* data, std::size_t length) { return form.Take(data, length); });
  form.CloseFile();
  if (response.status == 413) {
    return answer(413, "too-large", "the upload is larger than " + std::to_string(config_.maxUploadBytes) + " bytes");
  }
  if (!read || !form.error().empty()) {
    return answer(400, "bad-form", form.error().empty() ? "the form could not be read" : form.error());
  }
  if (form.fileName().empty()) return answer(400, "bad-form", "the form has no \"file\" field");
  pool::WorkerJob job;
  job.source = JoinPath(folder.in(), form.fileName());
  for (const auto& [name, value] : form.fields()) {
    std::string error;
    if (!AddFormValue(name, value, job.values, error)) return answer(400, "bad-value", error);
  }
  job.outputFolder = folder.out();
  job.webPlayerRoot = playerFolder_;

  auto promise = std::make_shared<std::promise<pool::JobResult>>();
  std::future<pool::JobResult> ended = promise->get_future();
  switch (pool_->Submit(std::move(job), [promise](pool::JobResult result) { promise->set_value(std::move(result)); })) {
    case pool::Admission::kQueued:
      break;
    case pool::Admission::kQueueFull:
      response.set_header("Retry-After", "5");
      return answer(429, "busy", "every worker is busy and the queue is full");
    case pool::Admission::kShuttingDown:
      return answer(503, "shutting-down", "the service is shutting down");
    case pool::Admission::kUnavailable:
      response.set_header("Retry-After", "10");
      return answer(503, "office-unavailable", "LibreOffice cannot be started");
  }
  const pool::JobResult result = ended.get();
  switch (result.outcome) {
    case pool::JobOutcome::kShutDown:
      return answer(503, "shutting-down", "the service is shutting down");
    case pool::JobOutcome::kUnavailable:
      return answer(503, "office-unavailable", "LibreOffice cannot be started");
    case pool::JobOutcome::kWorkerDied:
      return answer(500, "worker-died", "the worker converting this file ended unexpectedly");
    case pool::JobOutcome::kFinished:
      break;
  }
  if (!result.record) return answer(500, "internal", "the worker sent no record of the conversion");
  batchlist::EntryRecord record = *result.record;
  // The request's folder is ours: the client knows its file by its own name.
  std::string message = record.message.value_or("");
  const std::string source = JoinPath(folder.in(), form.fileName());
  for (std::size_t at = message.find(source); at != std::string::npos; at = message.find(source, at)) {
    message.replace(at, source.size(), form.fileName());
    at += form.fileName().size();
  }
  switch (record.status) {
    case batchlist::EntryStatus::kTimedOut:
      return answer(504, "timed-out", message);
    case batchlist::EntryStatus::kFailed:
      if (LostLibreOffice(message)) return answer(500, "office-died", message);
      return answer(422, "not-converted", message.empty() ? "the presentation could not be converted" : message);
    case batchlist::EntryStatus::kCancelled:
    case batchlist::EntryStatus::kNotStarted:
      return answer(503, "shutting-down", "the conversion was cancelled");
    case batchlist::EntryStatus::kConverted:
      break;
  }
  // What the conversion wrote, as its record lists it, and the record under
  // the upload's name, without the request's private paths.
  record.source = form.fileName();
  record.path.clear();
  record.output.reset();
  std::vector<ZipEntry> entries;
  for (const std::string& output : record.outputs) entries.push_back({output, JoinPath(folder.out(), output), {}});
  std::sort(entries.begin(), entries.end(), [](const ZipEntry& a, const ZipEntry& b) { return a.name < b.name; });
  entries.push_back({"report.json", {}, batchlist::FormatReportLine(record)});
  std::string error;
  if (!WriteZip(folder.answer(), entries, error)) return answer(500, "internal", error);
  // Held in memory to be sent: the server sends nothing more from disk once
  // it is shutting down, and a running conversion's answer must still go.
  std::ifstream zip(folder.answer(), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(zip)), std::istreambuf_iterator<char>());
  if (!zip.good() && !zip.eof()) return answer(500, "internal", "the answer could not be read back");
  response.status = 200;
  response.set_content(std::move(bytes), "application/zip");
  response.set_header("Content-Disposition", "attachment; filename=\"orvanta.zip\"");
  metrics_.CountRequest("converted", std::chrono::duration<double>(std::chrono::steady_clock::now() - arrived).count());
}

}  // namespace orv::http
