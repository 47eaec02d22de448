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
    const auto record = ParseReportLine(report.substr(from, end - from));
    const bool last = end + 1 == report.size();
    if (record) {
      state.last[record->source] = *record;
    } else if (last) {
      break;  // a whole line that is not a record ends the file: cut as torn too
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

bool IsAlreadyConverted(const ResumeState& state, const std::string& source, std::uint64_t size, std::string_view mtime,
                        const std::string& outputFolder) {
  const auto it = state.last.find(source);
  if (it == state.last.end()) return false;
  const EntryRecord& record = it->second;
  if (record.status != EntryStatus::kConverted || record.size != size || record.mtime != mtime) return false;
  if (record.outputs.empty()) return false;
  std::error_code ec;
  for (const std::string& output : record.outputs) {
    if (!std::filesystem::is_regular_file(std::filesystem::path(outputFolder) / output, ec)) return false;
  }
  return true;
}

}  // namespace orv::batchlist
