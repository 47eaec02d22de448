// The progress view of a worker process: it draws nothing itself but tells
// the parent of a parallel run what to draw, as events on a pipe. A Ctrl-C
// forwarded by the parent cancels the entry, as on a terminal.
#pragma once

#include <cstdio>
#include <string>

#include "base/progress.h"

namespace orv::pool {

class WorkerProgress final : public Progress {
 public:
  // `entry`: the number of the entry among this worker's, from 1.
  WorkerProgress(std::FILE* events, int entry) : events_(events), entry_(entry) {}

 protected:
  bool OnBegin() override;
  void OnStatus(const std::string& text) override;
  void OnCaption(const std::string& caption) override;
  void OnPump(bool escCancels) override;
  void OnCancelled() override;

 private:
  std::FILE* events_;
  int entry_;
  std::int32_t lastSentPercent_ = -1;
};

}  // namespace orv::pool
