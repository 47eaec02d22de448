// The warm workers of the conversion service: K worker processes, each
// keeping one LibreOffice between jobs, fed from one bounded queue. A worker
// is retired (and a fresh one started for the next job) after a number of
// jobs, after a job that failed in a way that may have hurt its LibreOffice,
// or when it and its LibreOffice grow past a memory limit; one that dies
// costs only its own job.
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

#include "batchlist/entry_report.h"
#include "pool/worker_job.h"
#include "pool/worker_process.h"

namespace orv::pool {

struct ServicePoolConfig {
  std::string program;                  // the orvanta-cli to start as worker
  std::vector<std::string> workerArgs;  // after the program: "convert", options, "--worker-fd", "3"
  std::size_t workers = 2;
  std::size_t queueLimit = 8;     // jobs waiting for a worker
  int restartAfter = 25;          // jobs per worker process
  std::uint64_t memoryLimit = 0;  // bytes of a worker with its LibreOffice; 0: none
};

enum class JobOutcome {
  kFinished,     // the worker converted it or failed it, with a record
  kWorkerDied,   // the worker ended in the middle of it
  kUnavailable,  // LibreOffice cannot be started
  kShutDown,     // the service is shutting down and never started it
};

struct JobResult {
  JobOutcome outcome = JobOutcome::kFinished;
  std::optional<batchlist::EntryRecord> record;
  std::vector<std::string> messages;  // the worker's lines on standard error for the job
};

enum class Admission { kQueued, kQueueFull, kShuttingDown, kUnavailable };

struct PoolStats {
  std::size_t workers = 0;
  std::size_t busy = 0;
  std::size_t queued = 0;
  std::uint64_t restarts = 0;       // worker processes retired or lost and replaced
  std::uint64_t residentBytes = 0;  // the workers and their LibreOffices, last measured
  bool unavailable = false;
  std::string unavailableReason;
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

  // Queues a job. `done` is called once, from the pool's thread, when it ends.
  Admission Submit(WorkerJob job, std::function<void(JobResult)> done);

  // Takes no more jobs and ends the queued ones as kShutDown; the running
  // ones go on.
  void BeginShutdown();
  // Waits for the running jobs, then ends every worker and its LibreOffice.
  void Finish();

  PoolStats stats() const;

 private:
  struct Slot : WorkerProcess {
    struct Running {
      std::function<void(JobResult)> done;
      JobResult result;
    };
    std::optional<Running> job;
    int jobsDone = 0;
    bool retiring = false;  // its input is closed: it ends after its job
  };
  struct Waiting {
    WorkerJob job;
    std::function<void(JobResult)> done;
  };

  void Loop();
  void AssignLocked();
  void Pump(int timeoutMs);
  void ReadFrom(Slot& slot, LineStream& stream);
  void OnLine(Slot& slot, const LineStream& stream, const std::string& line);
  void OnJobEnd(Slot& slot);
  void OnWorkerEnded(Slot& slot);
  void MeasureMemory();
  void DrainLeaving();
  void Wake();

  ServicePoolConfig config_;
  mutable std::mutex mutex_;
  std::condition_variable idle_;
  std::vector<Slot> slots_;
  std::vector<WorkerProcess> leaving_;  // retired, ending with their LibreOffices
  std::deque<Waiting> queue_;
  bool shuttingDown_ = false;
  bool finishing_ = false;
  bool unavailable_ = false;
  std::string unavailableReason_;
  std::int64_t retryAt_ = 0;  // steady milliseconds: when to try LibreOffice again
  std::uint64_t restarts_ = 0;
  std::uint64_t residentBytes_ = 0;
  std::int64_t measuredAt_ = 0;
  // Jobs that ended, to be told so once the lock is let go.
  std::vector<std::pair<std::function<void(JobResult)>, JobResult>> completed_;
  int wakeRead_ = -1, wakeWrite_ = -1;
  std::thread thread_;
};

// The resident bytes of a process and all its descendants (a worker, its
// LibreOffice's guardian and LibreOffice), from /proc.
std::uint64_t ResidentBytesOfTree(pid_t root);

}  // namespace orv::pool
