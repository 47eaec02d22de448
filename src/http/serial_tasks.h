// One thread that runs tasks in turn: the service writes its answers' zips
// here, away from the engine's threads and the pool's.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace orv::http {

class SerialTasks {
 public:
  SerialTasks() : thread_([this] { Run(); }) {}
  ~SerialTasks() { Stop(); }
  SerialTasks(const SerialTasks&) = delete;
  SerialTasks& operator=(const SerialTasks&) = delete;

  // A task posted after Stop() is dropped.
  void Post(std::function<void()> task) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
  }
  // Runs what is queued, then ends the thread.
  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
      if (tasks_.empty()) return;
      std::function<void()> task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace orv::http
