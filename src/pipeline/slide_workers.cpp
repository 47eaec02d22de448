#include "pipeline/slide_workers.h"

#include <algorithm>

#include "pipeline/lazy_presentation_server.h"
#include "pipeline/server_thread.h"

namespace orv {
namespace {

// How a job's thread waits for a call on its worker's thread: asleep until
// `finished` holds (the caller's test covers the cancel too) or Wake.
class FlagWait final : public CallWait {
 public:
  explicit FlagWait(const std::atomic<bool>& cancelled) : cancelled_(cancelled) {}

  void Wait(std::chrono::milliseconds limit, const std::function<bool()>& finished) override {
    std::unique_lock<std::mutex> lock(mutex_);
    woken_.wait_for(lock, limit, finished);
  }
  void Wake() override {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_.notify_all();
  }
  bool CancelRequested() override { return cancelled_.load(); }

 private:
  const std::atomic<bool>& cancelled_;
  std::mutex mutex_;
  std::condition_variable woken_;
};

}  // namespace

struct SlideWorkers::Worker {
  Worker(std::unique_ptr<AutomationServer> server, const std::atomic<bool>& cancelled)
      : wait(cancelled), calls(std::move(server), wait) {}
  FlagWait wait;
  ServerThread calls;
};

std::size_t SlideWorkerCount(int jobs, unsigned cores) {
  if (jobs > 0) return static_cast<std::size_t>(jobs - 1);
  const unsigned offices = std::min(std::max(cores, 1u), 4u);
  return offices - 1;
}

SlideWorkers::SlideWorkers(std::size_t count, int restartEvery) {
  for (std::size_t i = 0; i < count; ++i) {
    workers_.push_back(std::make_unique<Worker>(std::make_unique<LazyPresentationServer>(restartEvery), cancelled_));
  }
}

SlideWorkers::SlideWorkers(std::vector<std::unique_ptr<AutomationServer>> servers) {
  for (auto& server : servers) workers_.push_back(std::make_unique<Worker>(std::move(server), cancelled_));
}

SlideWorkers::~SlideWorkers() { GiveUp(); }

void SlideWorkers::StartAll(const Job& job) {
  Join();
  cancelled_.store(false);
  error_ = nullptr;
  running_ = workers_.size();
  for (std::size_t i = 0; i < workers_.size(); ++i) {
    jobs_.emplace_back([this, job, i] {
      std::exception_ptr error;
      try {
        job(workers_[i]->calls, i);
      } catch (...) {
        error = std::current_exception();
      }
      std::lock_guard<std::mutex> lock(mutex_);
      if (error && !error_) error_ = error;
      --running_;
      ended_.notify_all();
    });
  }
}

bool SlideWorkers::Done() {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_ == 0;
}

void SlideWorkers::Wait(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  ended_.wait_for(lock, limit, [this] { return running_ == 0; });
}

std::exception_ptr SlideWorkers::FirstError() {
  std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}

void SlideWorkers::GiveUp() {
  cancelled_.store(true);
  for (auto& worker : workers_) worker->wait.Wake();
  Join();
}

void SlideWorkers::EndNow() {
  for (auto& worker : workers_) worker->calls.EndNow();
}

void SlideWorkers::Join() {
  for (std::thread& job : jobs_) {
    if (job.joinable()) job.join();
  }
  jobs_.clear();
}

}  // namespace orv
