// Stopping a whole batch from the desktop: the progress window's Stop
// button, or a second Esc within a few seconds of the one that cancelled a
// presentation (as two Ctrl-C do in the command line). Either cancels the
// presentation at hand and every one after it.
#pragma once

#include <chrono>

namespace orv {

class Progress;

class BatchStop {
 public:
  using Clock = std::chrono::steady_clock;
  // How soon a second Esc must follow the first to stop the batch.
  static constexpr std::chrono::seconds kSecondEscWithin{3};

  // A batch starts or ends; nothing is requested at its start.
  void Begin();
  void End();
  bool running() const { return running_; }

  // The view of the presentation at hand, cancelled by a stop; null between two.
  void SetCurrent(Progress* progress) { current_ = progress; }

  // Stops the batch: the presentation at hand is cancelled, none after it starts.
  void Request();
  bool requested() const { return requested_; }

  // An Esc during the batch. True when it came within kSecondEscWithin of
  // the previous one: the batch is then stopped.
  bool NoteEsc(Clock::time_point now = Clock::now());

 private:
  bool running_ = false;
  bool requested_ = false;
  bool escSeen_ = false;
  Clock::time_point lastEsc_;
  Progress* current_ = nullptr;
};

}  // namespace orv
