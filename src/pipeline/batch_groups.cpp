#include "pipeline/batch_groups.h"

#include <map>

#include "pipeline/output_names.h"

namespace orv {

std::vector<std::vector<std::size_t>> GroupBySharedOutputs(const std::vector<std::string>& sources,
                                                           const ConversionSettings& settings) {
  std::vector<std::vector<std::size_t>> groups;
  if (sources.empty()) return groups;
  const bool split = settings.SplitPPT != 0;
  const bool titledSplit = split && settings.UseTitle != 0;
  const bool sharedAutorun = !split && settings.GenHTML != 0 && settings.GenAutorun != 0;
  if (titledSplit || sharedAutorun) {
    groups.emplace_back();
    for (std::size_t i = 0; i < sources.size(); ++i) groups.back().push_back(i);
    return groups;
  }
  // Every name an entry writes starts with its stem (movie, page, twin,
  // numbered split movies), and the working folder follows it too.
  std::map<std::string, std::size_t> groupOfStem;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    auto [it, added] = groupOfStem.emplace(OutputStem(sources[i]), groups.size());
    if (added) groups.emplace_back();
    groups[it->second].push_back(i);
  }
  return groups;
}

}  // namespace orv
