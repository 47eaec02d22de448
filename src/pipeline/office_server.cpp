#include "pipeline/office_server.h"

#include "base/owner_tag.h"
#include "base/paths.h"

#include <dlfcn.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <vector>

namespace orv {
namespace {

constexpr char kPluginName[] = "liborvanta_office.so";

bool ProcessGone(long pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

// The pid in "<prefix><pid>_..." / "<prefix><pid>-...", or 0.
long OwnerAfter(const std::string& name, const std::string& prefix) {
  std::size_t at = name.find(prefix);
  if (at == std::string::npos) return 0;
  long pid = 0;
  if (std::sscanf(name.c_str() + at + prefix.size(), "%ld", &pid) != 1) return 0;
  return pid;
}

// A profile's name carries its host ("orvanta-office-<pid>-<host>~XXXXXX");
// one of another machine sharing the temporary folder is never judged here.
// Names of earlier versions carry none and count as this host's.
bool OfThisHost(const std::string& name) {
  const std::size_t dash = name.find('-', std::string_view("orvanta-office-").size());
  const std::size_t tilde = name.find('~');
  if (dash == std::string::npos || tilde == std::string::npos || tilde < dash) return true;
  return name.substr(dash + 1, tilde - dash - 1) == ThisHost();
}

// True when a socket of ours at `path` refuses connections: no process
// listens on it any more.
bool DeadSocket(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != ::geteuid()) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool refused = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && errno == ECONNREFUSED;
  ::close(fd);
  return refused;
}

}  // namespace

void RemoveLeftoversOfDeadRuns() {
  const long self = static_cast<long>(::getpid());
  // LibreOffice puts its sockets in /tmp whatever TMPDIR says; profiles go
  // to the temporary folder.
  std::set<std::string> folders = {"/tmp/", SystemTempFolder()};
  for (const std::string& folder : folders) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      const std::string path = it->path().string();
      std::error_code ignored;
      if (name.rfind("orvanta-office-", 0) == 0) {
        long owner = OwnerAfter(name, "orvanta-office-");
        if (owner != self && OfThisHost(name) && ProcessGone(owner)) std::filesystem::remove_all(path, ignored);
      } else if (name.rfind("OSL_PIPE_", 0) == 0) {
        // Our connection pipes name their program; the instance pipe of a
        // private profile ("SingleOfficeIPC_...") names nobody.
        long owner = OwnerAfter(name, "_orvanta_");
        bool ours = owner != 0 && owner != self && ProcessGone(owner);
        bool instance = name.find("_SingleOfficeIPC_") != std::string::npos;
        if ((ours || instance) && DeadSocket(path)) std::filesystem::remove(path, ignored);
      }
    }
  }
}

OfficeServer::OfficeServer(OfficeBackendOptions options) : options_(std::move(options)) {
  options_.liveGroup = &liveGroup_;
}

void OfficeServer::EndNow() {
  // soffice and everything it started share its group; the guardian goes
  // with them. The owner notices at its next call and starts afresh.
  // The id is marked (negated) first, so that the owner's next call starts a
  // fresh LibreOffice even while this one is still dying.
  std::int64_t group = liveGroup_.load();
  if (group > 0 && !liveGroup_.compare_exchange_strong(group, -group)) return;  // ended or replaced meanwhile
  if (group != 0) ::kill(-static_cast<pid_t>(group > 0 ? group : -group), SIGKILL);
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
