#include "batchlist/folder_sources.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

namespace orv::batchlist {
namespace fs = std::filesystem;

bool IsPresentationName(std::string_view name) {
  static constexpr std::array<std::string_view, 5> kExtensions = {".ppt", ".pps", ".pptx", ".ppsx", ".odp"};
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  std::string extension(name.substr(dot));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end();
}

FolderPresentations PresentationsIn(const std::string& folder, bool recursive) {
  FolderPresentations found;
  std::vector<fs::path> pending = {fs::path(folder)};
  while (!pending.empty()) {
    const fs::path at = pending.back();
    pending.pop_back();
    std::error_code ec;
    fs::directory_iterator entries(at, ec);
    if (ec) {
      ++found.unreadable;
      continue;
    }
    for (const fs::directory_entry& entry : entries) {
      std::error_code kind;
      if (entry.is_symlink(kind) && entry.is_directory(kind)) continue;
      if (entry.is_directory(kind)) {
        if (recursive) pending.push_back(entry.path());
      } else if (entry.is_regular_file(kind) && IsPresentationName(entry.path().filename().string())) {
        found.paths.push_back(entry.path().string());
      }
    }
  }
  std::sort(found.paths.begin(), found.paths.end());
  return found;
}

std::string CommonFolder(const std::vector<std::string>& folders) {
  if (folders.empty()) return {};
  fs::path common = fs::path(folders.front()).lexically_normal();
  for (const std::string& folder : folders) {
    const fs::path path = fs::path(folder).lexically_normal();
    fs::path shared;
    auto a = common.begin();
    auto b = path.begin();
    for (; a != common.end() && b != path.end() && *a == *b; ++a, ++b) shared /= *a;
    common = shared;
  }
  std::string text = common.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace orv::batchlist
