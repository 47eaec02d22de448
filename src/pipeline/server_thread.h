// Runs every call into a presentation server on one thread of its own, so
// that the thread that asks goes on with its own work (a window's events)
// while LibreOffice starts, opens or exports a presentation. The caller still
// sees one call after the other, in its order: it waits for each through a
// CallWait. When the waiting thread learns that the user has given up the
// presentation, the server's process is ended, as the time limit does, and
// the call fails with AutomationError; once given up, further calls fail at
// once without reaching the server. Objects are still released.
//
// The server is made by the caller and ended on the thread: LibreOffice
// belongs to the thread that started it and is killed when that thread ends.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string_view>

#include "pipeline/automation.h"

namespace orv {

// How the calling thread passes the time while a call runs elsewhere.
class CallWait {
 public:
  virtual ~CallWait() = default;
  // Keeps the calling thread's own work going until `finished()` holds or
  // `limit` has passed, whichever comes first.
  virtual void Wait(std::chrono::milliseconds limit, const std::function<bool()>& finished) = 0;
  // From the server's thread: a call has ended; wakes Wait to look again.
  virtual void Wake() = 0;
  // True once the user has given up the presentation being converted.
  virtual bool CancelRequested() = 0;
};

class ServerThread final : public AutomationServer {
 public:
  ServerThread(std::unique_ptr<AutomationServer> server, CallWait& wait);
  // Ends the server on its thread, then the thread.
  ~ServerThread() override;
  ServerThread(const ServerThread&) = delete;
  ServerThread& operator=(const ServerThread&) = delete;

  ServerStart CreateObject(std::string_view className) override;
  // Straight to the server, from any thread.
  void EndNow() override;

  class Calls;

 private:
  std::shared_ptr<Calls> calls_;
};

}  // namespace orv
