#include "pipeline/office/office_process.h"

#include "pipeline/office/profile_seed.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

namespace orv::office {
namespace {

namespace fs = std::filesystem;

// Locking off: no ".~lock.<name>#" file is written beside the presentations
// we open. The first-start dialogs are skipped.
constexpr char kProfileSettings[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="UseLocking" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Security/Scripting"><prop oor:name="MacroSecurityLevel" oor:op="fuse"><value>3</value></prop></item>
</oor:items>
)";

std::string TempBase() {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
  if (base.back() != '/') base += '/';
  return base;
}

// This machine's name as profile names carry it: a temporary folder may be
// shared between the machines of a cluster.
std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  std::string host(name);
  for (char& c : host) {
    if (c == '/' || c == '~') c = '_';
  }
  return host;
}

// Profiles of programs that died without cleaning up (killed, crashed) are
// removed by the next start: the folder names carry the owner's pid and host
// ("orvanta-office-<pid>-<host>~XXXXXX"); another host's are never judged.
void RemoveOrphanedProfiles(const std::string& base) {
  std::error_code ec;
  const std::string host = HostName();
  for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    long owner = 0;
    int consumed = 0;
    if (std::sscanf(name.c_str(), "orvanta-office-%ld-%n", &owner, &consumed) != 1 || owner <= 0) continue;
    if (owner == static_cast<long>(getpid())) continue;
    const std::size_t tilde = name.find('~', static_cast<std::size_t>(consumed));
    if (tilde != std::string::npos && name.substr(static_cast<std::size_t>(consumed), tilde - consumed) != host) {
      continue;
    }
    if (kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH) {
      std::error_code ignored;
      fs::remove_all(it->path(), ignored);
    }
  }
}

std::string UniquePipeName() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  std::ostringstream name;
  name << "orvanta_" << getpid() << "_" << counter++ << "_" << std::hex << random();
  return name.str();
}

// A fresh profile folder under the temporary folder, its name carrying our
// pid, with our settings in it; empty with `error` set when it cannot be made.
std::string CreateProfile(std::string& error) {
  RemoveOrphanedProfiles(TempBase());
  std::string pattern = TempBase() + "orvanta-office-" + std::to_string(getpid()) + "-" + HostName() + "~XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    error = std::string("Cannot create a private LibreOffice profile: ") + std::strerror(errno);
    return {};
  }
  const std::string folder = buffer.data();
  std::error_code ec;
  fs::create_directories(folder + "/profile/user", ec);
  std::ofstream settings(folder + "/profile/user/registrymodifications.xcu", std::ios::binary);
  settings << kProfileSettings;
  return folder;
}

// True when the locale our environment names for characters (LC_ALL,
// LC_CTYPE, LANG) is installed and UTF-8.
bool Utf8LocaleInstalled() {
  locale_t locale = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return false;  // named, but not installed here
  const char* codeset = nl_langinfo_l(CODESET, locale);
  const bool utf8 = codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
  freelocale(locale);
  return utf8;
}

// Our environment with TMPDIR pointing inside the profile: LibreOffice's own
// temporary files then leave with it even when nobody lives to remove them.
// LibreOffice turns file URLs into paths in the locale's character set:
// under cron, systemd or env -i (C, POSIX, nothing set), or a locale that is
// not installed, a Chinese or German name could not be opened. It then gets
// C.UTF-8, which every Debian system has.
std::vector<std::string> ChildEnvironment(const std::string& folder) {
  std::error_code ec;
  fs::create_directories(folder + "/tmp", ec);
  const bool keepLocale = Utf8LocaleInstalled();
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "TMPDIR=", 7) == 0) continue;
    const bool locale = std::strncmp(*e, "LC_", 3) == 0 || std::strncmp(*e, "LANG=", 5) == 0;
    if (locale && !keepLocale) continue;
    env.emplace_back(*e);
  }
  if (!keepLocale) env.emplace_back("LANG=C.UTF-8");
  env.push_back("TMPDIR=" + folder + "/tmp");
  return env;
}

