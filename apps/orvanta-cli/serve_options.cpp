#include "serve_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <thread>

namespace orv::cli {
namespace {

constexpr int kMostWorkers = 64;

bool ParseNumber(const std::string& text, long low, long high, long& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

// {name} in the help stands for a default.
const HelpText kServeHelp = {
    // English
    "Usage: orvanta-cli serve [OPTIONS]\n"
    "\n"
    "Converts presentations over HTTP with a pool of workers that keep LibreOffice\n"
    "running between requests.\n"
    "  POST /v1/convert        multipart/form-data: \"file\" (a presentation) and any\n"
    "                          stored value by name (Width=800, SplitPPT=1, ...), and\n"
    "                          TimeLimit (at most --time-limit) and Language\n"
    "                          (zh|en); answers a zip of what 'orvanta-cli convert'\n"
    "                          writes (without ruffle/) and report.json, or\n"
    "                          {\"error\": ..., \"message\": ...}\n"
    "  POST /v1/jobs           the same form, and \"callback\" (an address to post the\n"
    "                          zip or the error to); answers 202 with the job's id\n"
    "  GET /v1/jobs/ID         the job's state; GET /v1/jobs/ID/result its zip;\n"
    "                          DELETE /v1/jobs/ID cancels or removes it. Jobs are\n"
    "                          kept in memory: a restart loses them\n"
    "  GET /health/live        200 while the process answers\n"
    "  GET /health/ready       200 when a worker's LibreOffice has converted the\n"
    "                          built-in check deck, else 503; /health is the same\n"
    "  GET /metrics            Prometheus text\n"
    "\n"
    "Options:\n"
    "  --listen HOST:PORT      where to listen (127.0.0.1:{port}); any address beyond\n"
    "                          this machine needs --token-file\n"
    "  --workers K             worker processes, each with its own LibreOffice\n"
    "                          (one per core, at most 64)\n"
    "  --queue Q               requests that may wait for a worker (4 per worker);\n"
    "                          beyond them the answer is 429\n"
    "  --max-upload MB         the largest upload, counted as it arrives ({max-upload})\n"
    "  --time-limit S          seconds for one presentation, and the most a request\n"
    "                          may ask (the stored TimeLimit)\n"
    "  --restart-after N       a fresh worker and LibreOffice after N presentations\n"
    "                          ({restart-after})\n"
    "  --memory-limit MB       a fresh one when a worker with its LibreOffice grows\n"
    "                          past MB ({memory-limit}; 0 for no limit)\n"
    "  --connections N         connections open at once; more get 503 ({connections})\n"
    "  --client-connections N  connections open at once from one address\n"
    "                          ({client-connections})\n"
    "  --http-threads N        threads that serve every connection ({http-threads})\n"
    "  --header-timeout S      seconds for a request's head ({header-timeout})\n"
    "  --idle-timeout S        seconds a kept-alive connection waits for its next\n"
    "                          request; the same plus the size at --body-rate for\n"
    "                          an answer ({idle-timeout})\n"
    "  --body-rate KB          the slowest a body may arrive, in KB per second: the\n"
    "                          body gets --header-timeout plus its size at this rate\n"
    "                          ({body-rate})\n"
    "  --form-fields N         fields a form may hold besides the file ({form-fields})\n"
    "  --retry-after S         the Retry-After of a 429, and of a 500 while a worker\n"
    "                          is replaced ({retry-after})\n"
    "  --retry-wait S          seconds before LibreOffice is tried again after it\n"
    "                          could not start; the Retry-After of that 503\n"
    "                          ({retry-wait})\n"
    "  --job-keep S            seconds a finished job is kept ({job-keep})\n"
    "  --callback-allow HOST   a host a job's callback may go to (none by default);\n"
    "                          may be given again, or as HOST,HOST\n"
    "  --log-format FORMAT     json or text: one line per request, worker event and\n"
    "                          error on standard error ({log-format})\n"
    "  --token-file FILE       requests to /v1/ need \"Authorization: Bearer TOKEN\",\n"
    "                          TOKEN read from FILE (only its owner, and the\n"
    "                          service's group, may read it)\n"
    "  --store PATH            another settings file for the unset values\n"
    "\n"
    "SIGTERM or Ctrl-C: no new requests, the queued ones get 503, the running ones\n"
    "finish, every LibreOffice ends, and the exit status is 0.\n",
    // Chinese
    "用法：orvanta-cli serve [OPTIONS]\n"
    "\n"
    "通过 HTTP 转换演示文稿，由一组工作进程完成，它们在请求之间让 LibreOffice\n"
    "保持运行。\n"
    "  POST /v1/convert        multipart/form-data：\"file\"（一个演示文稿）、按名称\n"
    "                          给出的任意已保存的值（Width=800、SplitPPT=1……），\n"
    "                          以及 TimeLimit（不超过 --time-limit）和 Language\n"
    "                          （zh|en）；返回一个 zip，包含“orvanta-cli convert”\n"
    "                          写出的内容（不含 ruffle/）和 report.json，或返回\n"
    "                          {\"error\": ..., \"message\": ...}\n"
    "  POST /v1/jobs           同样的表单，另可带 \"callback\"（把 zip 或错误发往的\n"
    "                          地址）；返回 202 和任务的 id\n"
    "  GET /v1/jobs/ID         任务的状态；GET /v1/jobs/ID/result 取回它的 zip；\n"
    "                          DELETE /v1/jobs/ID 取消或删除它。任务保存在内存中：\n"
    "                          服务重启后它们会丢失\n"
    "  GET /health/live        进程能应答时返回 200\n"
    "  GET /health/ready       某个工作进程的 LibreOffice 已转换过内置的检查文稿时\n"
    "                          返回 200，否则返回 503；/health 与之相同\n"
    "  GET /metrics            Prometheus 文本格式的指标\n"
    "\n"
    "选项：\n"
    "  --listen HOST:PORT      监听地址（127.0.0.1:{port}）；本机以外的任何地址\n"
    "                          都需要 --token-file\n"
    "  --workers K             工作进程数，每个进程有自己的 LibreOffice\n"
    "                          （每个核心一个，最多 64 个）\n"
    "  --queue Q               可以排队等待工作进程的请求数（每个工作进程 4 个）；\n"
    "                          超出时返回 429\n"
    "  --max-upload MB         上传的最大大小，边接收边计算（{max-upload}）\n"
    "  --time-limit S          一个演示文稿最多可用的秒数，也是请求最多可要求的\n"
    "                          秒数（已保存的 TimeLimit）\n"
    "  --restart-after N       每处理 N 个演示文稿后换一个新的工作进程和\n"
    "                          LibreOffice（{restart-after}）\n"
    "  --memory-limit MB       工作进程连同其 LibreOffice 占用的内存超过 MB 时\n"
    "                          换一个新的（{memory-limit}；0 表示不限）\n"
    "  --connections N         同时打开的连接数；超出的连接返回 503（{connections}）\n"
    "  --client-connections N  来自同一地址的同时打开的连接数（{client-connections}）\n"
    "  --http-threads N        处理所有连接的线程数（{http-threads}）\n"
    "  --header-timeout S      一个请求的头部最多可用的秒数（{header-timeout}）\n"
    "  --idle-timeout S        保持的连接等待下一个请求的秒数；发送一个应答可用\n"
    "                          同样的秒数加上按 --body-rate 计算的时间\n"
    "                          （{idle-timeout}）\n"
    "  --body-rate KB          请求体到达的最低速度，单位 KB/秒：请求体可用\n"
    "                          --header-timeout 加上按此速度计算的时间\n"
    "                          （{body-rate}）\n"
    "  --form-fields N         表单中除文件以外最多的字段数（{form-fields}）\n"
    "  --retry-after S         429 应答的 Retry-After，以及更换工作进程期间 500 应答\n"
    "                          的 Retry-After（{retry-after}）\n"
    "  --retry-wait S          LibreOffice 无法启动后再次尝试前等待的秒数；也是该\n"
    "                          503 应答的 Retry-After（{retry-wait}）\n"
    "  --job-keep S            已结束的任务保留的秒数（{job-keep}）\n"
    "  --callback-allow HOST   任务的 callback 可以发往的主机（默认没有）；可以多次\n"
    "                          给出，或写成 HOST,HOST\n"
    "  --log-format FORMAT     json 或 text：每个请求、工作进程事件和错误各一行，\n"
    "                          写到标准错误（{log-format}）\n"
    "  --token-file FILE       发往 /v1/ 的请求需要带“Authorization: Bearer TOKEN”，\n"
    "                          TOKEN 从 FILE 读取（该文件只能由其所有者以及本服务\n"
    "                          所在的组读取）\n"
    "  --store PATH            另一个设置文件，提供请求中未给出的值\n"
    "\n"
    "SIGTERM 或 Ctrl-C：不再接受新请求，排队中的请求返回 503，正在处理的请求\n"
    "继续完成，所有 LibreOffice 结束，退出状态为 0。\n",
};

}  // namespace

std::string ServeUsage() {
  const http::ServiceConfig defaults;
  const std::map<std::string, std::string> values = {
      {"{port}", std::to_string(defaults.port)},
      {"{max-upload}", std::to_string(defaults.maxUploadBytes >> 20)},
      {"{restart-after}", std::to_string(defaults.restartAfter)},
      {"{memory-limit}", std::to_string(defaults.memoryLimit >> 20)},
      {"{connections}", std::to_string(defaults.connections)},
      {"{client-connections}", std::to_string(defaults.clientConnections)},
      {"{http-threads}", std::to_string(defaults.httpThreads)},
      {"{header-timeout}", std::to_string(defaults.headerTimeout)},
      {"{idle-timeout}", std::to_string(defaults.idleTimeout)},
      {"{body-rate}", std::to_string(defaults.bodyRate >> 10)},
      {"{form-fields}", std::to_string(defaults.formFields)},
      {"{retry-after}", std::to_string(defaults.retryAfter)},
      {"{retry-wait}", std::to_string(defaults.retryWait)},
      {"{job-keep}", std::to_string(defaults.jobKeep)},
      {"{log-format}", defaults.logFormat == http::LogFormat::kJson ? "json" : "text"},
  };
  std::string text = InCurrentLanguage(kServeHelp);
  for (const auto& [name, value] : values) {
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + value.size())) {
      text.replace(at, name.size(), value);
    }
  }
  return text;
}

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

