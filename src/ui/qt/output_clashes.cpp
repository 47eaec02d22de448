#include "ui/qt/output_clashes.h"

#include <filesystem>
#include <map>
#include <utility>

#include "pipeline/output_names.h"

namespace orv {
namespace fs = std::filesystem;

namespace {

fs::path Normal(const std::string& path) { return fs::absolute(fs::path(path)).lexically_normal(); }

}  // namespace

std::vector<std::optional<std::size_t>> FindEntryClashes(const std::vector<std::string>& sources,
                                                         const std::vector<std::string>& outputFolders,
                                                         const ConversionSettings& /*settings*/) {
  std::vector<std::optional<std::size_t>> clashes(sources.size());
  // Every road names its outputs after the source's stem in its folder.
  std::map<std::pair<std::string, std::string>, std::size_t> first;
  for (std::size_t i = 0; i < sources.size() && i < outputFolders.size(); ++i) {
    auto key = std::pair{Normal(outputFolders[i]).string(), OutputStem(sources[i])};
    auto [known, added] = first.try_emplace(std::move(key), i);
    if (added) continue;
    if (Normal(sources[known->second]) != Normal(sources[i])) clashes[i] = known->second;
  }
  return clashes;
}

std::string CommonFolder(const std::vector<std::string>& sources) {
  std::optional<fs::path> common;
  for (const std::string& source : sources) {
    const fs::path folder = Normal(source).parent_path();
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
