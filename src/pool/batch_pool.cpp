#include "pool/batch_pool.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <deque>
#include <optional>

#include "base/counted.h"
#include "base/paths.h"
#include "pipeline/office_server.h"
#include "pipeline/working_folder.h"
#include "pool/stop_signals.h"
#include "pool/worker_board.h"
#include "pool/worker_channel.h"
#include "pool/worker_events.h"

namespace orv::pool {
namespace {

struct Worker {
  WorkerChannel channel;
  std::deque<std::size_t> queue;  // the rest of its group
  std::optional<std::size_t> current;
  std::optional<batchlist::EntryRecord> record;  // of `current`, once sent
  int entriesSent = 0;                           // by this process; the number a Ctrl-C for `current` carries
};

class Scheduler {
 public:
  explicit Scheduler(const ParallelPlan& plan)
      : plan_(plan), board_(plan.workers, stderr, ::isatty(STDERR_FILENO) != 0, plan.quiet), workers_(plan.workers) {
    for (const auto& group : plan.groups) groups_.emplace_back(group.begin(), group.end());
  }

  ParallelEnd Run();

 private:
  void Assign(std::size_t w);
  void Dispatch(std::size_t w);
  void Pump(int timeoutMs);
  WorkerChannel::Listener ListenerOf(std::size_t w);
  void OnErrorLine(std::size_t w, const std::string& line);
  void OnEvent(std::size_t w, const WorkerEvent& event);
  void OnEnded(std::size_t w);
  void PassStop();
  void Suspend();
  bool HandsOutMore() const { return !unavailable_ && !stopping_ && !BatchStopRequested(); }
  bool AnyLeft() const { return NotDispatched() > 0; }
  std::string Label(std::size_t entry) const { return plan_.sources[entry]; }
  std::size_t NotDispatched() const;

