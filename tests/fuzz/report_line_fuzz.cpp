// Report lines and file lists as a crash or a user may leave them: a line
// that reads as a record writes back to a line that reads the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "batchlist/entry_report.h"
#include "batchlist/file_list.h"
#include "batchlist/resume.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (const auto record = orv::batchlist::ParseReportLine(text)) {
    const std::string line = orv::batchlist::FormatReportLine(*record);
    const auto again = orv::batchlist::ParseReportLine(std::string_view(line).substr(0, line.size() - 1));
    if (!again || orv::batchlist::FormatReportLine(*again) != line) __builtin_trap();
  }
  const auto state = orv::batchlist::ReadResumeState(text);
  if (state.completeBytes > text.size()) __builtin_trap();
  (void)orv::batchlist::ParseFileList(text, '\n');
  (void)orv::batchlist::ParseFileList(text, '\0');
  return 0;
}
