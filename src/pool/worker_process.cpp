#include "pool/worker_process.h"

#include "base/language.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace orv::pool {
namespace {

// The forked child: moves the pipe ends to the descriptors the worker
// expects, whatever numbers they had (they are first lifted above the
// standard ones), and becomes the worker. Only async-signal-safe calls.
[[noreturn]] void ExecWorker(pid_t parent, const char* program, char* const* argv, const int (&ends)[4]) {
  // A worker whose parent dies is told to stop as by a SIGTERM; a parent
  // that died before this line is noticed by its pid.
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) ::_exit(127);
  int fds[4];
  for (int k = 0; k < 4; ++k) fds[k] = ::fcntl(ends[k], F_DUPFD_CLOEXEC, 10);
  for (int target = 0; target < 4; ++target) {
    if (fds[target] < 0 || ::dup2(fds[target], target) < 0) ::_exit(127);
  }
  ::setpgid(0, 0);  // Ctrl-C reaches the workers through the parent only, once
  ::signal(SIGPIPE, SIG_DFL);
  // A Ctrl-C passed on while the worker is still starting waits until its
  // handler is in place, instead of ending it.
  sigset_t interrupt;
  ::sigemptyset(&interrupt);
  ::sigaddset(&interrupt, SIGINT);
  ::sigprocmask(SIG_BLOCK, &interrupt, nullptr);
  ::execv(program, argv);
  ::_exit(127);
}

}  // namespace

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool StartWorker(const std::string& program, const std::vector<std::string>& workerArgs, WorkerProcess& worker) {
  // Everything the child needs is made before fork. A worker speaks the
  // language its parent settled on, whatever its own environment says.
  std::vector<std::string> args = {"--language", LanguageName(CurrentLanguage())};
  args.insert(args.end(), workerArgs.begin(), workerArgs.end());
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int pipes[4][2];  // the worker's input, output, errors and events
  for (int k = 0; k < 4; ++k) {
    if (::pipe2(pipes[k], O_CLOEXEC) != 0) {
      for (int made = 0; made < k; ++made) {
        ::close(pipes[made][0]);
        ::close(pipes[made][1]);
      }
      return false;
    }
  }
  const int childEnds[4] = {pipes[0][0], pipes[1][1], pipes[2][1], pipes[3][1]};
  const int ourEnds[4] = {pipes[0][1], pipes[1][0], pipes[2][0], pipes[3][0]};
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) ExecWorker(parent, program.c_str(), argv.data(), childEnds);
  for (int fd : childEnds) ::close(fd);
  if (pid < 0) {
    for (int fd : ourEnds) ::close(fd);
    return false;
  }
  worker.pid = pid;
  worker.input = ourEnds[0];
  worker.out = LineStream{ourEnds[1], {}};
  worker.err = LineStream{ourEnds[2], {}};
  worker.events = LineStream{ourEnds[3], {}};
  for (int k = 1; k < 4; ++k) ::fcntl(ourEnds[k], F_SETFL, ::fcntl(ourEnds[k], F_GETFL) | O_NONBLOCK);
  return true;
}

void ReadLines(LineStream& stream, bool drain, const std::function<void(const std::string&)>& onLine) {
  char buffer[4096];
  while (stream.open()) {
    const ssize_t n = ::read(stream.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n > 0) {
      stream.pending.append(buffer, static_cast<std::size_t>(n));
      std::size_t end;
      while (stream.open() && (end = stream.pending.find('\n')) != std::string::npos) {
        const std::string line = stream.pending.substr(0, end);
        stream.pending.erase(0, end + 1);
        onLine(line);
      }
      if (!drain) return;
      continue;
    }
    if (n == 0) {
      if (!stream.pending.empty()) {
        std::string line;
        line.swap(stream.pending);
        onLine(line);
      }
      CloseFd(stream.fd);
    }
    return;  // EAGAIN: nothing more for now
  }
}

void ReapWorker(WorkerProcess& worker) {
  CloseFd(worker.input);
  CloseFd(worker.out.fd);
  CloseFd(worker.err.fd);
  CloseFd(worker.events.fd);
  int status = 0;
  while (worker.pid > 0 && ::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
  }
  worker.pid = -1;
}

}  // namespace orv::pool
