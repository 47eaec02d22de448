// What the conversion service counts, in Prometheus' text format: requests
// by outcome (a client that left before its answer: "cancelled"), their
// time, the queue, busy and ready workers, LibreOffice restarts, resident
// memory and the jobs kept.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "pool/service_pool.h"

namespace orv::http {

class ServiceMetrics {
 public:
  // One answered conversion request: its outcome (the error code of its
  // answer, or "converted") and the seconds from its arrival to its answer.
  void CountRequest(std::string_view outcome, double seconds);
  std::string Render(const pool::PoolStats& pool, std::size_t jobsKept) const;

  static constexpr std::array<double, 10> kBuckets = {0.25, 0.5, 1, 2, 5, 10, 30, 60, 120, 300};

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::uint64_t, std::less<>> outcomes_;
  std::array<std::uint64_t, kBuckets.size()> buckets_{};
  std::uint64_t count_ = 0;
  double sum_ = 0;
};

}  // namespace orv::http
