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

}  // namespace

bool ParseShard(std::string_view text, const EnvironmentLookup& environment, Shard& shard, std::string& error) {
  if (text == "auto") {
    error =
        "--shard auto needs the number of slices the list is cut into: --shard auto/N (N the array's size, "
        "e.g. --shard auto/10 for --array=0-9)";
    return false;
  }
  const std::size_t slash = text.find('/');
  long index = 0, count = 0;
  if (slash == std::string_view::npos || !ReadNumber(text.substr(slash + 1), 1, kMostShards, count)) {
    error = "--shard: expected K/N with 1 <= K <= N, or \"auto/N\", not \"" + std::string(text) + "\"";
    return false;
  }
  const std::string_view first = text.substr(0, slash);
  if (first == "auto") {
    // The task's own index, whoever runs it: a Kubernetes Indexed Job or a
    // Slurm array numbered from 0.
    const char* name = "JOB_COMPLETION_INDEX";
    const char* value = environment(name);
    if (value == nullptr || *value == '\0') {
      name = "SLURM_ARRAY_TASK_ID";
      value = environment(name);
    }
    if (value == nullptr || *value == '\0') {
      error = "--shard auto/" + std::to_string(count) +
              ": neither JOB_COMPLETION_INDEX nor SLURM_ARRAY_TASK_ID is set (run it as a task of a job array)";
      return false;
    }
    long task = 0;
    if (!ReadNumber(value, 0, kMostShards, task)) {
      error = std::string("--shard auto: ") + name + " is not a number: " + value;
      return false;
    }
    if (task >= count) {
      error = "--shard auto/" + std::to_string(count) + ": " + name + " " + std::to_string(task) + " is not below " +
              std::to_string(count) + " (number the tasks from 0, e.g. --array=0-" + std::to_string(count - 1) + ")";
      return false;
    }
    shard = Shard{static_cast<int>(task + 1), static_cast<int>(count)};
    return true;
  }
  if (!ReadNumber(first, 1, count, index)) {
    error = "--shard: expected K/N with 1 <= K <= N, or \"auto/N\", not \"" + std::string(text) + "\"";
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
