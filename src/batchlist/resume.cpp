#include "batchlist/resume.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace orv::batchlist {

ResumeState ReadResumeState(std::string_view report) {
  ResumeState state;
  std::size_t from = 0;
  while (from < report.size()) {
    const std::size_t end = report.find('\n', from);
    if (end == std::string_view::npos) break;  // no "\n": the line was being written
    if (const auto record = ParseReportLine(report.substr(from, end - from))) {
      if (!record->path.empty()) {
        state.last[record->path] = *record;
      } else {
        ++state.olderRecords;
      }
    }
    from = end + 1;
    state.completeBytes = from;
  }
  state.tornTail = state.completeBytes < report.size();
  return state;
}

bool LoadResumeState(const std::string& path, ResumeState& state, std::string& error) {
  state = ResumeState{};
  std::error_code ec;
  if (!std::filesystem::exists(path, ec) && !ec) return true;  // the first run of the list
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read the report " + path + ": " + std::strerror(errno);
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  state = ReadResumeState(text);
  if (state.tornTail && ::truncate(path.c_str(), static_cast<off_t>(state.completeBytes)) != 0) {
    error = "cannot repair the report " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool IsAlreadyConverted(const ResumeState& state, const EntryVersion& entry) {
  const auto it = state.last.find(entry.path);
  if (it == state.last.end()) return false;
  const EntryRecord& record = it->second;
  if (record.status != EntryStatus::kConverted || record.size != entry.size || record.mtime != entry.mtime) {
    return false;
  }
  if (record.settings != entry.settings || record.output != entry.output || record.outputs.empty()) return false;
  std::error_code ec;
  for (const std::string& output : record.outputs) {
    if (!std::filesystem::is_regular_file(std::filesystem::path(entry.output.root) / output, ec)) return false;
  }
  return true;
}

}  // namespace orv::batchlist
