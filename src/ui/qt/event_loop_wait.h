// The desktop program's way of waiting for LibreOffice: the window thread
// goes on dispatching events (painting, the keyboard, the window manager's
// pings) while a call runs on the server's thread. A cancelled progress
// window tells the server that its presentation is given up.
#pragma once

#include "pipeline/server_thread.h"

class QAbstractEventDispatcher;

namespace orv {

class EventLoopWait final : public CallWait {
 public:
  // Waits on the event loop of the thread that makes it.
  EventLoopWait();

  void Wait(std::chrono::milliseconds limit, const std::function<bool()>& finished) override;
  void Wake() override;
  bool CancelRequested() override;

 private:
  QAbstractEventDispatcher* dispatcher_;
};

}  // namespace orv
