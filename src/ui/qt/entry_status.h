// What became of each entry of the main window's list in the last batch,
// and the batch's summary. Kept until the list changes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orv {

enum class EntryState {
  kNone,        // no batch since the list last changed
  kWaiting,     // in the batch, not started yet
  kConverting,  // at hand
  kConverted,
  kFailed,     // `reason` says why
  kCancelled,  // by Esc, Cancel or Stop, or never started after a stop
  kSkipped,    // left out before the batch started (`reason` says why)
};

struct EntryStatus {
  EntryState state = EntryState::kNone;
  // The first problem the entry met, in the words the user would have read
  // in a message box; the technical account behind it, if any.
  std::string reason;
  std::string details;
};

struct BatchSummary {
  std::size_t converted = 0;
  std::size_t failed = 0;
  std::size_t cancelled = 0;
  std::size_t skipped = 0;
  // The rows that failed, top first.
  std::vector<std::size_t> failures;
  // The output folder the desktop could not open afterwards; empty when it
  // opened or was not to be opened.
  std::string folderNotOpened;

  static BatchSummary Of(const std::vector<EntryStatus>& statuses);
};

}  // namespace orv
