// What a run with --resume takes from its report: the entries already
// converted, with the values and the place they were converted with, so that
// a run killed at entry 60,000 goes on from there and a run with other values
// converts again.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "batchlist/entry_report.h"

namespace orv::batchlist {

struct ResumeState {
  std::map<std::string, EntryRecord> last;  // the last record of each source, by its absolute path
  std::size_t olderRecords = 0;             // records of earlier versions, which resume cannot judge
  std::uint64_t completeBytes = 0;          // the report up to its last whole line
  bool tornTail = false;                    // something after that line (a crash mid-write)
};

// Reads the report's text. Every whole line stays as it is, record or not;
// only what follows the last "\n" is a torn tail.
ResumeState ReadResumeState(std::string_view report);

// Reads the report at `path` (none yet is an empty state) and cuts a torn
// tail off, so that the next line starts clean. False with a message.
bool LoadResumeState(const std::string& path, ResumeState& state, std::string& error);

// What an entry is about to be converted from and with.
struct EntryVersion {
  std::string path;  // absolute, normalised
  std::uint64_t size = 0;
  std::string mtime;
  SettingsStamp settings;
  OutputPlace output;
};

// True when the entry needs no work: its last record says converted, for
// the same source (size and modification time), the same values and
// program, the same output folders, and every output it wrote is still there.
bool IsAlreadyConverted(const ResumeState& state, const EntryVersion& entry);

}  // namespace orv::batchlist
