#include "pool/worker_channel.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "base/language.h"

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

WorkerChannel::WorkerChannel(WorkerChannel&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      input_(std::move(other.input_)),
      out_(std::move(other.out_)),
      err_(std::move(other.err_)),
      events_(std::move(other.events_)) {}

WorkerChannel& WorkerChannel::operator=(WorkerChannel&& other) noexcept {
  pid_ = std::exchange(other.pid_, -1);
  input_ = std::move(other.input_);
  out_ = std::move(other.out_);
  err_ = std::move(other.err_);
  events_ = std::move(other.events_);
  return *this;
}

bool WorkerChannel::Start(const std::string& program, const std::vector<std::string>& workerArgs) {
  // Everything the child needs is made before fork. A worker speaks the
  // language its parent settled on, whatever its own environment says.
  std::vector<std::string> args = {"--language", LanguageName(CurrentLanguage())};
  args.insert(args.end(), workerArgs.begin(), workerArgs.end());
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  UniqueFd ends[4][2];  // the worker's input, output, errors and events
  for (auto& pipe : ends) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    pipe[0].Reset(fds[0]);
    pipe[1].Reset(fds[1]);
  }
  const int childEnds[4] = {ends[0][0].get(), ends[1][1].get(), ends[2][1].get(), ends[3][1].get()};
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) ExecWorker(parent, program.c_str(), argv.data(), childEnds);
  if (pid < 0) return false;
  pid_ = pid;
  input_ = std::move(ends[0][1]);
  out_ = Stream{std::move(ends[1][0]), {}};
  err_ = Stream{std::move(ends[2][0]), {}};
  events_ = Stream{std::move(ends[3][0]), {}};
  for (const Stream* stream : {&out_, &err_, &events_}) {
    ::fcntl(stream->fd.get(), F_SETFL, ::fcntl(stream->fd.get(), F_GETFL) | O_NONBLOCK);
  }
  return true;  // the child's ends close with `ends`
}

bool WorkerChannel::Send(std::string_view message) {
  if (!input_) return false;
  std::string whole(message);
  whole += '\0';
  std::size_t written = 0;
  while (written < whole.size()) {
    const ssize_t n = ::write(input_.get(), whole.data() + written, whole.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // a worker that died meanwhile is noticed when its pipes close
    written += static_cast<std::size_t>(n);
  }
  return true;
}

void WorkerChannel::Signal(int signal) const {
  if (pid_ > 0) ::kill(pid_, signal);
}

void WorkerChannel::AddTo(std::vector<pollfd>& fds) const {
  for (const Stream* stream : {&out_, &err_, &events_}) {
    if (stream->fd) fds.push_back({stream->fd.get(), POLLIN, 0});
  }
}

void WorkerChannel::ReadStream(Stream& stream, bool drain, const std::function<void(const std::string&)>& onLine) {
  char buffer[4096];
  while (stream.fd) {
    const ssize_t n = ::read(stream.fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n > 0) {
      stream.pending.append(buffer, static_cast<std::size_t>(n));
      std::size_t end;
      while (stream.fd && (end = stream.pending.find('\n')) != std::string::npos) {
        const std::string line = stream.pending.substr(0, end);
        stream.pending.erase(0, end + 1);
        if (onLine) onLine(line);
      }
      if (!drain) return;
      continue;
    }
    if (n == 0) {
      std::string line;
      line.swap(stream.pending);
      if (!line.empty() && onLine) onLine(line);
      stream.fd.Reset();
    }
    return;  // EAGAIN: nothing more for now
  }
}

void WorkerChannel::Read(const Listener& listener, bool drain) {
  ReadStream(out_, drain, listener.onOut);
  ReadStream(err_, drain, listener.onErr);
  ReadStream(events_, drain, [&listener](const std::string& line) {
    if (auto event = ParseWorkerEvent(line); event && listener.onEvent) listener.onEvent(*event);
  });
}

void WorkerChannel::ReadLinesBefore(const Listener& listener) {
  ReadStream(out_, true, listener.onOut);
  ReadStream(err_, true, listener.onErr);
}

int WorkerChannel::Reap() {
  input_.Reset();
  for (Stream* stream : {&out_, &err_, &events_}) {
    stream->fd.Reset();
    stream->pending.clear();
  }
  int status = 0;
  while (pid_ > 0 && ::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return status;
}

void WaitForChannels(const std::vector<const WorkerChannel*>& channels, int wakeFd, int timeoutMs) {
  std::vector<pollfd> fds;
  for (const WorkerChannel* channel : channels) channel->AddTo(fds);
  if (wakeFd >= 0) fds.push_back({wakeFd, POLLIN, 0});
  if (fds.empty()) return;
  (void)::poll(fds.data(), fds.size(), timeoutMs);
}

}  // namespace orv::pool
