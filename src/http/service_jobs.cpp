#include "http/service_jobs.h"

#include "http/request_id.h"
#include "http/service_log.h"

namespace orv::http {

std::string_view JobStateName(JobState state) {
  switch (state) {
    case JobState::kPending:
      return "pending";
    case JobState::kDone:
      return "done";
    case JobState::kFailed:
      return "failed";
    case JobState::kCancelled:
      return "cancelled";
  }
  return "pending";
}

std::string JobStore::Add(Job job) {
  std::lock_guard lock(mutex_);
  std::string id;
  do {
    id = NewRequestId();  // 128 random bits: not to be guessed
  } while (jobs_.contains(id));
  job.id = id;
  job.created = LogTime();
  jobs_.emplace(id, std::move(job));
  return id;
}

std::optional<Job> JobStore::Find(const std::string& id) const {
  std::lock_guard lock(mutex_);
  const auto it = jobs_.find(id);
  if (it == jobs_.end()) return std::nullopt;
  return it->second;
}

void JobStore::SetTicket(const std::string& id, pool::JobTicket ticket) {
  std::lock_guard lock(mutex_);
  if (const auto it = jobs_.find(id); it != jobs_.end()) it->second.ticket = ticket;
}

bool JobStore::End(const std::string& id, JobState state, JobVerdict verdict) {
  std::lock_guard lock(mutex_);
  const auto it = jobs_.find(id);
  if (it == jobs_.end()) return false;
  Job& job = it->second;
  if (job.state == JobState::kPending) job.state = state;  // a cancel told first stays
  job.verdict = std::move(verdict);
  job.finished = LogTime();
  job.endedAt = std::chrono::steady_clock::now();
  if (job.state != JobState::kDone) job.files.reset();
  return true;
}

std::optional<pool::JobTicket> JobStore::Cancel(const std::string& id) {
  std::lock_guard lock(mutex_);
  const auto it = jobs_.find(id);
  if (it == jobs_.end() || it->second.state != JobState::kPending) return std::nullopt;
  it->second.state = JobState::kCancelled;
  return it->second.ticket;
}

bool JobStore::Remove(const std::string& id) {
  std::lock_guard lock(mutex_);
  return jobs_.erase(id) > 0;
}

void JobStore::RemoveExpired(std::chrono::seconds keep) {
  const auto now = std::chrono::steady_clock::now();
  std::lock_guard lock(mutex_);
  std::erase_if(jobs_, [&](const auto& entry) {
    const Job& job = entry.second;
    return !job.finished.empty() && now - job.endedAt >= keep;
  });
}

std::size_t JobStore::size() const {
  std::lock_guard lock(mutex_);
  return jobs_.size();
}

nlohmann::ordered_json DescribeJob(const Job& job) {
  nlohmann::ordered_json json;
  json["id"] = job.id;
  json["state"] = JobStateName(job.state);
  json["created"] = job.created;
  if (!job.finished.empty()) json["finished"] = job.finished;
  if (job.state == JobState::kDone) {
    json["result"] = "/v1/jobs/" + job.id + "/result";
    json["slides"] = job.verdict.slides;
  }
  if (job.state == JobState::kFailed) {
    json["error"] = {{"status", job.verdict.status}, {"code", job.verdict.code}, {"message", job.verdict.message}};
  }
  if (!job.callback.empty()) json["callback"] = job.callback;
  return json;
}

}  // namespace orv::http
