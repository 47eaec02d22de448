#include "pool/service_pool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "pool/stop_signals.h"
#include "pool/worker_events.h"

namespace orv::pool {
namespace {

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr std::int64_t kMeasureEveryMs = 2000;
// A cancelled job's worker that still holds it after this long is killed:
// with its LibreOffice's start, it is free within 2 s.
constexpr std::int64_t kCancelGraceMs = 1500;

}  // namespace

std::uint64_t ResidentBytesOfTree(pid_t root) {
  std::map<pid_t, std::pair<pid_t, std::uint64_t>> processes;  // pid -> (parent, resident pages)
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(it->path() / "stat");
    std::string text;
    std::getline(stat, text);
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(text.substr(close + 1));
    std::string state;
    long parent = 0;
    fields >> state >> parent;
    std::string skip;
    for (int k = 0; k < 19 && fields; ++k) fields >> skip;  // to field 24, rss
    std::uint64_t pages = 0;
    fields >> pages;
    processes[static_cast<pid_t>(std::stol(name))] = {static_cast<pid_t>(parent), pages};
  }
  const auto inTree = [&processes, root](pid_t pid) {
    for (int depth = 0; pid > 1 && depth < 64; ++depth) {
      if (pid == root) return true;
      auto it = processes.find(pid);
      if (it == processes.end()) return false;
      pid = it->second.first;
    }
    return false;
  };
  std::uint64_t pages = 0;
  for (const auto& [pid, entry] : processes) {
    if (inTree(pid)) pages += entry.second;
  }
  return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

ServicePool::ServicePool(ServicePoolConfig config) : config_(std::move(config)), slots_(config_.workers) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
    wakeRead_.Reset(ends[0]);
    wakeWrite_.Reset(ends[1]);
  }
}

ServicePool::~ServicePool() {
  if (thread_.joinable()) Finish();
}

void ServicePool::Start() {
  // A worker that dies must not take the service with it through a write.
  ::signal(SIGPIPE, SIG_IGN);
  {
    std::lock_guard lock(mutex_);
    AssignLocked();
  }
  thread_ = std::thread([this] { Loop(); });
}

void ServicePool::Wake() {
  const char byte = 1;
  if (wakeWrite_) (void)!::write(wakeWrite_.get(), &byte, 1);
}

Admission ServicePool::Submit(WorkerJob job, std::function<void(JobResult)> done, JobTicket* ticket) {
  {
    std::lock_guard lock(mutex_);
    if (shuttingDown_) return Admission::kShuttingDown;
    if (unavailable_) return Admission::kUnavailable;
    std::size_t idle = 0;
    for (const Slot& slot : slots_) idle += slot.job ? 0 : 1;
    if (queue_.size() >= config_.queueLimit + idle) return Admission::kQueueFull;
    const JobTicket given = nextTicket_++;
    if (ticket != nullptr) *ticket = given;
    queue_.push_back(Waiting{given, std::move(job), std::move(done)});
  }
  Wake();
  return Admission::kQueued;
}

void ServicePool::Cancel(JobTicket ticket) {
  std::function<void(JobResult)> dropped;
  {
    std::lock_guard lock(mutex_);
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
      if (it->ticket != ticket) continue;
      dropped = std::move(it->done);
      queue_.erase(it);
      break;
    }
    for (Slot& slot : slots_) {
      if (!slot.job || slot.job->ticket != ticket || slot.job->cancelledAt != 0) continue;
      slot.job->cancelledAt = NowMs();
      // The worker's Ctrl-C, tagged with the job's number: it ends the
      // job's LibreOffice as the time limit does.
      PassInterrupt(slot.channel.pid(), slot.entries);
    }
  }
  if (dropped) dropped(JobResult{JobOutcome::kCancelled, std::nullopt, {}});
  Wake();
}

void ServicePool::BeginShutdown() {
  std::deque<Waiting> never;
  {
    std::lock_guard lock(mutex_);
    shuttingDown_ = true;
    never.swap(queue_);
  }
  for (Waiting& waiting : never) waiting.done(JobResult{JobOutcome::kShutDown, std::nullopt, {}});
  Wake();
}

