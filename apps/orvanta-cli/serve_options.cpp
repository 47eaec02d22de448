#include "serve_options.h"

#include <charconv>
#include <thread>

namespace orv::cli {
namespace {

constexpr int kMostWorkers = 64;

bool ParseNumber(const std::string& text, long low, long high, long& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

}  // namespace

const char kServeUsage[] =
    "Usage: orvanta-cli serve [OPTIONS]\n"
    "\n"
    "Converts presentations over HTTP with a pool of workers that keep LibreOffice\n"
    "running between requests.\n"
    "  POST /v1/convert  multipart/form-data: \"file\" (a presentation) and any stored\n"
    "                    value by name (Width=800, SplitPPT=1, ...); answers a zip of\n"
    "                    what 'orvanta-cli convert' writes (without ruffle/) and\n"
    "                    report.json, or {\"error\": ..., \"message\": ...}\n"
    "  GET /health       200 when LibreOffice runs, 503 when it cannot start\n"
    "  GET /metrics      Prometheus text\n"
    "\n"
    "Options:\n"
    "  --listen HOST:PORT   where to listen (127.0.0.1:8470); any address beyond\n"
    "                       this machine needs --token-file\n"
    "  --workers K          worker processes, each with its own LibreOffice\n"
    "                       (one per core, at most 64)\n"
    "  --queue Q            requests that may wait for a worker (4 per worker);\n"
    "                       beyond them the answer is 429\n"
    "  --max-upload MB      the largest request (100)\n"
    "  --time-limit S       seconds for one presentation (the stored TimeLimit)\n"
    "  --restart-after N    a fresh LibreOffice after N presentations (25)\n"
    "  --memory-limit MB    a fresh one when a worker with its LibreOffice grows\n"
    "                       past MB (1024; 0 for no limit)\n"
    "  --connections N      connections answered at once; more get 503\n"
    "                       (2 x (workers + queue) + 4)\n"
    "  --token-file FILE    requests to /v1/ need \"Authorization: Bearer TOKEN\",\n"
    "                       TOKEN read from FILE (only its owner may read it)\n"
    "  --store PATH         another settings file for the unset values\n"
    "\n"
    "SIGTERM or Ctrl-C: no new requests, the queued ones get 503, the running ones\n"
    "finish, every LibreOffice ends, and the exit status is 0.\n";

bool ParseListenAddress(const std::string& text, std::string& host, int& port) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos) return false;
  host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (host.empty()) host = "127.0.0.1";
  long value = 0;
  if (!ParseNumber(text.substr(colon + 1), 0, 65535, value)) return false;
  port = static_cast<int>(value);
  return true;
}

bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions& options, std::string& error) {
  http::ServiceConfig& config = options.config;
  const unsigned cores = std::thread::hardware_concurrency();
  config.workers = std::min<std::size_t>(cores > 0 ? cores : 1, kMostWorkers);
  bool queueGiven = false;
  config.memoryLimit = 1024ull << 20;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool inlineValue = false;
    if (const auto eq = name.find('='); eq != std::string::npos && name.starts_with("--")) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      inlineValue = true;
    }
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= args.size()) {
        error = name.starts_with("--") ? name + " needs a value" : "unknown argument " + name;
        return false;
      }
      value = args[++i];
    }
    long number = 0;
    const auto numberIn = [&](long low, long high) {
      if (ParseNumber(value, low, high, number)) return true;
      error = name + ": a number from " + std::to_string(low) + " to " + std::to_string(high) + " is needed";
      return false;
    };
    if (name == "--listen") {
      if (!ParseListenAddress(value, config.host, config.port)) {
        error = "--listen: HOST:PORT is needed, such as 127.0.0.1:8470 or [::1]:8470";
        return false;
      }
    } else if (name == "--workers") {
      if (!numberIn(1, kMostWorkers)) return false;
      config.workers = static_cast<std::size_t>(number);
    } else if (name == "--queue") {
      if (!numberIn(0, 100000)) return false;
      config.queue = static_cast<std::size_t>(number);
      queueGiven = true;
    } else if (name == "--max-upload") {
      if (!numberIn(1, 1024 * 1024)) return false;
      config.maxUploadBytes = static_cast<std::uint64_t>(number) << 20;
    } else if (name == "--time-limit") {
      if (!numberIn(0, 86400)) return false;
      config.timeLimit = static_cast<int>(number);
      options.timeLimitGiven = true;
    } else if (name == "--restart-after") {
      if (!numberIn(1, 9999)) return false;
      config.restartAfter = static_cast<int>(number);
    } else if (name == "--memory-limit") {
      if (!numberIn(0, 1024 * 1024)) return false;
      config.memoryLimit = static_cast<std::uint64_t>(number) << 20;
    } else if (name == "--connections") {
      if (!numberIn(1, 100000)) return false;
      config.connections = static_cast<std::size_t>(number);
    } else if (name == "--token-file" || name == "--store") {
      if (value.empty()) {
        error = name + " needs a value";
        return false;
      }
      (name == "--token-file" ? options.tokenFile : config.storePath) = value;
    } else {
      error = "unknown option " + name;
      return false;
    }
  }
  if (!queueGiven) config.queue = 4 * config.workers;
  return true;
}

}  // namespace orv::cli
