#include "pipeline/lazy_presentation_server.h"

#include "pipeline/office_server.h"

namespace orv {

// Made when either program starts: the right moment to sweep up after runs
// that were killed.
LazyPresentationServer::LazyPresentationServer(int restartEvery) : restartEvery_(restartEvery) {
  RemoveLeftoversOfDeadRuns();
}
LazyPresentationServer::~LazyPresentationServer() = default;

ServerStart LazyPresentationServer::CreateObject(std::string_view className) {
  // The LibreOffice server is made for the first presentation only; it loads
  // its plugin and starts LibreOffice then, and keeps it for the batch.
  if (!server_) {
    OfficeBackendOptions options;
    options.restartEvery = restartEvery_;
    server_ = std::make_unique<OfficeServer>(options);
    live_ = server_.get();
  }
  const std::int64_t before = server_->processGroup();
  ServerStart start = server_->CreateObject(className);
  const std::int64_t after = server_->processGroup();
  if (after != 0 && after != before) ++starts_;
  return start;
}

void LazyPresentationServer::EndNow() {
  if (AutomationServer* server = live_.load()) server->EndNow();
}

}  // namespace orv
