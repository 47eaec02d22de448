#include "pool/pump_call_wait.h"

namespace orv::pool {

void PumpCallWait::Wait(std::chrono::milliseconds limit, const std::function<bool()>& finished) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!finished() && std::chrono::steady_clock::now() < until) {
    {
      std::unique_lock lock(mutex_);
      woken_.wait_for(lock, std::chrono::milliseconds(50));
    }
    if (progress_ != nullptr) progress_->PumpMessages(true);
  }
}

void PumpCallWait::Wake() {
  std::lock_guard lock(mutex_);
  woken_.notify_all();
}

}  // namespace orv::pool
