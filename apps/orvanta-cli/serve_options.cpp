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

const HelpText kServeUsage = {
    // English
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
    "finish, every LibreOffice ends, and the exit status is 0.\n",
    // Chinese
    "用法：orvanta-cli serve [OPTIONS]\n"
    "\n"
    "通过 HTTP 转换演示文稿，由一组工作进程完成，它们在请求之间让 LibreOffice\n"
    "保持运行。\n"
    "  POST /v1/convert  multipart/form-data：\"file\"（一个演示文稿），以及按名称\n"
    "                    给出的任意已保存的值（Width=800、SplitPPT=1……）；返回\n"
    "                    一个 zip，包含“orvanta-cli convert”写出的内容（不含\n"
    "                    ruffle/）和 report.json，或返回\n"
    "                    {\"error\": ..., \"message\": ...}\n"
    "  GET /health       LibreOffice 正在运行时返回 200，无法启动时返回 503\n"
    "  GET /metrics      Prometheus 文本格式的指标\n"
    "\n"
    "选项：\n"
    "  --listen HOST:PORT   监听地址（127.0.0.1:8470）；本机以外的任何地址\n"
    "                       都需要 --token-file\n"
    "  --workers K          工作进程数，每个进程有自己的 LibreOffice\n"
    "                       （每个核心一个，最多 64 个）\n"
    "  --queue Q            可以排队等待工作进程的请求数（每个工作进程 4 个）；\n"
    "                       超出时返回 429\n"
    "  --max-upload MB      单个请求的最大大小（100）\n"
    "  --time-limit S       一个演示文稿最多可用的秒数（已保存的 TimeLimit）\n"
    "  --restart-after N    每处理 N 个演示文稿后换一个新的 LibreOffice（25）\n"
    "  --memory-limit MB    工作进程连同其 LibreOffice 占用的内存超过 MB 时\n"
    "                       换一个新的（1024；0 表示不限）\n"
    "  --connections N      同时应答的连接数；超出的连接返回 503\n"
    "                       （2 x（K + Q）+ 4）\n"
    "  --token-file FILE    发往 /v1/ 的请求需要带“Authorization: Bearer TOKEN”，\n"
    "                       TOKEN 从 FILE 读取（该文件只能由其所有者读取）\n"
    "  --store PATH         另一个设置文件，提供请求中未给出的值\n"
    "\n"
    "SIGTERM 或 Ctrl-C：不再接受新请求，排队中的请求返回 503，正在处理的请求\n"
    "继续完成，所有 LibreOffice 结束，退出状态为 0。\n",
};

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
