// The record of one entry of a batch, as a line of the run's report (JSON
// Lines, --report): what became of it, what it wrote, and which version of
// the source it was, so that a later run can tell what is already done.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::batchlist {

// An entry a stopped run never started is "not-started".
enum class EntryStatus { kConverted, kFailed, kCancelled, kTimedOut, kNotStarted };

// "converted", "failed", "cancelled", "timed-out", "not-started".
std::string_view StatusName(EntryStatus status);
std::optional<EntryStatus> StatusFromName(std::string_view name);

// What the outputs were made with: the fingerprint of every value that
// changes what is written, and the program's version.
struct SettingsStamp {
  std::string fingerprint;
  std::string version;
  bool operator==(const SettingsStamp&) const = default;
};

// Where the outputs went: the run's output folder, and the entry's folder
// below it ("" for the output folder itself).
struct OutputPlace {
  std::string root;
  std::string folder;
  bool operator==(const OutputPlace&) const = default;
};

struct EntryRecord {
  std::string source;  // the path as given
  std::string path;    // the same, absolute and normalised; empty in reports of earlier versions
  EntryStatus status = EntryStatus::kFailed;
  std::optional<std::string> message;  // the program's message, if any
  // Why it did not convert, where a caller decides by it: "time-limit",
  // "office-lost" (LibreOffice ended in the middle), "office-unavailable".
  std::optional<std::string> error;
  std::vector<std::string> outputs;  // the files written, relative to the output root
  int slides = 0;
  double seconds = 0;
  std::uint64_t size = 0;            // the source's size in bytes
  std::string mtime;                 // its modification time, RFC 3339 UTC with nanoseconds
  std::optional<std::string> shard;  // "K/N"
  std::optional<SettingsStamp> settings;
  std::optional<OutputPlace> output;
  std::string time;  // when the entry ended: ISO 8601 UTC with milliseconds
  std::string run;   // the id of the run that converted it
  std::string host;  // the machine that ran it
};

// One line: the JSON object, keys in a fixed order, then "\n".
std::string FormatReportLine(const EntryRecord& record);

// The record of one line (without its "\n"); nothing when it is not a
// complete record (a line torn by a crash, or not ours).
std::optional<EntryRecord> ParseReportLine(std::string_view line);

// The size and modification time of a file, as the report keeps them; false
// when it cannot be read.
bool StatSource(const std::string& path, std::uint64_t& size, std::string& mtime);

// A record of `source` before anything became of it: the path as given, its
// absolute and normalised form, its size and modification time (when it can
// be read), status failed.
EntryRecord RecordOfSource(const std::string& source);

// The time now, as the records keep it ("2026-12-10T15:02:49.123Z").
std::string UtcNow();

// Appends lines to a report, each written whole and flushed to the disk
// before the next entry starts, so that a crash loses at most the line
// being written.
class ReportWriter {
 public:
  ReportWriter() = default;
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;
  ~ReportWriter();

  // Opens `path` for appending (made when missing). False with a message.
  bool Open(const std::string& path, std::string& error);
  bool isOpen() const { return fd_ >= 0; }
  // False when the line could not be written whole (the disk is full).
  bool Append(const EntryRecord& record);

 private:
  int fd_ = -1;
};

}  // namespace orv::batchlist
