// A batch over N worker processes (`orvanta-cli convert --jobs N`), each a
// serial conversion with its own LibreOffice, taking the entries one at a
// time. The parent hands out the entries, relays each entry's lines whole,
// draws the workers' progress and adds up the results as a serial run does.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batchlist/entry_report.h"

namespace orv::pool {

struct ParallelPlan {
  std::string program;                           // the orvanta-cli to start as worker
  std::vector<std::string> workerArgs;           // after the program: "convert", the options, "--worker-fd", "3"
  std::vector<std::string> sources;              // absolute paths, in the order given
  std::vector<std::vector<std::size_t>> groups;  // indexes into sources; each group runs in one worker, in order
  std::size_t workers = 2;
  std::string tempFolder;  // where the working folders go, swept at the end
  bool quiet = false;      // messages only: no progress, no output lines
  // Called as each entry handed out ends, with the record its worker sent;
  // nothing when the worker died converting it.
  std::function<void(std::size_t entry, std::optional<batchlist::EntryRecord> record)> onEntryEnd;
};

// How a parallel run ended: every entry converted; the list was gone
// through and some failed; or it could not be gone through (LibreOffice
// cannot start, entries were never handed out).
enum class ParallelEnd { kAllConverted, kSomeFailed, kNotThrough };

ParallelEnd RunParallelConvert(const ParallelPlan& plan);

}  // namespace orv::pool
