// The closing summary of a batch on standard error: "N converted, M failed,
// K cancelled" (and "; V videos" when the converted entries made videos),
// then each file that did not convert with its reason on one line, so that
// nobody has to read back through the whole run.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "batchlist/entry_report.h"

namespace orv::cli {

class RunSummary {
 public:
  void Add(const std::string& source, const batchlist::EntryRecord& record);
  // An entry the batch never started (stopped, or LibreOffice unavailable):
  // counted as cancelled.
  void AddNotStarted(const std::string& source);
  // Entries --resume found converted already: counted in the batch, and said
  // in the summary.
  void AddSkipped(std::size_t count) { skipped_ += count; }
  std::string Text() const;
  // Printed for a batch of more than one entry only (the skipped count).
  void Print(std::FILE* stream) const;

 private:
  std::size_t converted_ = 0, failed_ = 0, cancelled_ = 0, skipped_ = 0, videos_ = 0;
  std::vector<std::string> reasons_;
};

}  // namespace orv::cli
