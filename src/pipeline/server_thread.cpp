#include "pipeline/server_thread.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orv {

// The thread, its queue of tasks and the server it owns. Objects handed out
// share it, so that releasing one late still happens on the thread.
class ServerThread::Calls {
 public:
  Calls(std::unique_ptr<AutomationServer> server, CallWait& wait)
      : server_(std::move(server)), live_(server_.get()), wait_(wait) {
    thread_ = std::thread([this] { Serve(); });
  }

  // Ends the server on the thread, then the thread; later tasks run inline.
  void Stop() {
    Post([this] {
      live_.store(nullptr);
      server_.reset();
    });
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    ready_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  // Queues `task` after the tasks already queued and returns at once.
  void Post(std::function<void()> task) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!stopping_) {
        tasks_.push_back(std::move(task));
        ready_.notify_all();
        return;
      }
    }
    task();
  }

  // Runs `call` on the thread and waits for it; its exception is rethrown here.
  void Run(const std::function<void()>& call) {
    // A presentation already given up asks nothing more of LibreOffice.
    if (wait_.CancelRequested()) throw AutomationError("The conversion was cancelled");
    struct Outcome {
      std::atomic<bool> done{false};
      std::exception_ptr error;
    };
    auto outcome = std::make_shared<Outcome>();
    Post([this, outcome, &call] {
      try {
        call();
      } catch (...) {
        outcome->error = std::current_exception();
      }
      outcome->done.store(true);
      wait_.Wake();
    });
    auto finished = [&outcome] { return outcome->done.load(); };
    while (!finished()) {
      if (wait_.CancelRequested()) {
        // The user gave up this presentation: its LibreOffice goes now. The
        // blow is repeated until the call returns, so that a process the
        // call is still starting cannot escape it.
        EndNow();
        wait_.Wait(std::chrono::milliseconds(100), finished);
      } else {
        wait_.Wait(std::chrono::milliseconds(1000), [&] { return finished() || wait_.CancelRequested(); });
      }
    }
    if (outcome->error) std::rethrow_exception(outcome->error);
  }

  void EndNow() {
    if (AutomationServer* server = live_.load()) server->EndNow();
  }

  AutomationServer& server() { return *server_; }

 private:
  void Serve() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      ready_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
      if (tasks_.empty()) break;
      std::function<void()> task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
      lock.lock();
    }
  }

  std::unique_ptr<AutomationServer> server_;
  std::atomic<AutomationServer*> live_;
  CallWait& wait_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
  bool stopping_ = false;
  std::thread thread_;
};

namespace {

// An object of the server seen from the calling thread: each member call
// runs on the server's thread, and the object is released there too.
class ThreadedTarget final : public AutomationTarget {
 public:
  ThreadedTarget(std::shared_ptr<ServerThread::Calls> calls, AutomationObject object)
      : calls_(std::move(calls)), object_(std::move(object)) {}
  ~ThreadedTarget() override {
    calls_->Post([object = std::move(object_)]() mutable { object.Release(); });
  }
  ThreadedTarget(const ThreadedTarget&) = delete;
  ThreadedTarget& operator=(const ThreadedTarget&) = delete;

  Variant Invoke(std::int32_t dispid, DispatchKind kind, const std::vector<Variant>& args) override;

  const AutomationObject& object() const { return object_; }

 private:
  std::shared_ptr<ServerThread::Calls> calls_;
  AutomationObject object_;
};

AutomationObject Wrap(const std::shared_ptr<ServerThread::Calls>& calls, const AutomationObject& object) {
  if (object.IsNull()) return object;
  return AutomationObject(std::make_shared<ThreadedTarget>(calls, object));
}

// Objects passed back in go to the server as the server's own.
AutomationObject Unwrap(const AutomationObject& object) {
  if (auto* threaded = dynamic_cast<ThreadedTarget*>(object.target())) return threaded->object();
  return object;
}

Variant ThreadedTarget::Invoke(std::int32_t dispid, DispatchKind kind, const std::vector<Variant>& args) {
  std::vector<Variant> inner;
  inner.reserve(args.size());
  for (const Variant& arg : args) {
    inner.push_back(arg.type() == Variant::Type::kObject ? Variant::Object(Unwrap(arg.Object())) : arg);
  }
  Variant result;
  calls_->Run([&] {
    Variant answer = object_.Invoke(dispid, kind, inner);
    result = answer.type() == Variant::Type::kObject ? Variant::Object(Wrap(calls_, answer.Object())) : answer;
  });
  return result;
}

}  // namespace

ServerThread::ServerThread(std::unique_ptr<AutomationServer> server, CallWait& wait)
    : calls_(std::make_shared<Calls>(std::move(server), wait)) {}

ServerThread::~ServerThread() { calls_->Stop(); }

ServerStart ServerThread::CreateObject(std::string_view className) {
  ServerStart start;
  const std::string name(className);
  calls_->Run([&] {
    start = calls_->server().CreateObject(name);
    start.application = Wrap(calls_, start.application);
  });
  return start;
}

void ServerThread::EndNow() { calls_->EndNow(); }

}  // namespace orv
