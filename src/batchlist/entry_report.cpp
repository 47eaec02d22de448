#include "batchlist/entry_report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace orv::batchlist {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::array<std::pair<EntryStatus, std::string_view>, 5> kStatusNames{{
    {EntryStatus::kConverted, "converted"},
    {EntryStatus::kFailed, "failed"},
    {EntryStatus::kCancelled, "cancelled"},
    {EntryStatus::kTimedOut, "timed-out"},
    {EntryStatus::kNotStarted, "not-started"},
}};

Json OptionalText(const std::optional<std::string>& text) { return text ? Json(*text) : Json(nullptr); }
Json TextOrNull(const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); }

std::optional<std::string> TextAt(const Json& json, const char* key) {
  const auto it = json.find(key);
  return it != json.end() && it->is_string() ? std::optional<std::string>(it->get<std::string>()) : std::nullopt;
}

// The optional fields of later versions: absent or null in older reports.
void ReadLaterFields(const Json& json, EntryRecord& record) {
  record.path = TextAt(json, "path").value_or("");
  record.time = TextAt(json, "time").value_or("");
  record.run = TextAt(json, "run").value_or("");
  record.host = TextAt(json, "host").value_or("");
  if (const auto settings = json.find("settings"); settings != json.end() && settings->is_object()) {
    const auto fingerprint = TextAt(*settings, "fingerprint");
    const auto version = TextAt(*settings, "version");
    if (fingerprint && version) record.settings = SettingsStamp{*fingerprint, *version};
  }
  if (const auto output = json.find("output"); output != json.end() && output->is_object()) {
    const auto root = TextAt(*output, "root");
    const auto folder = TextAt(*output, "folder");
    if (root && folder) record.output = OutputPlace{*root, *folder};
  }
}

}  // namespace

std::string_view StatusName(EntryStatus status) {
  for (const auto& [known, name] : kStatusNames) {
    if (known == status) return name;
  }
  return "failed";
}

std::optional<EntryStatus> StatusFromName(std::string_view name) {
  for (const auto& [status, known] : kStatusNames) {
    if (known == name) return status;
  }
  return std::nullopt;
}

std::string FormatReportLine(const EntryRecord& record) {
  Json line;
  line["source"] = record.source;
  line["path"] = TextOrNull(record.path);
  line["status"] = StatusName(record.status);
  line["message"] = OptionalText(record.message);
  if (record.error) line["error"] = *record.error;
  line["outputs"] = record.outputs;
  line["slides"] = record.slides;
  // Milliseconds are all a time of this size can tell.
  line["seconds"] = static_cast<double>(static_cast<std::int64_t>(record.seconds * 1000 + 0.5)) / 1000;
  line["size"] = record.size;
  line["mtime"] = record.mtime;
  line["shard"] = OptionalText(record.shard);
  line["settings"] = record.settings
                         ? Json{{"fingerprint", record.settings->fingerprint}, {"version", record.settings->version}}
                         : Json(nullptr);
  line["output"] =
      record.output ? Json{{"root", record.output->root}, {"folder", record.output->folder}} : Json(nullptr);
  line["time"] = TextOrNull(record.time);
  line["run"] = TextOrNull(record.run);
  line["host"] = TextOrNull(record.host);
  // Names are bytes on Linux: one that is not UTF-8 is written with U+FFFD
  // rather than making the line unreadable.
  return line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<EntryRecord> ParseReportLine(std::string_view line) {
  const Json json = Json::parse(line, nullptr, false);
  if (json.is_discarded() || !json.is_object()) return std::nullopt;
  EntryRecord record;
  const auto text = [&json](const char* key) { return TextAt(json, key); };
  const auto source = text("source");
  const auto status = text("status");
  const auto mtime = text("mtime");
  const auto size = json.find("size");
  const auto outputs = json.find("outputs");
  if (!source || !status || !mtime || size == json.end() || !size->is_number_unsigned() || outputs == json.end() ||
      !outputs->is_array()) {
    return std::nullopt;
  }
  const auto known = StatusFromName(*status);
  if (!known) return std::nullopt;
  record.source = *source;
  record.status = *known;
  record.mtime = *mtime;
  record.size = size->get<std::uint64_t>();
  for (const auto& output : *outputs) {
    if (!output.is_string()) return std::nullopt;
    record.outputs.push_back(output.get<std::string>());
  }
  record.message = text("message");
  record.error = text("error");
  record.shard = text("shard");
  if (const auto slides = json.find("slides"); slides != json.end() && slides->is_number_integer()) {
    record.slides = slides->get<int>();
  }
  if (const auto seconds = json.find("seconds"); seconds != json.end() && seconds->is_number()) {
    record.seconds = seconds->get<double>();
  }
  ReadLaterFields(json, record);
  return record;
}

bool StatSource(const std::string& path, std::uint64_t& size, std::string& mtime) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  size = static_cast<std::uint64_t>(info.st_size);
  std::tm utc{};
  ::gmtime_r(&info.st_mtim.tv_sec, &utc);
  std::array<char, 64> text{};
  const std::size_t length = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S", &utc);
  std::array<char, 16> fraction{};
  std::snprintf(fraction.data(), fraction.size(), ".%09ldZ", static_cast<long>(info.st_mtim.tv_nsec));
  mtime = std::string(text.data(), length) + fraction.data();
  return true;
}

EntryRecord RecordOfSource(const std::string& source) {
  EntryRecord record;
  record.source = source;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(source, ec);
  record.path = (ec ? std::filesystem::path(source) : absolute).lexically_normal().string();
  while (record.path.size() > 1 && record.path.back() == '/') record.path.pop_back();  // a folder given as "pics/"
  StatSource(source, record.size, record.mtime);
  return record;
}

std::string UtcNow() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  std::tm utc{};
  ::gmtime_r(&now.tv_sec, &utc);
  std::array<char, 32> text{};
  const std::size_t length = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S", &utc);
  std::array<char, 24> millis{};
  std::snprintf(millis.data(), millis.size(), ".%03ldZ", static_cast<long>(now.tv_nsec / 1000000));
  return std::string(text.data(), length) + millis.data();
}

ReportWriter::~ReportWriter() {
  if (fd_ >= 0) ::close(fd_);
}

bool ReportWriter::Open(const std::string& path, std::string& error) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) error = "cannot write the report " + path + ": " + std::strerror(errno);
  return fd_ >= 0;
}

bool ReportWriter::Append(const EntryRecord& record) {
  const std::string line = FormatReportLine(record);
  // One write: an O_APPEND write of a line lands whole, even beside another
  // process appending to the same file.
  ssize_t written = 0;
  do {
    written = ::write(fd_, line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  if (written != static_cast<ssize_t>(line.size())) return false;
  return ::fdatasync(fd_) == 0 || errno == EINVAL;
}

}  // namespace orv::batchlist
