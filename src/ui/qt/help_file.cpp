#include "ui/qt/help_file.h"

#include <filesystem>

#include "base/paths.h"

namespace orv {

std::vector<std::string> HelpFileCandidates(const std::string& programFolder) {
  std::filesystem::path folder(programFolder);
  return {
      (folder / kHelpFileName).string(),
      (folder.parent_path() / "share" / "doc" / "orvanta" / kHelpFileName).lexically_normal().string(),
  };
}

std::string FindHelpFile(const std::string& programFolder) {
  for (const std::string& candidate : HelpFileCandidates(programFolder)) {
    if (PathExists(candidate) && !IsDirectory(candidate)) return candidate;
  }
  return {};
}

}  // namespace orv
