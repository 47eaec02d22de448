#include "http/service_log.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace orv::http {
namespace {

using Json = nlohmann::ordered_json;

std::string Dump(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

// A value of a text line: bare when it is one plain word, else quoted as JSON.
std::string TextValue(const Json& value) {
  if (!value.is_string()) return Dump(value);
  const std::string& text = value.get_ref<const std::string&>();
  const bool bare = !text.empty() && text.find_first_of(" \t\"=\\") == std::string::npos &&
                    std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x21; });
  return bare ? text : Dump(value);
}

}  // namespace

std::string LogTime() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  ::gmtime_r(&seconds, &utc);
  char text[40];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
  return text;
}

void ServiceLog::Write(std::string_view event, const Json& fields) {
  Json line;
  line["time"] = LogTime();
  line["event"] = event;
  for (const auto& [key, value] : fields.items()) line[key] = value;
  std::string text;
  if (format_ == LogFormat::kJson) {
    text = Dump(line);
  } else {
    text = line["time"].get<std::string>() + " " + std::string(event);
    for (const auto& [key, value] : fields.items()) text += " " + key + "=" + TextValue(value);
  }
  text += '\n';
  std::lock_guard lock(mutex_);
  std::fwrite(text.data(), 1, text.size(), out_);
  std::fflush(out_);
}

void ServiceLog::Access(const AccessEntry& entry) {
  Json fields;
  fields["request_id"] = entry.requestId;
  fields["client"] = entry.client;
  fields["method"] = entry.method;
  fields["path"] = entry.path;
  fields["status"] = entry.status;
  fields["bytes_in"] = entry.bytesIn;
  fields["bytes_out"] = entry.bytesOut;
  fields["seconds"] = static_cast<double>(static_cast<std::int64_t>(entry.seconds * 1000 + 0.5)) / 1000;
  if (entry.slides >= 0) fields["slides"] = entry.slides;
  if (!entry.errorCode.empty()) fields["error"] = entry.errorCode;
  Write("access", fields);
}

void ServiceLog::Worker(std::string_view what, long pid) { Write("worker", Json{{"what", what}, {"pid", pid}}); }

void ServiceLog::Error(std::string_view requestId, std::string_view code, std::string_view reason) {
  Write("error", Json{{"request_id", requestId}, {"error", code}, {"reason", reason}});
}

void ServiceLog::Event(std::string_view event, Json fields) { Write(event, fields); }

}  // namespace orv::http
