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

#include "pool/worker_events.h"

namespace orv::pool {
namespace {

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// After LibreOffice could not be started, the next try waits this long.
constexpr std::int64_t kRetryOfficeMs = 10000;
constexpr std::int64_t kMeasureEveryMs = 2000;

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
    wakeRead_ = ends[0];
    wakeWrite_ = ends[1];
  }
}

ServicePool::~ServicePool() {
  if (thread_.joinable()) Finish();
  CloseFd(wakeRead_);
  CloseFd(wakeWrite_);
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
  if (wakeWrite_ >= 0) (void)!::write(wakeWrite_, &byte, 1);
}

Admission ServicePool::Submit(WorkerJob job, std::function<void(JobResult)> done) {
  {
    std::lock_guard lock(mutex_);
    if (shuttingDown_) return Admission::kShuttingDown;
    if (unavailable_) return Admission::kUnavailable;
    std::size_t idle = 0;
    for (const Slot& slot : slots_) idle += slot.job ? 0 : 1;
    if (queue_.size() >= config_.queueLimit + idle) return Admission::kQueueFull;
    queue_.push_back(Waiting{std::move(job), std::move(done)});
  }
  Wake();
  return Admission::kQueued;
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
  for (const Slot& slot : slots_) stats.busy += slot.job ? 1 : 0;
  stats.queued = queue_.size();
  stats.restarts = restarts_;
  stats.residentBytes = residentBytes_;
  stats.unavailable = unavailable_;
  stats.unavailableReason = unavailableReason_;
  return stats;
}

// Keeps every slot's worker running (each warms its LibreOffice up at once)
// and hands the queued jobs to idle ones. Under the lock.
void ServicePool::AssignLocked() {
  const bool mayStart = !finishing_ && !(unavailable_ && NowMs() < retryAt_);
  for (Slot& slot : slots_) {
    if (slot.pid <= 0 && mayStart) {
      if (StartWorker(config_.program, config_.workerArgs, slot)) {
        slot.jobsDone = 0;
        slot.retiring = false;
      }
    }
    if (finishing_ && slot.pid > 0 && !slot.job && !slot.retiring) {
      CloseFd(slot.input);  // no more jobs: it ends, and its LibreOffice with it
      slot.retiring = true;
    }
    if (slot.pid <= 0 || slot.job || slot.retiring || queue_.empty() || unavailable_) continue;
    Waiting waiting = std::move(queue_.front());
    queue_.pop_front();
    std::string message = FormatWorkerJob(waiting.job);
    message += '\0';
    slot.job = Slot::Running{std::move(waiting.done), {}};
    // A worker that died meanwhile is noticed when its pipes close.
    (void)!::write(slot.input, message.data(), message.size());
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
      for (const Slot& slot : slots_) anyRunning = anyRunning || slot.pid > 0;
      if (finishing_ && !anyRunning) break;
      AssignLocked();
    }
    Pump(200);
    std::vector<std::pair<std::function<void(JobResult)>, JobResult>> completed;
    {
      std::lock_guard lock(mutex_);
      completed.swap(completed_);
      if (NowMs() - measuredAt_ >= kMeasureEveryMs) MeasureMemory();
    }
    for (auto& [done, result] : completed) done(std::move(result));
  }
}

void ServicePool::Pump(int timeoutMs) {
  std::vector<pollfd> fds;
  std::vector<std::pair<std::size_t, int>> owners;  // slot, stream (0 out, 1 err, 2 events)
  {
    std::lock_guard lock(mutex_);
    for (std::size_t s = 0; s < slots_.size(); ++s) {
      const LineStream* streams[] = {&slots_[s].out, &slots_[s].err, &slots_[s].events};
      for (int k = 0; k < 3; ++k) {
        if (!streams[k]->open()) continue;
        fds.push_back({streams[k]->fd, POLLIN, 0});
        owners.emplace_back(s, k);
      }
    }
  }
  std::size_t leavingFrom = fds.size();
  {
    std::lock_guard lock(mutex_);
    leavingFrom = fds.size();
    for (WorkerProcess& worker : leaving_) {
      for (LineStream* stream : {&worker.out, &worker.err, &worker.events}) {
        if (stream->open()) fds.push_back({stream->fd, POLLIN, 0});
      }
    }
  }
  fds.push_back({wakeRead_, POLLIN, 0});
  if (::poll(fds.data(), fds.size(), timeoutMs) <= 0) return;
  char drain[64];
  while (::read(wakeRead_, drain, sizeof drain) > 0) {
  }
  std::lock_guard lock(mutex_);
  DrainLeaving();
  for (std::size_t k = 0; k < leavingFrom; ++k) {
    if (fds[k].revents == 0) continue;
    Slot& slot = slots_[owners[k].first];
    LineStream* streams[] = {&slot.out, &slot.err, &slot.events};
    if (streams[owners[k].second]->fd == fds[k].fd) ReadFrom(slot, *streams[owners[k].second]);
  }
  for (Slot& slot : slots_) {
    if (slot.pid > 0 && !slot.events.open()) OnWorkerEnded(slot);
  }
}

