#include "pipeline/office/office_session.h"

#include <signal.h>

#include <chrono>
#include <mutex>
#include <thread>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XDesktop.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

namespace orv::office {

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

OUString ToUno(const std::string& text) {
  return rtl::OStringToOUString(rtl::OString(text.data(), static_cast<sal_Int32>(text.size())), RTL_TEXTENCODING_UTF8);
}

std::string FromUno(const OUString& text) {
  rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(bytes.getStr(), static_cast<std::size_t>(bytes.getLength()));
}

namespace {

// The component context of this process: just enough of UNO to reach the
// office over a pipe. Bootstrapped once; the type libraries are the office's.
Reference<uno::XComponentContext> LocalContext(const std::string& officeRoot, std::string& error) {
  static std::mutex mutex;
  static Reference<uno::XComponentContext> context;
  std::lock_guard<std::mutex> lock(mutex);
  if (context.is()) return context;
  const std::string program = "file://" + officeRoot + "/program";
  try {
    rtl::Bootstrap::set("UNO_TYPES", ToUno(program + "/types.rdb " + program + "/types/offapi.rdb"));
    rtl::Bootstrap::set("UNO_SERVICES", ToUno(program + "/services.rdb"));
    context = cppu::defaultBootstrap_InitialComponentContext(ToUno(program + "/unorc"));
  } catch (const uno::Exception& e) {
    error = "Cannot start the UNO runtime: " + FromUno(e.Message);
  } catch (const std::exception& e) {
    error = std::string("Cannot start the UNO runtime: ") + e.what();
  }
  return context;
}

}  // namespace

std::shared_ptr<OfficeSession> OfficeSession::Start(const OfficeBackendOptions& options, std::string& error) {
  // A LibreOffice that dies while a request is being written must cost an
  // automation error, not this process: a broken pipe is reported by the
  // write instead of a signal. Only the default disposition is replaced.
  struct sigaction current {};
  if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) signal(SIGPIPE, SIG_IGN);
  std::shared_ptr<OfficeSession> session(new OfficeSession());
  if (!session->process_.Start(options.officeRoot, error, options.liveGroup)) return nullptr;
  Reference<uno::XComponentContext> local = LocalContext(options.officeRoot, error);
  if (!local.is()) return nullptr;  // the destructor ends the process
  session->context_ = local;
  if (!session->Connect(options.startTimeoutSeconds, error)) return nullptr;
  session->ReadVersion();
  return session;
}

bool OfficeSession::Connect(int timeoutSeconds, std::string& error) {
  try {
    Reference<bridge::XUnoUrlResolver> resolver(
        context_->getServiceManager()->createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", context_),
        UNO_QUERY_THROW);
    const OUString url = ToUno("uno:pipe,name=" + process_.pipeName() + ";urp;StarOffice.ComponentContext");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
      try {
        Reference<uno::XComponentContext> remote(resolver->resolve(url), UNO_QUERY_THROW);
        factory_ = remote->getServiceManager();
        context_ = remote;
        break;
      } catch (const connection::NoConnectException&) {
        if (process_.KilledFromOutside() || !process_.Running()) {
          error = "LibreOffice ended before accepting a connection: " + process_.LogTail();
          return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
          error = "LibreOffice did not accept a connection within " + std::to_string(timeoutSeconds) + " s";
          return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    loader_.set(factory_->createInstanceWithContext("com.sun.star.frame.Desktop", context_), UNO_QUERY_THROW);
    return true;
  } catch (const uno::Exception& e) {
    error = "Cannot connect to LibreOffice: " + FromUno(e.Message);
    return false;
  }
}

void OfficeSession::ReadVersion() {
  try {
    Reference<lang::XMultiServiceFactory> provider(
        factory_->createInstanceWithContext("com.sun.star.configuration.ConfigurationProvider", context_),
        UNO_QUERY_THROW);
    beans::PropertyValue path;
    path.Name = "nodepath";
    path.Value <<= OUString("/org.openoffice.Setup/Product");
    uno::Any pathArg(path);
    uno::Sequence<uno::Any> args(&pathArg, 1);
    Reference<container::XNameAccess> product(
        provider->createInstanceWithArguments("com.sun.star.configuration.ConfigurationAccess", args), UNO_QUERY_THROW);
    OUString version;
    product->getByName("ooSetupVersionAboutBox") >>= version;
    version_ = FromUno(version);
  } catch (const uno::Exception&) {
    version_.clear();
  }
}

Reference<uno::XInterface> OfficeSession::CreateInstance(const char* service) {
  return factory_->createInstanceWithContext(OUString::createFromAscii(service), context_);
}

bool OfficeSession::Alive() {
  if (process_.processGroup() == 0) return false;
  // A kill from outside counts at once: soffice may take a moment to die,
  // and a call on its bridge meanwhile would fail.
  if (!lost_ && !process_.KilledFromOutside() && process_.Running()) return true;
  // Gone or unreachable: whatever is left of the group ends now, so nothing
  // lingers until the server is destroyed.
  lost_ = true;
  process_.End(0.0);
  return false;
}

OfficeSession::~OfficeSession() {
  double grace = 0.0;
  if (Alive() && loader_.is()) {
    try {
      Reference<frame::XDesktop> desktop(loader_, UNO_QUERY);
      if (desktop.is()) desktop->terminate();
      grace = 10.0;
    } catch (const uno::Exception&) {
      // The connection closes while terminate() runs; that is its success.
      grace = 10.0;
    }
  }
  loader_.clear();
  factory_.clear();
  context_.clear();
  process_.End(grace);
}

}  // namespace orv::office
