// The warm workers of the conversion service: K worker processes, each
// keeping one LibreOffice between jobs, fed from one bounded queue. A worker
// takes a job only once it is ready: its LibreOffice runs and has converted
// the built-in check deck since it started. After a job that ended its
// LibreOffice (the time limit, a cancel, a crash) the worker starts a fresh
// one before it says it is ready again, so the next job never pays for that.
// A worker is retired (and a fresh one started) after a number of jobs or
// past a memory limit; one that dies costs only its own job. A job can be
// cancelled: queued, it is dropped; running, its worker ends its LibreOffice
// and is killed if it has not let go of the job within 1.5 s.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_fd.h"
#include "batchlist/entry_report.h"
#include "pool/worker_channel.h"
#include "pool/worker_job.h"

namespace orv::pool {

// What happens to the pool's workers, for the service's log.
struct PoolEvent {
  enum class Kind {
    kStarted,          // a worker process was started
    kRetired,          // one was replaced after its jobs or past the memory limit
    kLost,             // one ended unexpectedly
    kOfficeRestarted,  // a worker started its LibreOffice again
    kUnavailable,      // LibreOffice cannot be started (or cannot convert the check deck)
  };
  Kind kind = Kind::kStarted;
  pid_t worker = -1;
};

struct ServicePoolConfig {
  std::string program;                  // the orvanta-cli to start as worker
  std::vector<std::string> workerArgs;  // after the program: "convert", options, "--worker-fd", "3", "--warm"
  std::size_t workers = 2;
  std::size_t queueLimit = 8;                     // jobs waiting for a worker
  int restartAfter = 25;                          // jobs per worker process
  std::uint64_t memoryLimit = 0;                  // bytes of a worker with its LibreOffice; 0: none
  int retryWaitSeconds = 10;                      // after LibreOffice could not be started, before the next try
  std::function<void(const PoolEvent&)> onEvent;  // called on the pool's thread
};

enum class JobOutcome {
  kFinished,     // the worker converted it or failed it, with a record
  kWorkerDied,   // the worker ended in the middle of it
  kUnavailable,  // LibreOffice cannot be started
  kShutDown,     // the service is shutting down and never started it
  kCancelled,    // cancelled before it started, or its worker was killed for it
};

struct JobResult {
  JobOutcome outcome = JobOutcome::kFinished;
  std::optional<batchlist::EntryRecord> record;
  std::vector<std::string> messages;  // the worker's lines on standard error for the job
};

enum class Admission { kQueued, kQueueFull, kShuttingDown, kUnavailable };

using JobTicket = std::uint64_t;

struct PoolStats {
  std::size_t workers = 0;
  std::size_t busy = 0;
  std::size_t queued = 0;
  std::size_t proven = 0;           // workers ready for a job or busy with one
  std::uint64_t restarts = 0;       // LibreOffice restarts, with the workers retired or lost
  std::uint64_t residentBytes = 0;  // the workers and their LibreOffices, last measured
  bool unavailable = false;
};

class ServicePool {
 public:
  explicit ServicePool(ServicePoolConfig config);
  ~ServicePool();
  ServicePool(const ServicePool&) = delete;
  ServicePool& operator=(const ServicePool&) = delete;

  // Starts the workers (each starts its LibreOffice at once) and the thread
  // that feeds them.
  void Start();

  // Queues a job. `done` is called once, from the pool's thread, when it
  // ends; `ticket` (when given) names it for Cancel.
  Admission Submit(WorkerJob job, std::function<void(JobResult)> done, JobTicket* ticket = nullptr);
  // Queued: it ends at once as kCancelled. Running: its worker ends it.
  void Cancel(JobTicket ticket);

  // Takes no more jobs and ends the queued ones as kShutDown; the running
  // ones go on.
  void BeginShutdown();
  // Waits for the running jobs, then ends every worker and its LibreOffice.
  void Finish();

  PoolStats stats() const;

 private:
  struct Running {
    JobTicket ticket = 0;
    std::function<void(JobResult)> done;
    JobResult result;
    std::int64_t cancelledAt = 0;  // steady milliseconds; 0 while not cancelled
    bool killed = false;
  };
  struct Slot {
    WorkerChannel channel;
    std::optional<Running> job;
    int jobsDone = 0;
    int entries = 0;       // jobs sent to this process: the number a cancel names
    bool ready = false;    // takes the next job
    bool closing = false;  // its input is closed: it ends after its job
    bool worn = false;     // to be replaced once its job has ended
  };
  struct Waiting {
    JobTicket ticket = 0;
    WorkerJob job;
    std::function<void(JobResult)> done;
  };

  void Loop();
  void AssignLocked();
  void Pump(int timeoutMs);
  WorkerChannel::Listener ListenerOf(Slot& slot);
  void OnEvent(Slot& slot, const WorkerEvent& event);
  void OnJobEnd(Slot& slot);
  void OnWorkerEnded(Slot& slot);
  void RetireWorn();
  void KillLateCancels();
  void MeasureMemory();
  void DrainLeaving();
  void Tell(PoolEvent::Kind kind, pid_t worker) { events_.push_back({kind, worker}); }
  void Wake();

  ServicePoolConfig config_;
  mutable std::mutex mutex_;
  std::vector<Slot> slots_;
  std::vector<WorkerChannel> leaving_;  // retired, ending with their LibreOffices
  std::deque<Waiting> queue_;
  JobTicket nextTicket_ = 1;
  bool shuttingDown_ = false;
  bool finishing_ = false;
  bool unavailable_ = false;
  std::int64_t retryAt_ = 0;  // steady milliseconds: when to try LibreOffice again
  std::uint64_t restarts_ = 0;
  std::uint64_t residentBytes_ = 0;
  std::int64_t measuredAt_ = 0;
  // Jobs that ended and events, to be told once the lock is let go.
  std::vector<std::pair<std::function<void(JobResult)>, JobResult>> completed_;
  std::vector<PoolEvent> events_;
  UniqueFd wakeRead_, wakeWrite_;
  std::thread thread_;
};

// The resident bytes of a process and all its descendants (a worker, its
// LibreOffice's guardian and LibreOffice), from /proc.
std::uint64_t ResidentBytesOfTree(pid_t root);

}  // namespace orv::pool
