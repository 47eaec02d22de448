// What a window manager sees of a program, read from the X server: its
// windows by process, owner and title, their place on the screen, who has the
// keyboard, how fast a window answers a ping and repaints an expose. Used by
// the desktop sessions that drive the real program from outside.
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <QImage>
#include <QRect>

struct _XDisplay;

namespace orv::test {

// An X window id (Xlib's Window; its header stays out of Qt's way).
using XWindow = unsigned long;

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start);

class XProbe {
 public:
  XProbe();  // on $DISPLAY; valid() tells whether it opened
  ~XProbe();
  XProbe(const XProbe&) = delete;
  XProbe& operator=(const XProbe&) = delete;

  bool valid() const { return display_ != nullptr; }
  bool WindowManagerRunning();

  // The managed top-level windows of process `pid` (the window manager's list).
  std::vector<XWindow> WindowsOf(long pid);
  // The first of them whose title starts with `prefix`; 0 when none.
  XWindow FindWindow(long pid, const std::string& prefix);
  std::string Title(XWindow window);
  XWindow TransientFor(XWindow window);
  XWindow ActiveWindow();
  bool Viewable(XWindow window);
  // The window's place on the screen (without the frame).
  QRect Geometry(XWindow window);
  // Asks the window manager to close the window, as Alt+F4 or its close button does.
  void RequestClose(XWindow window);

  // The screen, or a part of it.
  QImage Grab(const QRect& area);
  QImage GrabScreen();

  // Draws over `area` of `window` as if another window had covered it, sends
  // the window an expose and waits for the program to paint it back. The
  // milliseconds from the expose to the paint; -1 when the area was not
  // repainted within `limitMs`, -2 when the drawing over it did not show.
  double ExposeRepaintMs(XWindow window, const QRect& area, int limitMs);

 private:
  unsigned long Intern(const char* name);
  bool Scribbled(XWindow window, const QRect& area);
  std::vector<unsigned long> Property(XWindow window, unsigned long property, unsigned long type);

  _XDisplay* display_;
};

// Pings a window as a window manager does (_NET_WM_PING) over and over from a
// thread of its own and keeps the longest wait for an answer: the longest
// time the program's event loop did not run.
class PingWatch {
 public:
  explicit PingWatch(XWindow window);
  ~PingWatch();
  PingWatch(const PingWatch&) = delete;
  PingWatch& operator=(const PingWatch&) = delete;

  double longestMs() const { return longest_.load() / 1000.0; }
  // When the longest wait began, in milliseconds after the watch started.
  double longestAtMs() const { return longestAt_.load() / 1000.0; }
  int answered() const { return answered_.load(); }

 private:
  void Run(XWindow window);

  std::atomic<bool> stop_{false};
  std::atomic<long> longest_{0};  // microseconds
  std::atomic<long> longestAt_{0};
  std::atomic<int> answered_{0};
  std::thread thread_;
};

}  // namespace orv::test
