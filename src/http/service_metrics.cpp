#include "http/service_metrics.h"

#include <cstdio>

namespace orv::http {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
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

std::string ServiceMetrics::Render(const pool::PoolStats& pool) const {
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
  text +=
      "# HELP orvanta_queue_length Conversion requests waiting for a worker.\n"
      "# TYPE orvanta_queue_length gauge\n"
      "orvanta_queue_length " +
      std::to_string(pool.queued) +
      "\n"
      "# HELP orvanta_workers Worker processes of the service.\n"
      "# TYPE orvanta_workers gauge\n"
      "orvanta_workers " +
      std::to_string(pool.workers) +
      "\n"
      "# HELP orvanta_workers_busy Workers converting a presentation.\n"
      "# TYPE orvanta_workers_busy gauge\n"
      "orvanta_workers_busy " +
      std::to_string(pool.busy) +
      "\n"
      "# HELP orvanta_office_restarts_total Workers, each with its LibreOffice, replaced by a fresh one.\n"
      "# TYPE orvanta_office_restarts_total counter\n"
      "orvanta_office_restarts_total " +
      std::to_string(pool.restarts) +
      "\n"
      "# HELP orvanta_office_resident_bytes Resident memory of the workers and their LibreOffices.\n"
      "# TYPE orvanta_office_resident_bytes gauge\n"
      "orvanta_office_resident_bytes " +
      std::to_string(pool.residentBytes) + "\n";
  return text;
}

}  // namespace orv::http
