#include "pipeline/output_clashes.h"

#include <map>

#include "base/paths.h"
#include "pipeline/output_names.h"
#include "pipeline/output_plan.h"

namespace orv {
namespace {

// What one entry's plan says before converting: the names of its files that
// do not depend on its slides, and for numbered split movies the stem every
// one of them starts with ("talk" of talk_1.swf, talk_2.swf, ...).
struct Claims {
  std::vector<std::string> names;
  std::string numberedStem;
};

Claims ClaimsOf(const std::string& source, const ConversionSettings& settings) {
  Claims claims;
  const OutputPlan plan = OutputPlan::Make(source, settings, OutputPlacement::In(""), false, {}, 1);
  const bool split = settings.SplitPPT != 0;
  if (split && settings.UseTitle == 0) claims.numberedStem = OutputStem(source);
  for (const std::string& file : plan.Files()) {
    // Split movies' own names come from their numbers or their titles.
    if (plan.IsShared(file) || (split && file != plan.lesson())) continue;
    claims.names.push_back(FileNamePart(file));
  }
  return claims;
}

}  // namespace

std::vector<std::optional<std::size_t>> FindOutputClashes(const std::vector<std::string>& sources,
                                                          const std::vector<std::string>& folders,
                                                          const ConversionSettings& settings) {
  std::vector<std::optional<std::size_t>> clashes(sources.size());
  // Keyed by folder and name (or numbered stem): the first entry that claimed it.
  std::map<std::string, std::size_t> claimed;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const std::string folder = (i < folders.size() ? folders[i] : std::string()) + '\0';
    const Claims claims = ClaimsOf(sources[i], settings);
    std::vector<std::string> keys;
    for (const std::string& name : claims.names) keys.push_back(folder + name);
    if (!claims.numberedStem.empty()) keys.push_back(folder + '\0' + claims.numberedStem);
    for (const std::string& key : keys) {
      const auto it = claimed.find(key);
      if (it != claimed.end() && sources[it->second] != sources[i]) {
        clashes[i] = it->second;
        break;
      }
    }
    if (clashes[i]) continue;  // refused: it writes nothing to clash with
    for (const std::string& key : keys) claimed.emplace(key, i);
  }
  return clashes;
}

}  // namespace orv
