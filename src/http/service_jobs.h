// The conversion service's jobs (POST /v1/jobs): conversions that outlive
// their request. Each has an unguessable id, a state, and once it has ended
// its verdict and (converted) its zip; a finished job is kept for a while
// and then removed with its files. Jobs live in memory: a restart of the
// service loses them.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "http/request_files.h"
#include "http/service_answer.h"
#include "pool/service_pool.h"

namespace orv::http {

enum class JobState { kPending, kDone, kFailed, kCancelled };

// "pending" (queued or converting), "done", "failed", "cancelled".
std::string_view JobStateName(JobState state);

struct Job {
  std::string id;
  std::string requestId;  // of the request that made it
  std::string created;    // RFC 3339
  std::string callback;   // empty: none
  pool::JobTicket ticket = 0;
  std::shared_ptr<RequestFiles> files;
  JobState state = JobState::kPending;
  std::string finished;  // RFC 3339, once it has ended
  std::chrono::steady_clock::time_point endedAt;
  JobVerdict verdict;
};

class JobStore {
 public:
  // Keeps a new job under a fresh id (set in the copy kept); its id.
  std::string Add(Job job);
  // A copy of the job, or nothing when there is none by that id (any more).
  std::optional<Job> Find(const std::string& id) const;
  // The pool's name for the job, once it is queued.
  void SetTicket(const std::string& id, pool::JobTicket ticket);
  // Records the job's end (only a job that converted keeps its files);
  // false when it is no longer kept.
  bool End(const std::string& id, JobState state, JobVerdict verdict);
  // Marks a pending job cancelled and gives its ticket; nothing when it has
  // already ended or is unknown.
  std::optional<pool::JobTicket> Cancel(const std::string& id);
  // Removes a job (its files go once nothing else holds them).
  bool Remove(const std::string& id);
  // Removes the jobs that ended more than `keep` ago.
  void RemoveExpired(std::chrono::seconds keep);
  std::size_t size() const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, Job> jobs_;
};

// What GET /v1/jobs/{id} answers about a job.
nlohmann::ordered_json DescribeJob(const Job& job);

}  // namespace orv::http
