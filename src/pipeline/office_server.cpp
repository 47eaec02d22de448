#include "pipeline/office_server.h"

#include "base/paths.h"

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace orv {
namespace {

constexpr char kPluginName[] = "liborvanta_office.so";

}  // namespace

OfficeServer::OfficeServer(OfficeBackendOptions options) : options_(std::move(options)) {
  options_.liveGroup = &liveGroup_;
}

void OfficeServer::EndNow() {
  // soffice and everything it started share its group; the guardian goes
  // with them. The owner notices at its next call and starts afresh.
  std::int64_t group = liveGroup_.load();
  if (group > 0) ::kill(-static_cast<pid_t>(group), SIGKILL);
}

// The backend ends LibreOffice. The plugin stays loaded: the UNO runtime
// keeps threads that must not lose their code.
OfficeServer::~OfficeServer() { backend_.reset(); }

std::vector<std::string> OfficeServer::PluginCandidates() {
  std::vector<std::string> candidates;
  std::string folder = ProgramFolder();
  if (!folder.empty()) {
    candidates.push_back(folder + "/" + kPluginName);
    candidates.push_back(folder + "/../lib/orvanta/" + kPluginName);
    candidates.push_back(folder + "/../lib/" + kPluginName);
  }
#ifdef ORVANTA_OFFICE_PLUGIN_BUILD_DIR
  candidates.push_back(std::string(ORVANTA_OFFICE_PLUGIN_BUILD_DIR) + "/" + kPluginName);
#endif
  return candidates;
}

bool OfficeServer::LoadBackend(std::string& error) {
  if (backend_) return true;
  const std::string soffice = options_.officeRoot + "/program/soffice";
  if (access(soffice.c_str(), X_OK) != 0) {
    error = "LibreOffice is needed to read presentations, but it is not installed (" + soffice + " is missing)";
    return false;
  }
  std::string path;
  for (const auto& candidate : PluginCandidates()) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(candidate, ec)) {
      path = candidate;
      break;
    }
  }
  if (path.empty()) {
    error = std::string("LibreOffice is needed to read presentations, but the bridge to it (") + kPluginName +
            ") was not found beside the program";
    return false;
  }
  void* plugin = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (plugin == nullptr) {
    const char* why = dlerror();
    error = "LibreOffice is needed to read presentations, but its libraries cannot be loaded: " +
            std::string(why != nullptr ? why : path);
    return false;
  }
  auto factory = reinterpret_cast<OfficeBackendFactory>(dlsym(plugin, kOfficeBackendFactory));
  if (factory == nullptr) {
    error = "The LibreOffice bridge " + path + " is damaged";
    return false;
  }
  std::string reason;
  backend_.reset(factory(kOfficeBackendAbi, &options_, &reason));
  if (!backend_) {
    error = reason.empty() ? "The LibreOffice bridge cannot be started" : reason;
    return false;
  }
  return true;
}

ServerStart OfficeServer::CreateObject(std::string_view className) {
  std::string error;
  if (!LoadBackend(error)) {
    ServerStart start;
    start.failureCode = kClassNotRegistered;
    start.description = error;
    return start;
  }
  return backend_->CreateObject(className);
}

std::int64_t OfficeServer::processGroup() const { return backend_ ? backend_->processGroup() : 0; }

std::string OfficeServer::officeVersion() const { return backend_ ? backend_->officeVersion() : std::string(); }

}  // namespace orv
