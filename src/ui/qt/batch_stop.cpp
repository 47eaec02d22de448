#include "ui/qt/batch_stop.h"

#include "base/progress.h"

namespace orv {

void BatchStop::Begin() {
  running_ = true;
  requested_ = false;
  escSeen_ = false;
  current_ = nullptr;
}

void BatchStop::End() {
  running_ = false;
  current_ = nullptr;
}

void BatchStop::Request() {
  if (!running_) return;
  requested_ = true;
  if (current_ != nullptr) current_->RequestCancel();
}

bool BatchStop::NoteEsc(Clock::time_point now) {
  if (!running_) return false;
  const bool second = escSeen_ && now - lastEsc_ <= kSecondEscWithin;
  escSeen_ = true;
  lastEsc_ = now;
  if (second) Request();
  return second;
}

}  // namespace orv
