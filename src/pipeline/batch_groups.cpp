#include "pipeline/batch_groups.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "pipeline/output_names.h"

namespace orv {

std::vector<std::vector<std::size_t>> GroupBySharedOutputs(const std::vector<std::string>& sources,
                                                           const ConversionSettings& settings) {
  return GroupBySharedOutputs(sources, std::vector<std::string>(sources.size()), settings);
}

std::vector<std::vector<std::size_t>> GroupBySharedOutputs(const std::vector<std::string>& sources,
                                                           const std::vector<std::string>& folders,
                                                           const ConversionSettings& settings) {
  std::vector<std::vector<std::size_t>> groups;
  const bool split = settings.SplitPPT != 0;
  const bool titledSplit = split && settings.UseTitle != 0;
  const bool sharedAutorun = !split && settings.GenHTML != 0 && settings.GenAutorun != 0;
  // Every name an entry writes starts with its stem (movie, page, twin,
  // numbered split movies), and the working folder follows it too. Titled
  // split movies and autorun.inf may meet any other entry of their folder.
  std::map<std::string, std::size_t> groupOfKey;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    std::string key = i < folders.size() ? folders[i] : std::string();
    if (!titledSplit && !sharedAutorun) key += '\0' + OutputStem(sources[i]);
    auto [it, added] = groupOfKey.emplace(std::move(key), groups.size());
    if (added) groups.emplace_back();
    groups[it->second].push_back(i);
  }
  return groups;
}

void OrderLargestFirst(std::vector<std::vector<std::size_t>>& groups, const std::vector<std::uintmax_t>& sizes) {
  auto bytes = [&sizes](const std::vector<std::size_t>& group) {
    std::uintmax_t total = 0;
    for (std::size_t entry : group) total += entry < sizes.size() ? sizes[entry] : 0;
    return total;
  };
  std::stable_sort(groups.begin(), groups.end(),
                   [&bytes](const auto& a, const auto& b) { return bytes(a) > bytes(b); });
}

std::vector<std::uintmax_t> SourceSizes(const std::vector<std::string>& sources) {
  std::vector<std::uintmax_t> sizes;
  for (const std::string& source : sources) {
    std::error_code ec;
    const std::uintmax_t size =
        std::filesystem::is_regular_file(source, ec) ? std::filesystem::file_size(source, ec) : 0;
    sizes.push_back(ec ? 0 : size);
  }
  return sizes;
}

}  // namespace orv
