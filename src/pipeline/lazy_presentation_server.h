// The presentation server of both programs: LibreOffice, started only when
// the first presentation needs it and kept for the rest of the batch, so a
// batch of picture folders never starts it.
#pragma once

#include <atomic>
#include <memory>

#include "pipeline/automation.h"

namespace orv {

class LazyPresentationServer final : public AutomationServer {
 public:
  LazyPresentationServer();
  ~LazyPresentationServer() override;
  ServerStart CreateObject(std::string_view className) override;
  void EndNow() override;

 private:
  std::unique_ptr<AutomationServer> server_;
  // The same server for EndNow, which may come from another thread.
  std::atomic<AutomationServer*> live_{nullptr};
};

}  // namespace orv
