// Several reports read as one: the runs of a list (a first run, its resumes,
// a resubmitted task) and its shards. The latest record of each source is
// what became of it.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "batchlist/entry_report.h"

namespace orv::batchlist {

class ReportMerge {
 public:
  // Adds the records of one report's text, in its order; lines that are not
  // records are counted and skipped.
  void Add(std::string_view report);

  // The latest record of each source, in the order the sources first
  // appeared. A source is its absolute path, or the path as given in reports
  // of earlier versions; the later of two records is the one with the later
  // time, and, when either has none, the one read later.
  std::vector<EntryRecord> Latest() const;
  // Sources per status, of the latest records.
  std::map<EntryStatus, std::size_t> Counts() const;
  std::size_t unreadableLines() const { return unreadable_; }

 private:
  struct Kept {
    EntryRecord record;
    std::size_t order = 0;
  };
  std::map<std::string, Kept> latest_;
  std::size_t seen_ = 0;
  std::size_t unreadable_ = 0;
};

}  // namespace orv::batchlist
