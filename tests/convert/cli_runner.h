// Runs the real orvanta-cli convert for the integration tests, in a test's
// own settings, cache and temporary folders, and looks for what a run left:
// processes, LibreOffice's sockets, working folders, half-copied players.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/files.h"

namespace orv {
namespace fs = std::filesystem;

struct CliRun {
  int status = -1;  // exit status, or -1 when killed by a signal
  int signal = 0;   // the signal that ended it
  std::string err;
  pid_t pid = 0;
};

struct CliOptions {
  rlim_t fileSizeLimit = 0;              // > 0: no file it (or LibreOffice) writes may grow larger
  std::string interruptOn;               // one Ctrl-C as soon as standard error shows this
  std::string tmpdir;                    // TMPDIR of the run, when set
  std::vector<std::string> environment;  // more NAME=value entries for the run
  uid_t user = 0;                        // runs as this user (and its group) when not 0
  bool ownGroup = false;                 // leads a process group of its own, as a shell's job does
  // Called with the run's pid each time standard error grows.
  std::function<void(pid_t, const std::string&)> watch;
  std::string command = "convert";    // the subcommand
  std::vector<std::string> launcher;  // a program that runs the command (strace ...), when set
  std::string* out = nullptr;         // takes standard output when set (else /dev/null)
  bool bare = false;                  // only HOME, PATH and TMPDIR, as cron or env -i leave them
};

// Runs orvanta-cli convert with `args`. Everything the child needs is made
// before fork: several runs may be under way from several threads.
// Our environment with the settings, cache and temporary folders of a test.
inline std::vector<std::string> CliEnvironment(const std::string& configHome, const std::string& tmpdir) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string_view entry(*e);
    if (entry.rfind("XDG_CONFIG_HOME=", 0) == 0 || entry.rfind("TMPDIR=", 0) == 0 || entry.rfind("HOME=", 0) == 0 ||
        entry.rfind("XDG_CACHE_HOME=", 0) == 0) {
      continue;
    }
    env.emplace_back(entry);
  }
  env.push_back("XDG_CONFIG_HOME=" + configHome);
  env.push_back("HOME=" + configHome);
  if (!tmpdir.empty()) env.push_back("TMPDIR=" + tmpdir);
  return env;
}

inline CliRun RunCli(const std::vector<std::string>& args, const std::string& configHome, const CliOptions& options) {
  std::vector<std::string> env = CliEnvironment(configHome, options.tmpdir);
  if (options.bare) {
    env = {"HOME=" + configHome, "PATH=/usr/bin:/bin"};
    if (!options.tmpdir.empty()) env.push_back("TMPDIR=" + options.tmpdir);
  }
  env.insert(env.end(), options.environment.begin(), options.environment.end());
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  // The original Chinese messages, whatever the locale; a test of another
  // language passes its own --language, and the last one counts.
  std::vector<std::string> argStrings = options.launcher;
  argStrings.insert(argStrings.end(), {ORVANTA_CLI, "--language", "zh", options.command});
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argStrings) argv.push_back(a.data());
  argv.push_back(nullptr);

  int pipefd[2];
  if (::pipe2(pipefd, O_CLOEXEC) != 0) return {};
  char outName[] = "/tmp/orvanta-cli-out-XXXXXX";
  const int outFd = options.out != nullptr ? ::mkostemp(outName, O_CLOEXEC) : -1;
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipefd[1], STDERR_FILENO);
    int devnull = ::open("/dev/null", O_RDWR);
    ::dup2(devnull, STDIN_FILENO);
    if (outFd >= 0) ::dup2(outFd, STDOUT_FILENO);
    if (options.ownGroup) ::setpgid(0, 0);
    // SIGXFSZ is left as a shell's "ulimit -f" leaves it: the program must
    // not die of it.
    if (options.fileSizeLimit > 0) {
      rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (options.user != 0) {
      if (::setgroups(0, nullptr) != 0 || ::setgid(options.user) != 0 || ::setuid(options.user) != 0) ::_exit(126);
    }
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(pipefd[1]);
  if (outFd >= 0) ::close(outFd);
  if (options.ownGroup) ::setpgid(pid, pid);  // the group exists before any signal to it
  CliRun run;
  run.pid = pid;
  bool interrupted = options.interruptOn.empty();
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(pipefd[0], buffer, sizeof buffer)) > 0) {
    run.err.append(buffer, static_cast<std::size_t>(n));
    if (!interrupted && run.err.find(options.interruptOn) != std::string::npos) {
      ::kill(pid, SIGINT);
      interrupted = true;
    }
    if (options.watch) options.watch(pid, run.err);
  }
  ::close(pipefd[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  if (options.out != nullptr) {
    *options.out = test::ReadFile(outName);
    ::unlink(outName);
  }
  return run;
}

inline CliRun RunCli(const std::vector<std::string>& args, const std::string& configHome, rlim_t fileSizeLimit = 0,
                     const std::string& interruptOn = "") {
  CliOptions options;
  options.fileSizeLimit = fileSizeLimit;
  options.interruptOn = interruptOn;
  return RunCli(args, configHome, options);
}

// The processes whose command line holds `marker`.
inline std::vector<pid_t> ProcessesWhoseCommandHas(const std::string& marker) {
  std::vector<pid_t> pids;
  std::error_code ec;
  for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    std::ifstream cmdline(it->path() / "cmdline", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    if (text.find(marker) != std::string::npos)
      pids.push_back(static_cast<pid_t>(std::atol(it->path().filename().c_str())));
  }
  return pids;
}

// The processes of the LibreOffice started for that program: its private
// profile's name carries the program's pid.
inline std::vector<pid_t> OfficeProcessesOf(pid_t program) {
  return ProcessesWhoseCommandHas("orvanta-office-" + std::to_string(program) + "-");
}

inline bool OfficeOfProgramRunning(pid_t program) { return !OfficeProcessesOf(program).empty(); }

// LibreOffice's pipe sockets in /tmp that name that program's pipes.
inline std::vector<std::string> PipeSocketsOf(pid_t program) {
  std::vector<std::string> found;
  const std::string marker = "orvanta_" + std::to_string(program) + "_";
  for (const std::string& name : test::FileNames("/tmp")) {
    if (name.rfind("OSL_PIPE_", 0) == 0 && name.find(marker) != std::string::npos) found.push_back(name);
  }
  return found;
}

inline bool OfficeAvailable() { return fs::exists("/usr/lib/libreoffice/program/soffice"); }

// Nothing of a run is left once it has ended: no process that names its
// temporary or output folder (workers, their guardians, LibreOffice), nothing
// in its temporary folder, no half-copied web player in its output folder.
// Processes that were killed a moment ago may still be on their way out.
// Every file under `root` with its bytes, by relative path.
inline std::map<std::string, std::string> FilesUnder(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[fs::relative(entry.path(), root).string()] =
        std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  return files;
}

inline void ExpectNothingLeft(const std::string& tmp, const std::string& out) {
  auto running = [&] {
    std::vector<pid_t> pids = ProcessesWhoseCommandHas(tmp + "/");
    for (pid_t pid : ProcessesWhoseCommandHas(out)) pids.push_back(pid);
    return pids;
  };
  for (int i = 0; i < 100 && !running().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(running(), std::vector<pid_t>{}) << "processes of the run live on";
  EXPECT_EQ(test::FileNames(tmp), std::vector<std::string>{}) << "left in the temporary folder";
  for (const std::string& name : test::FileNames(out)) {
    EXPECT_NE(name.rfind(".ruffle.new.", 0), 0u) << "left in the output folder: " << name;
  }
}

}  // namespace orv
