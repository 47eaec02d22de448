#include "batchlist/shard.h"

#include <algorithm>
#include <charconv>

namespace orv::batchlist {
namespace {

// A whole number, digits only, within [low, high].
bool ReadNumber(std::string_view text, long low, long high, long& value) {
  if (text.empty() || text.size() > 9) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

constexpr long kMostShards = 1000000;

bool ReadVariable(const EnvironmentLookup& environment, const char* name, long low, long& value, std::string& error) {
  const char* text = environment(name);
  if (text == nullptr || *text == '\0') {
    error = std::string("--shard auto: ") + name + " is not set (run it as a task of a job array)";
    return false;
  }
  if (!ReadNumber(text, low, kMostShards, value)) {
    error = std::string("--shard auto: ") + name + " is not a number from " + std::to_string(low) + ": " + text;
    return false;
  }
  return true;
}

bool FromSlurmArray(const EnvironmentLookup& environment, Shard& shard, std::string& error) {
  long id = 0, first = 0, count = 0, last = 0;
  if (!ReadVariable(environment, "SLURM_ARRAY_TASK_ID", 0, id, error) ||
      !ReadVariable(environment, "SLURM_ARRAY_TASK_MIN", 0, first, error) ||
      !ReadVariable(environment, "SLURM_ARRAY_TASK_MAX", 0, last, error) ||
      !ReadVariable(environment, "SLURM_ARRAY_TASK_COUNT", 1, count, error)) {
    return false;
  }
  // Tasks 0,2,4 or 1-9:3 leave gaps: no task could take the missing slices.
  const char* step = environment("SLURM_ARRAY_TASK_STEP");
  if ((step != nullptr && std::string_view(step) != "1") || last - first + 1 != count) {
    error = "--shard auto: the job array must number its tasks without gaps (--array=0-" + std::to_string(count - 1) +
            ", step 1)";
    return false;
  }
  if (id < first || id > last) {
    error = "--shard auto: SLURM_ARRAY_TASK_ID " + std::to_string(id) + " lies outside the array";
    return false;
  }
  shard = Shard{static_cast<int>(id - first + 1), static_cast<int>(count)};
  return true;
}

}  // namespace

bool ParseShard(std::string_view text, const EnvironmentLookup& environment, Shard& shard, std::string& error) {
  if (text == "auto") return FromSlurmArray(environment, shard, error);
  const std::size_t slash = text.find('/');
  long index = 0, count = 0;
  if (slash == std::string_view::npos || !ReadNumber(text.substr(slash + 1), 1, kMostShards, count)) {
    error = "--shard: expected K/N with 1 <= K <= N, \"auto\" or \"auto/N\", not \"" + std::string(text) + "\"";
    return false;
  }
  const std::string_view first = text.substr(0, slash);
  if (first == "auto") {
    long completion = 0;
    if (!ReadVariable(environment, "JOB_COMPLETION_INDEX", 0, completion, error)) return false;
    if (completion >= count) {
      error = "--shard auto/" + std::to_string(count) + ": JOB_COMPLETION_INDEX " + std::to_string(completion) +
              " is not below " + std::to_string(count);
      return false;
    }
    shard = Shard{static_cast<int>(completion + 1), static_cast<int>(count)};
    return true;
  }
  if (!ReadNumber(first, 1, count, index)) {
    error = "--shard: expected K/N with 1 <= K <= N, \"auto\" or \"auto/N\", not \"" + std::string(text) + "\"";
    return false;
  }
  shard = Shard{static_cast<int>(index), static_cast<int>(count)};
  return true;
}

int ShardOfGroup(std::size_t group, int count) {
  return static_cast<int>(group % static_cast<std::size_t>(std::max(count, 1))) + 1;
}

std::vector<std::size_t> EntriesOfShard(const std::vector<std::vector<std::size_t>>& groups, const Shard& shard) {
  std::vector<std::size_t> entries;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (ShardOfGroup(g, shard.count) == shard.index) entries.insert(entries.end(), groups[g].begin(), groups[g].end());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

}  // namespace orv::batchlist
