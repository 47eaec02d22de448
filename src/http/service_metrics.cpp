#include "http/service_metrics.h"

#include <cstdio>

namespace orv::http {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

// One metric without labels: its help, its type and its value.
std::string Metric(std::string_view name, std::string_view type, std::string_view help, std::uint64_t value) {
  const std::string metric(name);
  return "# HELP " + metric + " " + std::string(help) + "\n# TYPE " + metric + " " + std::string(type) + "\n" + metric +
         " " + std::to_string(value) + "\n";
}

}  // namespace

void ServiceMetrics::CountRequest(std::string_view outcome, double seconds) {
  std::lock_guard lock(mutex_);
  auto it = outcomes_.find(outcome);
  if (it == outcomes_.end()) it = outcomes_.emplace(std::string(outcome), 0).first;
  ++it->second;
  for (std::size_t k = 0; k < kBuckets.size(); ++k) {
    if (seconds <= kBuckets[k]) ++buckets_[k];
  }
  ++count_;
  sum_ += seconds;
}

std::string ServiceMetrics::Render(const pool::PoolStats& pool, std::size_t jobsKept) const {
  std::lock_guard lock(mutex_);
  std::string text =
      "# HELP orvanta_requests_total Conversion requests answered, by outcome.\n"
      "# TYPE orvanta_requests_total counter\n";
  for (const auto& [outcome, count] : outcomes_) {
    text += "orvanta_requests_total{outcome=\"" + outcome + "\"} " + std::to_string(count) + "\n";
  }
  text +=
      "# HELP orvanta_request_seconds Time from a conversion request's arrival to its answer.\n"
      "# TYPE orvanta_request_seconds histogram\n";
  for (std::size_t k = 0; k < kBuckets.size(); ++k) {
    text += "orvanta_request_seconds_bucket{le=\"" + Number(kBuckets[k]) + "\"} " + std::to_string(buckets_[k]) + "\n";
  }
  text += "orvanta_request_seconds_bucket{le=\"+Inf\"} " + std::to_string(count_) + "\n";
  text += "orvanta_request_seconds_sum " + Number(sum_) + "\n";
  text += "orvanta_request_seconds_count " + std::to_string(count_) + "\n";
  text += Metric("orvanta_queue_length", "gauge", "Conversion requests waiting for a worker.", pool.queued);
  text += Metric("orvanta_workers", "gauge", "Worker processes of the service.", pool.workers);
  text += Metric("orvanta_workers_busy", "gauge", "Workers converting a presentation.", pool.busy);
  text += Metric("orvanta_workers_ready", "gauge",
                 "Workers whose LibreOffice has converted the check deck, idle or busy.", pool.proven);
  text += Metric("orvanta_office_restarts_total", "counter",
                 "LibreOffice restarts: in a worker, or with the worker replaced or lost.", pool.restarts);
  text += Metric("orvanta_office_resident_bytes", "gauge", "Resident memory of the workers and their LibreOffices.",
                 pool.residentBytes);
  text += Metric("orvanta_jobs", "gauge", "Jobs kept: pending, or ended and not yet removed.", jobsKept);
  return text;
}

}  // namespace orv::http
