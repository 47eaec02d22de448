#include "batchlist/report_merge.h"

#include <algorithm>

namespace orv::batchlist {
namespace {

bool IsLater(const EntryRecord& candidate, const EntryRecord& kept) {
  if (candidate.time.empty() || kept.time.empty()) return true;  // read later
  return candidate.time >= kept.time;
}

}  // namespace

void ReportMerge::Add(std::string_view report) {
  std::size_t from = 0;
  while (from < report.size()) {
    std::size_t end = report.find('\n', from);
    if (end == std::string_view::npos) end = report.size();
    const std::string_view line = report.substr(from, end - from);
    from = end + 1;
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
    auto record = ParseReportLine(line);
    if (!record) {
      ++unreadable_;
      continue;
    }
    const std::string key = record->path.empty() ? record->source : record->path;
    auto [it, added] = latest_.try_emplace(key);
    if (added) {
      it->second = Kept{std::move(*record), seen_++};
    } else if (IsLater(*record, it->second.record)) {
      it->second.record = std::move(*record);
    }
  }
}

std::vector<EntryRecord> ReportMerge::Latest() const {
  std::vector<const Kept*> kept;
  kept.reserve(latest_.size());
  for (const auto& [key, value] : latest_) kept.push_back(&value);
  std::sort(kept.begin(), kept.end(), [](const Kept* a, const Kept* b) { return a->order < b->order; });
  std::vector<EntryRecord> records;
  records.reserve(kept.size());
  for (const Kept* k : kept) records.push_back(k->record);
  return records;
}

std::map<EntryStatus, std::size_t> ReportMerge::Counts() const {
  std::map<EntryStatus, std::size_t> counts;
  for (const auto& [key, value] : latest_) ++counts[value.record.status];
  return counts;
}

}  // namespace orv::batchlist
