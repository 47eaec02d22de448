#include "pipeline/lazy_presentation_server.h"

namespace orv {

LazyPresentationServer::LazyPresentationServer() = default;
LazyPresentationServer::~LazyPresentationServer() = default;

ServerStart LazyPresentationServer::CreateObject(std::string_view className) {
  if (!tried_) {
    tried_ = true;
    loadFailure_.failureCode = kClassNotRegistered;
    loadFailure_.description = "the LibreOffice bridge is not available";
  }
  if (server_) return server_->CreateObject(className);
  return loadFailure_;
}

}  // namespace orv
