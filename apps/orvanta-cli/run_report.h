// The report of a `convert` run (--report): one JSON line per entry that
// ended, appended as it ends, with the path as the user gave it, the run's
// shard, its id, the host and the time; and a line for each entry a stopped
// run never started.
#pragma once

#include <optional>
#include <string>

#include "batchlist/entry_report.h"

namespace orv::cli {

// The record of an entry whose worker died converting it.
batchlist::EntryRecord LostEntryRecord(const std::string& source);

class RunReport {
 public:
  RunReport();

  // No report without a path. False with a message when the file (or its
  // folder, made as needed) cannot be written.
  bool Open(const std::string& path, std::optional<std::string> shard, std::string& error);

  // Appends the record of one entry. A line that cannot be written is said
  // once on standard error, and the run's status shows it.
  void Record(const std::string& given, batchlist::EntryRecord record);
  // Appends the record of an entry the run will not start.
  void RecordNotStarted(const std::string& given, const std::string& source);

  bool writeFailed() const { return writeFailed_; }
  const std::string& run() const { return run_; }

 private:
  batchlist::ReportWriter writer_;
  std::string path_;
  std::optional<std::string> shard_;
  std::string run_, host_;
  bool writeFailed_ = false;
};

}  // namespace orv::cli