// Workers on their way out: what they still write is of no use; once their
// events end they are reaped.
void ServicePool::DrainLeaving() {
  char buffer[4096];
  for (WorkerProcess& worker : leaving_) {
    for (LineStream* stream : {&worker.out, &worker.err, &worker.events}) {
      ssize_t n = 0;
      while (stream->open() && (n = ::read(stream->fd, buffer, sizeof buffer)) > 0) {
      }
      if (stream->open() && n == 0) CloseFd(stream->fd);
    }
  }
  std::erase_if(leaving_, [](WorkerProcess& worker) {
    if (worker.events.open()) return false;
    ReapWorker(worker);
    return true;
  });
}

void ServicePool::ReadFrom(Slot& slot, LineStream& stream) {
  ReadLines(stream, true, [this, &slot, &stream](const std::string& line) { OnLine(slot, stream, line); });
}

void ServicePool::OnLine(Slot& slot, const LineStream& stream, const std::string& line) {
  if (&stream == &slot.err) {
    if (slot.job && slot.job->result.messages.size() < 100) slot.job->result.messages.push_back(line);
    return;
  }
  if (&stream != &slot.events) return;  // what it prints of its outputs is of no use here
  const auto event = ParseWorkerEvent(line);
  if (!event) return;
  switch (event->kind) {
    case WorkerEvent::Kind::kRecord:
      if (slot.job) slot.job->result.record = batchlist::ParseReportLine(event->text);
      break;
    case WorkerEvent::Kind::kUnavailable:
      unavailable_ = true;
      unavailableReason_ = "LibreOffice cannot be started";
      retryAt_ = NowMs() + kRetryOfficeMs;
      break;
    case WorkerEvent::Kind::kReady:
      unavailable_ = false;
      unavailableReason_.clear();
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
  if (slot.err.open()) ReadFrom(slot, slot.err);
  completed_.emplace_back(std::move(slot.job->done), std::move(slot.job->result));
  slot.job.reset();
  ++slot.jobsDone;
  const bool worn = slot.jobsDone >= config_.restartAfter;
  const bool heavy = config_.memoryLimit > 0 && ResidentBytesOfTree(slot.pid) > config_.memoryLimit;
  if ((worn || heavy) && !slot.retiring) {
    // It ends with its LibreOffice on its own; a fresh one takes the slot at
    // once instead of waiting for that.
    CloseFd(slot.input);
    leaving_.push_back(static_cast<WorkerProcess&>(slot));
    slot = Slot{};
    ++restarts_;
  }
}

void ServicePool::OnWorkerEnded(Slot& slot) {
  if (slot.err.open()) ReadFrom(slot, slot.err);
  if (slot.job) {
    slot.job->result.outcome = unavailable_ ? JobOutcome::kUnavailable : JobOutcome::kWorkerDied;
    completed_.emplace_back(std::move(slot.job->done), std::move(slot.job->result));
    slot.job.reset();
  }
  ReapWorker(slot);
  slot.out.pending.clear();
  slot.err.pending.clear();
  slot.events.pending.clear();
  if (!finishing_) ++restarts_;
}

void ServicePool::MeasureMemory() {
  std::uint64_t total = 0;
  for (const Slot& slot : slots_) {
    if (slot.pid > 0) total += ResidentBytesOfTree(slot.pid);
  }
  residentBytes_ = total;
  measuredAt_ = NowMs();
}

}  // namespace orv::pool
