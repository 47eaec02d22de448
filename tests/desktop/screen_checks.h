// For the programs that drive real windows under Xvfb: checks that count
// their failures for the exit status, and waiting on the event loop for a
// state instead of sleeping.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>

namespace orv::test {

// Failures so far; main returns EXIT_FAILURE when there is any.
inline int& ScreenFailures() {
  static int failures = 0;
  return failures;
}

inline void Check(bool condition, const char* what) {
  std::fprintf(condition ? stdout : stderr, "%s: %s\n", condition ? "ok" : "FAILED", what);
  if (!condition) ++ScreenFailures();
}

// Processes events until `done` holds or `ms` pass; true when it held.
template <typename Done>
bool RunUntil(Done done, int ms = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(10);
  }
  return true;
}

}  // namespace orv::test