void ServicePool::Finish() {
  BeginShutdown();
  {
    std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  Wake();
  if (thread_.joinable()) thread_.join();
}

PoolStats ServicePool::stats() const {
  std::lock_guard lock(mutex_);
  PoolStats stats;
  stats.workers = slots_.size();
  for (const Slot& slot : slots_) {
    stats.busy += slot.job ? 1 : 0;
    stats.proven += slot.channel.running() && (slot.ready || slot.job) ? 1 : 0;
  }
  stats.queued = queue_.size();
  stats.restarts = restarts_;
  stats.residentBytes = residentBytes_;
  stats.unavailable = unavailable_;
  return stats;
}

// Keeps every slot's worker running and hands the queued jobs to the ready
// ones. Under the lock.
void ServicePool::AssignLocked() {
  const bool mayStart = !finishing_ && !(unavailable_ && NowMs() < retryAt_);
  for (Slot& slot : slots_) {
    if (!slot.channel.running() && mayStart) {
      slot = Slot{};
      if (slot.channel.Start(config_.program, config_.workerArgs)) Tell(PoolEvent::Kind::kStarted, slot.channel.pid());
    }
    if (finishing_ && slot.channel.running() && !slot.job && !slot.closing) {
      slot.channel.CloseInput();  // no more jobs: it ends, and its LibreOffice with it
      slot.closing = true;
    }
    if (!slot.ready || slot.job || slot.closing || slot.worn || queue_.empty() || unavailable_) continue;
    Waiting waiting = std::move(queue_.front());
    queue_.pop_front();
    slot.ready = false;
    slot.job = Running{waiting.ticket, std::move(waiting.done), {}, 0, false};
    ++slot.entries;
    // A worker that died meanwhile is noticed when its pipes close.
    (void)slot.channel.Send(FormatWorkerJob(waiting.job));
  }
  if (unavailable_) {
    while (!queue_.empty()) {
      completed_.emplace_back(std::move(queue_.front().done), JobResult{JobOutcome::kUnavailable, std::nullopt, {}});
      queue_.pop_front();
    }
  }
}

void ServicePool::Loop() {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      bool anyRunning = !leaving_.empty();
      for (const Slot& slot : slots_) anyRunning = anyRunning || slot.channel.running();
      if (finishing_ && !anyRunning) break;
      AssignLocked();
    }
    Pump(100);
    std::vector<std::pair<std::function<void(JobResult)>, JobResult>> completed;
    std::vector<PoolEvent> events;
    {
      std::lock_guard lock(mutex_);
      KillLateCancels();
      completed.swap(completed_);
      events.swap(events_);
      if (NowMs() - measuredAt_ >= kMeasureEveryMs) MeasureMemory();
    }
    if (config_.onEvent) {
      for (const PoolEvent& event : events) config_.onEvent(event);
    }
    for (auto& [done, result] : completed) done(std::move(result));
  }
}

void ServicePool::Pump(int timeoutMs) {
  // Only this thread starts, reads and reaps workers: the pipes gathered
  // stay open while it waits on them unlocked.
  std::vector<pollfd> fds;
  {
    std::lock_guard lock(mutex_);
    for (const Slot& slot : slots_) slot.channel.AddTo(fds);
    for (const WorkerChannel& worker : leaving_) worker.AddTo(fds);
  }
  fds.push_back({wakeRead_.get(), POLLIN, 0});
  (void)::poll(fds.data(), fds.size(), timeoutMs);
  char drain[64];
  while (::read(wakeRead_.get(), drain, sizeof drain) > 0) {
  }
  std::lock_guard lock(mutex_);
  DrainLeaving();
  for (Slot& slot : slots_) slot.channel.Read(ListenerOf(slot));
  for (Slot& slot : slots_) {
    if (slot.channel.ended()) OnWorkerEnded(slot);
  }
  RetireWorn();
}

WorkerChannel::Listener ServicePool::ListenerOf(Slot& slot) {
  return {{},  // what it prints of its outputs is of no use here
          [&slot](const std::string& line) {
            if (slot.job && slot.job->result.messages.size() < 100) slot.job->result.messages.push_back(line);
          },
          [this, &slot](const WorkerEvent& event) { OnEvent(slot, event); }};
}

