#include "ui/qt/entry_status.h"

namespace orv {

BatchSummary BatchSummary::Of(const std::vector<EntryStatus>& statuses) {
  BatchSummary summary;
  for (std::size_t row = 0; row < statuses.size(); ++row) {
    switch (statuses[row].state) {
      case EntryState::kConverted:
        ++summary.converted;
        break;
      case EntryState::kFailed:
        ++summary.failed;
        summary.failures.push_back(row);
        break;
      case EntryState::kCancelled:
        ++summary.cancelled;
        break;
      case EntryState::kSkipped:
        ++summary.skipped;
        break;
      case EntryState::kNone:
      case EntryState::kWaiting:
      case EntryState::kConverting:
        break;
    }
  }
  return summary;
}

}  // namespace orv