  const ParallelPlan& plan_;
  WorkerBoard board_;
  std::vector<Worker> workers_;
  std::deque<std::deque<std::size_t>> groups_;
  int failed_ = 0;
  bool unavailable_ = false;
  bool stopping_ = false;  // a SIGTERM or SIGHUP came: nothing more is handed out
  int stopsPassed_ = 0;
};

ParallelEnd Scheduler::Run() {
  for (std::size_t w = 0; w < workers_.size(); ++w) Assign(w);
  auto running = [&] {
    for (const Worker& worker : workers_) {
      if (worker.channel.running()) return true;
    }
    return false;
  };
  while (running()) {
    if (StopSignalCount() != stopsPassed_) {
      PassStop();
    } else if (TakeSuspend()) {
      Suspend();
    } else if (TakeInterrupt()) {
      // Only to the entries still running as far as we know; the tag lets a
      // worker that has finished its entry meanwhile drop it.
      for (const Worker& worker : workers_) {
        if (worker.channel.running() && worker.current) PassInterrupt(worker.channel.pid(), worker.entriesSent);
      }
      if (BatchStopRequested()) {
        for (Worker& worker : workers_) {
          if (!worker.current) worker.channel.CloseInput();  // the others end after their entry
        }
      } else if (AnyLeft()) {
        board_.Print(stderr, "Orvanta: Ctrl-C again within 3 s stops the whole batch");
      }
    }
    Pump(200);
  }
  // What workers that were killed left in the temporary folders.
  RemoveWorkingFoldersOfEndedRuns(plan_.tempFolder);
  RemoveLeftoversOfDeadRuns();
  // Every entry is converted, failed with its message, or counted here.
  const std::size_t left = NotDispatched();
  if (left > 0) board_.Print(stderr, "Orvanta: " + MoreNotConverted(left));
  if (left > 0 || unavailable_) return ParallelEnd::kNotThrough;
  return failed_ == 0 ? ParallelEnd::kAllConverted : ParallelEnd::kSomeFailed;
}

// A SIGTERM or SIGHUP: each worker cancels its entry, ends its LibreOffice
// and itself, and the parent ends once they are all gone. A second one kills
// the workers outright; their guardians end their LibreOffices.
void Scheduler::PassStop() {
  const int signal = stopping_ ? SIGKILL : SIGTERM;
  stopping_ = true;
  stopsPassed_ = StopSignalCount();
  for (Worker& worker : workers_) {
    worker.channel.CloseInput();
    worker.channel.Signal(signal);
  }
}

// Ctrl-Z: the workers live in process groups of their own, out of the
// terminal's reach; they stop with the parent and go on with it after "fg".
void Scheduler::Suspend() {
  for (const Worker& worker : workers_) worker.channel.Signal(SIGSTOP);
  ::raise(SIGSTOP);
  for (const Worker& worker : workers_) worker.channel.Signal(SIGCONT);
}

// Gives an idle worker the next group, starting its process when needed; a
// worker without work is told so by the end of its input.
void Scheduler::Assign(std::size_t w) {
  Worker& worker = workers_[w];
  if (worker.queue.empty() && !groups_.empty() && HandsOutMore()) {
    worker.queue = std::move(groups_.front());
    groups_.pop_front();
  }
  if (worker.queue.empty() || !HandsOutMore()) {
    worker.channel.CloseInput();
    return;
  }
  if (!worker.channel.running() && worker.channel.Start(plan_.program, plan_.workerArgs)) worker.entriesSent = 0;
  if (!worker.channel.running()) {
    for (std::size_t entry : worker.queue) {
      board_.Print(stderr, Label(entry) + ": no worker process could be started");
      ++failed_;
    }
    worker.queue.clear();
    return;
  }
  Dispatch(w);
}

void Scheduler::Dispatch(std::size_t w) {
  Worker& worker = workers_[w];
  const std::size_t entry = worker.queue.front();
  worker.queue.pop_front();
  worker.current = entry;
  worker.record.reset();
  ++worker.entriesSent;
  board_.Start(w, FileNamePart(plan_.sources[entry]));
  // A worker that died meanwhile is noticed when its pipes close.
  (void)worker.channel.Send(plan_.sources[entry]);
}

void Scheduler::Pump(int timeoutMs) {
  std::vector<const WorkerChannel*> channels;
  for (const Worker& worker : workers_) channels.push_back(&worker.channel);
  WaitForChannels(channels, -1, timeoutMs);
  for (std::size_t w = 0; w < workers_.size(); ++w) workers_[w].channel.Read(ListenerOf(w));
  for (std::size_t w = 0; w < workers_.size(); ++w) {
    if (workers_[w].channel.ended()) OnEnded(w);
  }
}

WorkerChannel::Listener Scheduler::ListenerOf(std::size_t w) {
  return {[this](const std::string& line) {
            if (!plan_.quiet) board_.Print(stdout, line);
          },
          [this, w](const std::string& line) { OnErrorLine(w, line); },
          [this, w](const WorkerEvent& event) { OnEvent(w, event); }};
}

void Scheduler::OnErrorLine(std::size_t w, const std::string& line) {
  const Worker& worker = workers_[w];
  // The file's name takes the place of the program's: "talk.ppt: text".
  constexpr std::string_view kProgram = "Orvanta: ";
  const std::string_view text =
      std::string_view(line).starts_with(kProgram) ? std::string_view(line).substr(kProgram.size()) : line;
  board_.Print(stderr, worker.current ? Label(*worker.current) + ": " + std::string(text) : line);
}

void Scheduler::OnEvent(std::size_t w, const WorkerEvent& event) {
  Worker& worker = workers_[w];
  switch (event.kind) {
    case WorkerEvent::Kind::kStatus:
      board_.Status(w, event.text);
      break;
    case WorkerEvent::Kind::kPercent:
      board_.Percent(w, event.number);
      break;
    case WorkerEvent::Kind::kCancelled:
      board_.Cancelled(w);
      break;
    case WorkerEvent::Kind::kUnavailable:
      unavailable_ = true;
      break;
    case WorkerEvent::Kind::kReady:
    case WorkerEvent::Kind::kRestarted:
      break;
    case WorkerEvent::Kind::kRecord:
      worker.record = batchlist::ParseReportLine(event.text);
      break;
    case WorkerEvent::Kind::kDone:
      // The entry's lines were written before its end: take them all first.
      worker.channel.ReadLinesBefore(ListenerOf(w));
      if (event.number == 0) ++failed_;
      if (worker.current && plan_.onEntryEnd) plan_.onEntryEnd(*worker.current, std::move(worker.record));
      worker.current.reset();
      board_.Idle(w);
      Assign(w);
      break;
  }
}

// The worker's event pipe closed: it has ended, on its own or not.
void Scheduler::OnEnded(std::size_t w) {
  Worker& worker = workers_[w];
  worker.channel.ReadLinesBefore(ListenerOf(w));
  worker.channel.Reap();
  if (worker.current) {
    board_.Print(stderr, Label(*worker.current) + ": the worker converting this file ended unexpectedly");
    ++failed_;
    if (plan_.onEntryEnd) plan_.onEntryEnd(*worker.current, std::nullopt);
    worker.current.reset();
  }
  board_.Idle(w);
  // The rest of its group, or the next group, goes on in a fresh worker.
  Assign(w);
}

std::size_t Scheduler::NotDispatched() const {
  std::size_t left = 0;
  for (const auto& group : groups_) left += group.size();
  for (const Worker& worker : workers_) left += worker.queue.size();
  return left;
}

}  // namespace

ParallelEnd RunParallelConvert(const ParallelPlan& plan) {
  // A worker that dies must not take the parent with it through a write.
  ::signal(SIGPIPE, SIG_IGN);
  InstallSuspendHandler();
  Scheduler scheduler(plan);
  return scheduler.Run();
}

}  // namespace orv::pool
