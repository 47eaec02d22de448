// The presentation server of both programs: LibreOffice, started only when
// the first presentation needs it and kept for the rest of the batch, so a
// batch of picture folders never starts it.
#pragma once

#include <atomic>
#include <memory>

#include "pipeline/automation.h"

namespace orv {

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

 private:
  int restartEvery_;
  std::unique_ptr<AutomationServer> server_;
  // The same server for EndNow, which may come from another thread.
  std::atomic<AutomationServer*> live_{nullptr};
};

}  // namespace orv
