#include "base/paths.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

namespace orv {

std::string FileNamePart(std::string_view path) {
  auto pos = path.rfind(kPathSeparator);
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

bool FileNameFits(std::string_view name) { return name.size() <= NAME_MAX; }

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && out.back() != kPathSeparator) out += kPathSeparator;
  out += name;
  return out;
}

std::string SystemTempFolder() {
  const char* env = std::getenv("TMPDIR");
  std::string folder = (env != nullptr && *env != '\0') ? env : "/tmp";
  if (folder.back() != kPathSeparator) folder += kPathSeparator;
  return folder;
}

std::string DocumentsFolder() {
  if (const char* docs = std::getenv("XDG_DOCUMENTS_DIR"); docs != nullptr && *docs != '\0') {
    return docs;
  }
  const char* home = std::getenv("HOME");
  return JoinPath(home != nullptr && *home != '\0' ? home : "/tmp", "Documents");
}

std::string DropLast(std::string_view text, std::size_t n) {
  return std::string(text.substr(0, text.size() > n ? text.size() - n : 0));
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

}  // namespace orv
