// One slice of a batch (--shard K/N), so that the machines of a cluster
// (a Slurm job array, a Kubernetes Indexed Job) each convert their own part
// of one list, and together exactly the whole of it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::batchlist {

struct Shard {
  int index = 1;  // K, counted from 1
  int count = 1;  // N
  std::string text() const { return std::to_string(index) + "/" + std::to_string(count); }
};

// Reads an environment variable; null when unset.
using EnvironmentLookup = std::function<const char*(const char*)>;

// "K/N" with 1 <= K <= N; "auto/N" with K = the task's own index + 1: a
// Kubernetes Indexed Job's JOB_COMPLETION_INDEX, else a Slurm array task's
// SLURM_ARRAY_TASK_ID. N always comes from the command line, never from the
// array's size: a task resubmitted alone (sbatch --array=2) still takes its
// own slice of the list. False with a message for anything else ("auto"
// alone included).
bool ParseShard(std::string_view text, const EnvironmentLookup& environment, Shard& shard, std::string& error);

// The shard that group `group` (counted from 0, in order of first
// appearance) belongs to: the groups are dealt out in turn.
int ShardOfGroup(std::size_t group, int count);

// The entries of `groups` that belong to `shard`, in list order.
std::vector<std::size_t> EntriesOfShard(const std::vector<std::vector<std::size_t>>& groups, const Shard& shard);

}  // namespace orv::batchlist
