// What the conversion service tells its operator on standard error: one
// line per request (the access log), per worker event (started, retired,
// lost, LibreOffice restarted, LibreOffice unavailable) and per error with
// its reason. JSON lines for a log collector, or plain text.
#pragma once

#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string_view>

#include "http/http_exchange.h"
#include "http/service_config.h"

namespace orv::http {

class ServiceLog {
 public:
  explicit ServiceLog(LogFormat format, std::FILE* out = stderr) : format_(format), out_(out) {}

  // "access": time, request id, client, method, path, status, bytes in and
  // out, seconds, and the deck's slides and the error's code when known.
  void Access(const AccessEntry& entry);
  // "worker": what happened to which worker process.
  void Worker(std::string_view what, long pid);
  // "error": a request's failure and why, in the words of the part that failed.
  void Error(std::string_view requestId, std::string_view code, std::string_view reason);
  // Anything else the service has to say ("listening", "stopping", ...).
  void Event(std::string_view event, nlohmann::ordered_json fields = nlohmann::ordered_json::object());

 private:
  void Write(std::string_view event, const nlohmann::ordered_json& fields);

  LogFormat format_;
  std::FILE* out_;
  std::mutex mutex_;
};

// Now, as RFC 3339 UTC with milliseconds: "2025-05-20T08:30:00.123Z".
std::string LogTime();

}  // namespace orv::http
