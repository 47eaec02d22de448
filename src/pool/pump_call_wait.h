// How the command line waits while LibreOffice answers a call on its own
// thread: the entry's progress view is pumped every 50 ms, so that a Ctrl-C,
// an Esc on the terminal or a SIGTERM cancels the presentation in the middle
// of a long call (LibreOffice's start, a long export) instead of after it.
#pragma once

#include <condition_variable>
#include <mutex>

#include "base/progress.h"
#include "pipeline/server_thread.h"

namespace orv::pool {

class PumpCallWait final : public CallWait {
 public:
  // The progress view of the entry at hand; null between entries.
  void Watch(Progress* progress) { progress_ = progress; }

  void Wait(std::chrono::milliseconds limit, const std::function<bool()>& finished) override;
  void Wake() override;
  bool CancelRequested() override { return progress_ != nullptr && progress_->cancelled(); }

 private:
  Progress* progress_ = nullptr;
  std::mutex mutex_;
  std::condition_variable woken_;
};

}  // namespace orv::pool
