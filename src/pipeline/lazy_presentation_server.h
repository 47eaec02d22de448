// The presentation server of both programs: LibreOffice, started only when
// the first presentation needs it and kept for the rest of the batch, so a
// batch of picture folders never starts it.
#pragma once

#include <atomic>
#include <memory>

#include "pipeline/automation.h"

namespace orv {

class OfficeServer;

// Presentations per LibreOffice in a batch. Its resident memory grows by
// about 2 MiB with every presentation and never falls back (about 220 MiB
// after the first, 465 MiB after 100: bench/office_memory.py); a fresh
// process after 25 keeps it near 320 MiB for about 2 s of start per 25.
inline constexpr int kOfficeRestartInterval = 25;

class LazyPresentationServer final : public AutomationServer {
 public:
  // `restartEvery`: presentations per LibreOffice.
  explicit LazyPresentationServer(int restartEvery = kOfficeRestartInterval);
  ~LazyPresentationServer() override;
  ServerStart CreateObject(std::string_view className) override;
  void EndNow() override;
  // How many times LibreOffice has been started so far (after a restart
  // interval, or to replace one that was ended or died); from any thread.
  int starts() const { return starts_.load(); }

 private:
  int restartEvery_;
  std::unique_ptr<OfficeServer> server_;
  std::atomic<int> starts_{0};
  // The same server for EndNow, which may come from another thread.
  std::atomic<AutomationServer*> live_{nullptr};
};

}  // namespace orv
