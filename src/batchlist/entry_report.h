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

enum class EntryStatus { kConverted, kFailed, kCancelled, kTimedOut };

// "converted", "failed", "cancelled", "timed-out".
std::string_view StatusName(EntryStatus status);
std::optional<EntryStatus> StatusFromName(std::string_view name);

struct EntryRecord {
  std::string source;  // the path as given
  EntryStatus status = EntryStatus::kFailed;
  std::optional<std::string> message;  // the program's message, if any
  // Why it did not convert, where a caller decides by it: "time-limit",
  // "office-lost" (LibreOffice ended in the middle), "office-unavailable".
  std::optional<std::string> error;
  std::vector<std::string> outputs;  // written, relative to the output folder
  int slides = 0;
  double seconds = 0;
  std::uint64_t size = 0;            // the source's size in bytes
  std::string mtime;                 // its modification time, RFC 3339 UTC with nanoseconds
  std::optional<std::string> shard;  // "K/N"
};

// One line: the JSON object, keys in a fixed order, then "\n".
std::string FormatReportLine(const EntryRecord& record);

// The record of one line (without its "\n"); nothing when it is not a
// complete record (a line torn by a crash, or not ours).
std::optional<EntryRecord> ParseReportLine(std::string_view line);

// The size and modification time of a file, as the report keeps them; false
// when it cannot be read.
bool StatSource(const std::string& path, std::uint64_t& size, std::string& mtime);

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
