// What a run with --resume takes from its report: the entries already
// converted, so that a run killed at entry 60,000 goes on from there.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "batchlist/entry_report.h"

namespace orv::batchlist {

struct ResumeState {
  std::map<std::string, EntryRecord> last;  // the last record of each source
  std::uint64_t completeBytes = 0;          // the report up to its last whole line
  bool tornTail = false;                    // something after that line (a crash mid-write)
};

// Reads the report's text: every whole line that is a record; a last line
// without its "\n", or one that does not parse, is a torn tail.
ResumeState ReadResumeState(std::string_view report);

// Reads the report at `path` (none yet is an empty state) and cuts a torn
// tail off, so that the next line starts clean. False with a message.
bool LoadResumeState(const std::string& path, ResumeState& state, std::string& error);

// True when `source` needs no work: its last record says converted, for the
// same size and modification time, and every output it wrote is still in
// `outputFolder`.
bool IsAlreadyConverted(const ResumeState& state, const std::string& source, std::uint64_t size, std::string_view mtime,
                        const std::string& outputFolder);

}  // namespace orv::batchlist
