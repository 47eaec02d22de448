#include "ui/qt/event_loop_wait.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QThread>
#include <QTimer>

#include "ui/qt/progress_window.h"

namespace orv {

EventLoopWait::EventLoopWait() : dispatcher_(QAbstractEventDispatcher::instance(QThread::currentThread())) {}

void EventLoopWait::Wait(std::chrono::milliseconds limit, const std::function<bool()>& finished) {
  bool expired = false;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&expired] { expired = true; });
  timer.start(limit);
  // Each round dispatches what has arrived, or sleeps until something does:
  // an event, the timer, or Wake from the server's thread.
  while (!finished() && !expired) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
}

void EventLoopWait::Wake() {
  if (dispatcher_ != nullptr) dispatcher_->wakeUp();
}

bool EventLoopWait::CancelRequested() {
  // A progress window lives as long as its presentation is converted; a
  // cancelled one means that presentation is given up.
  for (QWidget* top : QApplication::topLevelWidgets()) {
    auto* progress = qobject_cast<ProgressWindow*>(top);
    if (progress != nullptr && progress->cancelled()) return true;
  }
  return false;
}

}  // namespace orv
