#include "ui/qt/common_folder.h"

#include <filesystem>
#include <optional>

namespace orv {

std::string CommonFolder(const std::vector<std::string>& sources) {
  namespace fs = std::filesystem;
  std::optional<fs::path> common;
  for (const std::string& source : sources) {
    const fs::path folder = fs::absolute(fs::path(source)).lexically_normal().parent_path();
    if (!common) {
      common = folder;
      continue;
    }
    fs::path shared;
    for (auto a = common->begin(), b = folder.begin(); a != common->end() && b != folder.end() && *a == *b; ++a, ++b) {
      shared /= *a;
    }
    common = shared;
  }
  return common && !common->empty() ? common->string() : std::string("/");
}

}  // namespace orv
