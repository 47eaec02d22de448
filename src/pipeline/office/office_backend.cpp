// The plugin's entry point and the server it makes: application objects
// share one LibreOffice process. With keepProcess (a batch) the process lives
// until the backend is destroyed and each application's Quit closes only its
// own documents; without it, the process ends when the last application
// object that uses it quits or is released.
#include <memory>
#include <string>

#include "pipeline/office/office_objects.h"
#include "pipeline/office/office_session.h"
#include "pipeline/office_plugin_api.h"

namespace orv::office {
namespace {

class Backend final : public OfficeBackend {
 public:
  explicit Backend(OfficeBackendOptions options) : options_(std::move(options)) {}
  ~Backend() override { kept_.reset(); }

  ServerStart CreateObject(std::string_view className) override {
    ServerStart start;
    if (className != "Powerpoint.Application") {
      start.failureCode = kInvalidClassString;
      start.description = "No server answers the class name " + std::string(className);
      return start;
    }
    std::shared_ptr<OfficeSession> session = current_.lock();
    // LibreOffice's memory grows with every document it has held; a batch
    // moves to a fresh process now and then. The old one ends as soon as the
    // last object of its presentation is released.
    const bool worn = options_.keepProcess && options_.restartEvery > 0 && served_ >= options_.restartEvery;
    if (!session || worn || !session->Alive()) {
      // A LibreOffice that died (or was killed) is replaced by a new one.
      kept_.reset();
      session.reset();
      std::string error;
      session = OfficeSession::Start(options_, error);
      if (!session) {
        start.failureCode = error.rfind("LibreOffice is needed", 0) == 0 ? kClassNotRegistered : kServerExecFailure;
        start.description = error;
        return start;
      }
      current_ = session;
      if (options_.keepProcess) kept_ = session;
      version_ = session->version();
      served_ = 0;
    }
    ++served_;
    start.application = MakeApplication(std::make_shared<ApplicationContext>(session, !options_.keepProcess));
    return start;
  }

  std::int64_t processGroup() const override {
    std::shared_ptr<OfficeSession> session = current_.lock();
    return session ? session->processGroup() : 0;
  }

  std::string officeVersion() const override { return version_; }

 private:
  OfficeBackendOptions options_;
  std::shared_ptr<OfficeSession> kept_;
  std::weak_ptr<OfficeSession> current_;
  std::string version_;
  int served_ = 0;  // application objects of the current process
};

}  // namespace
}  // namespace orv::office

extern "C" __attribute__((visibility("default"))) orv::OfficeBackend* orvanta_create_office_backend(
    int abi, const orv::OfficeBackendOptions* options, std::string* error) {
  if (abi != orv::kOfficeBackendAbi || options == nullptr) {
    if (error != nullptr) *error = "The LibreOffice plugin does not match this program";
    return nullptr;
  }
  try {
    return new orv::office::Backend(*options);
  } catch (const std::exception& e) {
    if (error != nullptr) *error = e.what();
    return nullptr;
  }
}