// Workers on their way out: what they still write is of no use; once their
// events end they are reaped.
void ServicePool::DrainLeaving() {
  for (WorkerChannel& worker : leaving_) worker.Read({}, true);
  std::erase_if(leaving_, [](WorkerChannel& worker) {
    if (!worker.ended()) return false;
    worker.Reap();
    return true;
  });
}

void ServicePool::OnEvent(Slot& slot, const WorkerEvent& event) {
  switch (event.kind) {
    case WorkerEvent::Kind::kRecord:
      if (slot.job) slot.job->result.record = batchlist::ParseReportLine(event.text);
      break;
    case WorkerEvent::Kind::kUnavailable:
      unavailable_ = true;
      slot.ready = false;
      retryAt_ = NowMs() + std::int64_t{config_.retryWaitSeconds} * 1000;
      Tell(PoolEvent::Kind::kUnavailable, slot.channel.pid());
      break;
    case WorkerEvent::Kind::kReady:
      unavailable_ = false;
      slot.ready = !slot.job;
      break;
    case WorkerEvent::Kind::kRestarted:
      ++restarts_;
      Tell(PoolEvent::Kind::kOfficeRestarted, slot.channel.pid());
      break;
    case WorkerEvent::Kind::kDone:
      OnJobEnd(slot);
      break;
    default:
      break;
  }
}

void ServicePool::OnJobEnd(Slot& slot) {
  if (!slot.job) return;
  // The job's lines on standard error came before its end.
  slot.channel.ReadLinesBefore(ListenerOf(slot));
  completed_.emplace_back(std::move(slot.job->done), std::move(slot.job->result));
  slot.job.reset();
  ++slot.jobsDone;
  const bool worn = slot.jobsDone >= config_.restartAfter;
  const bool heavy = config_.memoryLimit > 0 && ResidentBytesOfTree(slot.channel.pid()) > config_.memoryLimit;
  if ((worn || heavy) && !slot.closing) slot.worn = true;
}

// Worn workers end with their LibreOffices on their own; a fresh one takes
// the slot at once instead of waiting for that.
void ServicePool::RetireWorn() {
  for (Slot& slot : slots_) {
    if (!slot.worn || slot.job || !slot.channel.running()) continue;
    slot.channel.CloseInput();
    Tell(PoolEvent::Kind::kRetired, slot.channel.pid());
    leaving_.push_back(std::move(slot.channel));
    slot = Slot{};
    ++restarts_;
  }
}

void ServicePool::OnWorkerEnded(Slot& slot) {
  slot.channel.ReadLinesBefore(ListenerOf(slot));
  const bool expected = slot.closing || finishing_ || unavailable_;
  if (slot.job) {
    JobResult& result = slot.job->result;
    result.outcome = slot.job->cancelledAt != 0 ? JobOutcome::kCancelled
                     : unavailable_             ? JobOutcome::kUnavailable
                                                : JobOutcome::kWorkerDied;
    completed_.emplace_back(std::move(slot.job->done), std::move(result));
    slot.job.reset();
  }
  if (!expected) Tell(PoolEvent::Kind::kLost, slot.channel.pid());
  slot.channel.Reap();
  slot.ready = false;
  if (!finishing_) ++restarts_;
}

void ServicePool::KillLateCancels() {
  const std::int64_t now = NowMs();
  for (Slot& slot : slots_) {
    if (!slot.job || slot.job->cancelledAt == 0 || slot.job->killed) continue;
    if (now - slot.job->cancelledAt < kCancelGraceMs) continue;
    slot.job->killed = true;
    slot.channel.Signal(SIGKILL);  // its LibreOffice's guardian ends LibreOffice
  }
}

void ServicePool::MeasureMemory() {
  std::uint64_t total = 0;
  for (const Slot& slot : slots_) {
    if (slot.channel.running()) total += ResidentBytesOfTree(slot.channel.pid());
  }
  residentBytes_ = total;
  measuredAt_ = NowMs();
}

}  // namespace orv::pool
