// Extra LibreOffices beside the one a batch converts with, each exporting a
// share of the slides of the presentation at hand. Each has a thread of calls
// of its own (a LibreOffice belongs to the thread that started it) and stays
// running from one presentation to the next, as the batch's own does.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "pipeline/automation.h"

namespace orv {

// The slide workers beside the first LibreOffice for a "Jobs" value:
// `jobs` - 1, or with 0 one LibreOffice per core of `cores`, 4 at most.
std::size_t SlideWorkerCount(int jobs, unsigned cores = std::thread::hardware_concurrency());

class SlideWorkers {
 public:
  // `count` LibreOffices, each started when its first job needs it and
  // replaced after `restartEvery` presentations.
  SlideWorkers(std::size_t count, int restartEvery);
  // Over servers made by the caller (tests).
  explicit SlideWorkers(std::vector<std::unique_ptr<AutomationServer>> servers);
  // Cancels what runs and ends every LibreOffice.
  ~SlideWorkers();
  SlideWorkers(const SlideWorkers&) = delete;
  SlideWorkers& operator=(const SlideWorkers&) = delete;

  std::size_t count() const { return workers_.size(); }

  using Job = std::function<void(AutomationServer& server, std::size_t worker)>;
  // Runs `job` on every worker at once, each from a thread of its own; the
  // calls it makes run on that worker's thread of calls.
  void StartAll(const Job& job);
  // True once every job started has returned.
  bool Done();
  // Waits up to `limit` for the jobs to return.
  void Wait(std::chrono::milliseconds limit);
  // The first error a job ended with, if any yet.
  std::exception_ptr FirstError();
  // The jobs are given up and waited for: a call in flight ends its
  // LibreOffice, later calls fail at once; their errors are dropped.
  void GiveUp();
  // Ends every LibreOffice now (a time limit). From any thread.
  void EndNow();

  struct Worker;

 private:
  void Join();

  std::vector<std::unique_ptr<Worker>> workers_;
  std::atomic<bool> cancelled_{false};
  std::mutex mutex_;
  std::condition_variable ended_;
  std::size_t running_ = 0;
  std::vector<std::thread> jobs_;
  std::exception_ptr error_;
};

}  // namespace orv
