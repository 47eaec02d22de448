// One running LibreOffice and the UNO connection to it: its desktop (the
// document loader) and its service factory.
#pragma once

#include <memory>
#include <string>

#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "pipeline/office/office_process.h"
#include "pipeline/office_plugin_api.h"

namespace orv::office {

class OfficeSession {
 public:
  // Starts soffice and connects to it; null with `error` set on failure.
  static std::shared_ptr<OfficeSession> Start(const OfficeBackendOptions& options, std::string& error);
  // Asks the desktop to terminate, then ends the process group.
  ~OfficeSession();
  OfficeSession(const OfficeSession&) = delete;
  OfficeSession& operator=(const OfficeSession&) = delete;

  // False once the process has gone or the connection was lost.
  bool Alive();
  void MarkLost() { lost_ = true; }

  css::uno::Reference<css::uno::XInterface> CreateInstance(const char* service);
  const css::uno::Reference<css::frame::XComponentLoader>& loader() const { return loader_; }
  const css::uno::Reference<css::uno::XComponentContext>& context() const { return context_; }
  const std::string& version() const { return version_; }
  pid_t processGroup() const { return process_.processGroup(); }

 private:
  OfficeSession() = default;
  bool Connect(int timeoutSeconds, std::string& error);
  void ReadVersion();

  OfficeProcess process_;
  css::uno::Reference<css::uno::XComponentContext> context_;
  css::uno::Reference<css::lang::XMultiComponentFactory> factory_;
  css::uno::Reference<css::frame::XComponentLoader> loader_;
  std::string version_;
  bool lost_ = false;
};

// UTF-8 <-> UNO strings.
rtl::OUString ToUno(const std::string& text);
std::string FromUno(const rtl::OUString& text);

}  // namespace orv::office
