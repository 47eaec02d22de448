// The progress seam on a terminal: a one-line bar with the percentage and the
// status text, redrawn in place. Esc (when the terminal is ours) and Ctrl-C
// cancel the current presentation (stop_signals.h); the batch goes on with
// the next one.
// Without a terminal it prints plain lines instead.
#pragma once

#include <cstdio>
#include <string>

#include "base/progress.h"

namespace orv::cli {

class TerminalProgress final : public Progress {
 public:
  // `label` names the presentation in plain-line mode. A quiet view shows
  // nothing, but still takes Esc and Ctrl-C.
  explicit TerminalProgress(std::string label, std::FILE* out = stderr, bool quiet = false);
  ~TerminalProgress() override;

 protected:
  bool OnBegin() override;
  void OnStatus(const std::string& text) override;
  void OnCaption(const std::string& caption) override;
  void OnBar(std::int32_t position) override;
  void OnPump(bool escCancels) override;
  void OnCancelled() override;

 private:
  void Redraw();
  void EndLine();
  bool EscPressed();

  std::string label_;
  std::FILE* out_;
  bool interactive_;
  bool quiet_;
  bool drawn_ = false;
  int ttyFd_ = -1;
  bool rawMode_ = false;
  std::int32_t lastPrintedPercent_ = -1;
};

}  // namespace orv::cli
