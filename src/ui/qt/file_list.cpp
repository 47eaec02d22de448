#include "ui/qt/file_list.h"

#include <algorithm>
#include <functional>

#include "base/messages.h"
#include "base/notifier.h"

namespace orv {

std::size_t FileList::Add(const std::vector<std::string>& paths) {
  std::size_t added = 0;
  for (const std::string& path : paths) {
    if (entries_.size() >= kAddLimit) {
      Notify(msg::kAddLimit);
      break;
    }
    entries_.push_back(path);
    modified_ = true;
    ++added;
  }
  return added;
}

bool FileList::Remove(std::vector<int> rows) {
  if (rows.empty()) {
    Notify(msg::kSelectFirst);
    return false;
  }
  // From the bottom up, so that a removal never shifts a row still to be visited.
  std::sort(rows.begin(), rows.end(), std::greater<>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int row : rows) {
    if (row >= 0 && static_cast<std::size_t>(row) < entries_.size()) {
      entries_.erase(entries_.begin() + row);
    }
  }
  modified_ = true;
  return true;
}

void FileList::Replace(std::vector<std::string> paths) {
  entries_ = std::move(paths);
  modified_ = false;
}

void FileList::Clear() {
  entries_.clear();
  modified_ = false;
}

}  // namespace orv
