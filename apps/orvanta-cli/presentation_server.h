// The presentation server of the command line: LibreOffice, started only
// when the first presentation needs it and kept for the rest of the batch.
#pragma once

#include <memory>

#include "pipeline/automation.h"

namespace orv::cli {

class LazyPresentationServer final : public AutomationServer {
 public:
  LazyPresentationServer();
  ~LazyPresentationServer() override;
  ServerStart CreateObject(std::string_view className) override;

 private:
  std::unique_ptr<AutomationServer> server_;
  ServerStart loadFailure_;
  bool tried_ = false;
};

}  // namespace orv::cli