namespace {

// The options that take a count: their range and where it goes.
struct CountOption {
  std::string_view name;
  long low, high;
  void (*set)(http::ServiceConfig&, long);
};

template <auto Field>
void SetField(http::ServiceConfig& config, long value) {
  config.*Field = static_cast<std::remove_reference_t<decltype(config.*Field)>>(value);
}

constexpr std::array<CountOption, 16> kCounts = {{
    {"--workers", 1, kMostWorkers, SetField<&http::ServiceConfig::workers>},
    {"--queue", 0, 100000, SetField<&http::ServiceConfig::queue>},
    {"--max-upload", 1, 1024 * 1024, [](http::ServiceConfig& c, long v) { c.maxUploadBytes = std::uint64_t(v) << 20; }},
    {"--time-limit", 0, 86400, SetField<&http::ServiceConfig::timeLimit>},
    {"--restart-after", 1, 9999, SetField<&http::ServiceConfig::restartAfter>},
    {"--memory-limit", 0, 1024 * 1024, [](http::ServiceConfig& c, long v) { c.memoryLimit = std::uint64_t(v) << 20; }},
    {"--connections", 1, 100000, SetField<&http::ServiceConfig::connections>},
    {"--client-connections", 1, 100000, SetField<&http::ServiceConfig::clientConnections>},
    {"--http-threads", 1, 64, SetField<&http::ServiceConfig::httpThreads>},
    {"--header-timeout", 1, 3600, SetField<&http::ServiceConfig::headerTimeout>},
    {"--idle-timeout", 1, 3600, SetField<&http::ServiceConfig::idleTimeout>},
    {"--body-rate", 1, 1024 * 1024, [](http::ServiceConfig& c, long v) { c.bodyRate = std::uint64_t(v) << 10; }},
    {"--form-fields", 1, 1000, SetField<&http::ServiceConfig::formFields>},
    {"--retry-after", 1, 3600, SetField<&http::ServiceConfig::retryAfter>},
    {"--retry-wait", 1, 3600, SetField<&http::ServiceConfig::retryWait>},
    {"--job-keep", 1, 30 * 86400, SetField<&http::ServiceConfig::jobKeep>},
}};

// "--callback-allow HOST[,HOST...]": each one a host name.
bool AddCallbackHosts(const std::string& value, std::vector<std::string>& hosts, std::string& error) {
  for (std::size_t from = 0; from <= value.size();) {
    const std::size_t comma = std::min(value.find(',', from), value.size());
    if (comma == from) {
      error = "--callback-allow: a host name is needed";
      return false;
    }
    hosts.push_back(value.substr(from, comma - from));
    from = comma + 1;
  }
  return true;
}

}  // namespace

bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions& options, std::string& error) {
  http::ServiceConfig& config = options.config;
  const unsigned cores = std::thread::hardware_concurrency();
  config.workers = std::min<std::size_t>(cores > 0 ? cores : 1, kMostWorkers);
  bool queueGiven = false;
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
    const auto count = std::find_if(kCounts.begin(), kCounts.end(), [&](const auto& c) { return c.name == name; });
    if (count != kCounts.end()) {
      long number = 0;
      if (!ParseNumber(value, count->low, count->high, number)) {
        error = name + ": a number from " + std::to_string(count->low) + " to " + std::to_string(count->high) +
                " is needed";
        return false;
      }
      count->set(config, number);
      queueGiven = queueGiven || name == "--queue";
      options.timeLimitGiven = options.timeLimitGiven || name == "--time-limit";
    } else if (name == "--listen") {
      if (!ParseListenAddress(value, config.host, config.port)) {
        error = "--listen: HOST:PORT is needed, such as 127.0.0.1:8470 or [::1]:8470";
        return false;
      }
    } else if (name == "--callback-allow") {
      if (!AddCallbackHosts(value, config.callbackAllow, error)) return false;
    } else if (name == "--log-format") {
      if (value != "json" && value != "text") {
        error = "--log-format: json or text is needed";
        return false;
      }
      config.logFormat = value == "json" ? http::LogFormat::kJson : http::LogFormat::kText;
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
