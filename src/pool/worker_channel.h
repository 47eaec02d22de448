// How every pool talks to one worker process (`orvanta-cli convert
// --worker-fd 3`): its entries go whole, each ended by a NUL, to its standard
// input; its output and errors come back as lines, its events as lines on
// descriptor 3. The worker leads a process group of its own and dies with
// its parent. The batch pool and the service's pool both talk through this
// one channel; the pipes are owned here and closed with it.
#pragma once

#include <poll.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/unique_fd.h"
#include "pool/worker_events.h"

namespace orv::pool {

class WorkerChannel {
 public:
  // What a pool does with what its worker says, line by line.
  struct Listener {
    std::function<void(const std::string&)> onOut;
    std::function<void(const std::string&)> onErr;
    std::function<void(const WorkerEvent&)> onEvent;
  };

  WorkerChannel() = default;
  WorkerChannel(WorkerChannel&& other) noexcept;
  WorkerChannel& operator=(WorkerChannel&& other) noexcept;
  WorkerChannel(const WorkerChannel&) = delete;
  WorkerChannel& operator=(const WorkerChannel&) = delete;

  // Starts `program` with `args` (after the program's name) as a worker; no
  // pipe end leaks into another child. False when it cannot be started.
  bool Start(const std::string& program, const std::vector<std::string>& args);
  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // Writes one entry and its NUL whole. False when the worker cannot take it
  // (it has ended, or its input is closed); its end shows on its events.
  bool Send(std::string_view message);
  // No more entries: the worker ends after the one at hand.
  void CloseInput() { input_.Reset(); }
  bool inputOpen() const { return input_.valid(); }
  void Signal(int signal) const;

  // Adds the pipes still open to a poll set.
  void AddTo(std::vector<pollfd>& fds) const;
  // Hands on what the pipes hold: output and error lines, then events. With
  // `drain`, until they are empty; otherwise one read of each. A last line
  // without its newline still counts at a pipe's end.
  void Read(const Listener& listener, bool drain = false);
  // Only the output and the errors, to their end for now: an entry's lines
  // are all written before its end is told.
  void ReadLinesBefore(const Listener& listener);

  // The events pipe has closed: the worker has ended, or is ending.
  bool ended() const { return running() && !events_.fd.valid(); }
  // Closes our ends and waits for the process; its wait status.
  int Reap();

 private:
  struct Stream {
    UniqueFd fd;
    std::string pending;
  };
  static void ReadStream(Stream& stream, bool drain, const std::function<void(const std::string&)>& onLine);

  pid_t pid_ = -1;
  UniqueFd input_;
  Stream out_, err_, events_;
};

// Waits until a channel or `wakeFd` (when not -1) has something to read, or
// `timeoutMs` have passed.
void WaitForChannels(const std::vector<const WorkerChannel*>& channels, int wakeFd, int timeoutMs);

}  // namespace orv::pool