// The null-terminated pointer array exec wants; `strings` must outlive it.
std::vector<char*> PointerArray(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (auto& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// The descriptors soffice's child side needs, all close-on-exec.
struct ChildFiles {
  int log = -1;
  int devNull = -1;
  int guard[2] = {-1, -1};  // the guardian's pipe

  bool Open(const std::string& logPath) {
    log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    return log >= 0 && devNull >= 0 && pipe2(guard, O_CLOEXEC) == 0;
  }
  // The log and /dev/null are only the child's; the parent closes them.
  void CloseStdio() {
    if (log >= 0) close(log);
    if (devNull >= 0) close(devNull);
  }
};

// The forked child becomes soffice; only async-signal-safe calls from here.
[[noreturn]] void ExecSoffice(pid_t parent, const ChildFiles& files, char* const* argv, char* const* envp) {
  setpgid(0, 0);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
  dup2(files.devNull, 0);
  dup2(files.log, 1);
  dup2(files.log, 2);
  execve(argv[0], argv, envp);
  _exit(127);
}

// The terminal and termination signals that end a program (or its whole
// process group, or soffice's): the guardian ignores them all, so that it
// outlives whatever it guards.
constexpr int kSignalsTheGuardianIgnores[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGTSTP, SIGTTIN, SIGTTOU};

// The guardian lives in soffice's group and waits for the end of the pipe:
// when this process dies its write end closes and the guardian ends the
// group. After a normal end it is killed with the group. It starts with
// those signals held back (see Start) and lets them in once it ignores them.
[[noreturn]] void GuardGroup(pid_t group, const int guard[2], const sigset_t& previousMask) {
  for (int signal : kSignalsTheGuardianIgnores) ::signal(signal, SIG_IGN);
  sigprocmask(SIG_SETMASK, &previousMask, nullptr);
  setpgid(0, group);
  close(guard[1]);
  char byte = 0;
  ssize_t got;
  do {
    got = read(guard[0], &byte, 1);
  } while (got < 0 && errno == EINTR);
  kill(-group, SIGKILL);
  _exit(0);
}

}  // namespace

std::string FileUrl(const std::string& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  const std::string text = ec ? path : absolute.string();
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : text) {
    if (std::isalnum(c) != 0 || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

OfficeProcess::~OfficeProcess() { End(0.0); }

bool OfficeProcess::Start(const std::string& officeRoot, std::string& error, std::atomic<std::int64_t>* liveGroup) {
  const std::string soffice = officeRoot + "/program/soffice";
  if (access(soffice.c_str(), X_OK) != 0) {
    error = "LibreOffice is needed but was not found (" + soffice + " is missing)";
    return false;
  }
  folder_ = CreateProfile(error);
  if (folder_.empty()) return false;
  seed_ = ExtensionSeedFolder(officeRoot);
  PlantExtensionSeed(seed_, folder_ + "/profile");
  pipeName_ = UniquePipeName();
  logPath_ = folder_ + "/soffice.log";

  // Everything the child needs is prepared before fork: after it only
  // async-signal-safe calls are made.
  std::vector<std::string> argStrings = {soffice,
                                         "--headless",
                                         "--invisible",
                                         "--norestore",
                                         "--nologo",
                                         "--nodefault",
                                         "--nolockcheck",
                                         "--accept=pipe,name=" + pipeName_ + ";urp;",
                                         "-env:UserInstallation=" + FileUrl(folder_ + "/profile")};
  const std::vector<char*> argv = PointerArray(argStrings);
  std::vector<std::string> envStrings = ChildEnvironment(folder_);
  const std::vector<char*> envp = PointerArray(envStrings);

  std::error_code ec;
  ChildFiles files;
  if (!files.Open(logPath_)) {
    error = std::string("Cannot prepare LibreOffice's start: ") + std::strerror(errno);
    files.CloseStdio();
    fs::remove_all(folder_, ec);
    return false;
  }

  const pid_t parent = getpid();
  pid_t child = fork();
  if (child == 0) ExecSoffice(parent, files, argv.data(), envp.data());
  files.CloseStdio();
  if (child < 0) {
    error = std::string("Cannot start LibreOffice: ") + std::strerror(errno);
    close(files.guard[0]);
    close(files.guard[1]);
    fs::remove_all(folder_, ec);
    return false;
  }
  setpgid(child, child);  // also done by the child; whichever runs first wins
  group_ = child;
  exited_ = false;
  liveGroup_ = liveGroup;
  if (liveGroup_ != nullptr) liveGroup_->store(child);

  sigset_t held;
  sigset_t previousMask;
  sigemptyset(&held);
  for (int signal : kSignalsTheGuardianIgnores) sigaddset(&held, signal);
  pthread_sigmask(SIG_BLOCK, &held, &previousMask);
  pid_t guardian = fork();
  if (guardian == 0) GuardGroup(child, files.guard, previousMask);
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
  close(files.guard[0]);
  guardianPipe_ = files.guard[1];
  guardian_ = guardian > 0 ? guardian : 0;
  if (guardian < 0) {
    // Without a guardian LibreOffice could outlive us: do not run it.
    End(0.0);
    error = std::string("Cannot start LibreOffice's watchdog: ") + std::strerror(errno);
    return false;
  }
  return true;
}

bool OfficeProcess::Running() {
  if (group_ == 0 || exited_) return false;
  int status = 0;
  pid_t r = waitpid(group_, &status, WNOHANG);
  if (r == group_ || (r < 0 && errno == ECHILD)) exited_ = true;
  return !exited_;
}

bool OfficeProcess::KilledFromOutside() const {
  return group_ != 0 && liveGroup_ != nullptr && liveGroup_->load() == -static_cast<std::int64_t>(group_);
}

void OfficeProcess::End(double seconds) {
  if (group_ == 0) return;
  if (liveGroup_ != nullptr) {
    // Withdrawn before the group is reaped, so that nobody signals a reused id.
    std::int64_t mine = group_;
    if (!liveGroup_->compare_exchange_strong(mine, 0)) {
      mine = -static_cast<std::int64_t>(group_);
      liveGroup_->compare_exchange_strong(mine, 0);
    }
    liveGroup_ = nullptr;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (Running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // soffice forks soffice.bin: whatever is left of the group goes, the
  // guardian with it.
  kill(-group_, SIGKILL);
  // The grandchildren are reaped by init; give it a moment so that the group
  // is really gone when this returns.
  for (int i = 0; i < 600 && kill(-group_, 0) == 0; ++i) {  // three seconds at most
    if (!exited_) Running();
    if (guardian_ > 0 && waitpid(guardian_, nullptr, WNOHANG) == guardian_) guardian_ = 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!exited_) {
    while (waitpid(group_, nullptr, 0) < 0 && errno == EINTR) {
    }
    exited_ = true;
  }
  if (guardianPipe_ >= 0) {
    close(guardianPipe_);
    guardianPipe_ = -1;
  }
  if (guardian_ > 0) {
    while (waitpid(guardian_, nullptr, 0) < 0 && errno == EINTR) {
    }
    guardian_ = 0;
  }
  group_ = 0;
  KeepExtensionSeed(seed_, folder_ + "/profile");
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

std::string OfficeProcess::LogTail() const {
  std::string text;
  if (FILE* file = std::fopen(logPath_.c_str(), "rb")) {
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    std::fclose(file);
  }
  if (text.size() > 600) text = text.substr(text.size() - 600);
  return text;
}

}  // namespace orv::office
