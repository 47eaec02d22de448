#include "ui/qt/help_file.h"

#include <filesystem>

#include "base/paths.h"

namespace orv {

std::vector<std::string> HelpFileNames(UiLanguage language) {
  if (language == UiLanguage::kEnglish) return {kEnglishHelpFileName, kHelpFileName};
  return {kHelpFileName};
}

std::vector<std::string> HelpFileCandidates(const std::string& programFolder, UiLanguage language) {
  std::filesystem::path folder(programFolder);
  std::vector<std::string> candidates;
  for (const std::string& name : HelpFileNames(language)) {
    candidates.push_back((folder / name).string());
    candidates.push_back((folder.parent_path() / "share" / "doc" / "orvanta" / name).lexically_normal().string());
  }
  return candidates;
}

std::string FindHelpFile(const std::string& programFolder, UiLanguage language) {
  for (const std::string& candidate : HelpFileCandidates(programFolder, language)) {
    if (PathExists(candidate) && !IsDirectory(candidate)) return candidate;
  }
  return {};
}

}  // namespace orv
