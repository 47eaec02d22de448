#include "x_probe.h"

// After Qt's headers: Xlib defines names (Status, None, ...) that Qt uses.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/select.h>

namespace orv::test {
namespace {

// Windows come and go under the probe's eyes: a vanished one is no error.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

constexpr unsigned long kScribble = 0xff00ff;  // magenta: no colour of the program's skin

QImage ToQImage(XImage* image) {
  if (image == nullptr) return {};
  QImage picture(image->width, image->height, QImage::Format_RGB32);
  for (int y = 0; y < image->height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < image->width; ++x) line[x] = static_cast<QRgb>(XGetPixel(image, x, y)) | 0xff000000u;
  }
  XDestroyImage(image);
  return picture;
}

bool HasScribble(XImage* image) {
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      if ((XGetPixel(image, x, y) & 0xffffff) == kScribble) return true;
    }
  }
  return false;
}

}  // namespace

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

XProbe::XProbe() : display_(XOpenDisplay(nullptr)) { XSetErrorHandler(IgnoreErrors); }

XProbe::~XProbe() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

Atom XProbe::Intern(const char* name) { return XInternAtom(display_, name, False); }

std::vector<unsigned long> XProbe::Property(Window window, Atom property, Atom type) {
  Atom actual = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> values;
  if (XGetWindowProperty(display_, window, property, 0, 1 << 16, False, type, &actual, &format, &count, &after,
                         &data) == Success &&
      data != nullptr) {
    if (format == 32) {
      const auto* longs = reinterpret_cast<const unsigned long*>(data);
      values.assign(longs, longs + count);
    } else if (format == 8) {
      values.assign(data, data + count);
    }
  }
  if (data != nullptr) XFree(data);
  return values;
}

bool XProbe::WindowManagerRunning() {
  return !Property(DefaultRootWindow(display_), Intern("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW).empty();
}

std::vector<Window> XProbe::WindowsOf(long pid) {
  std::vector<Window> windows;
  const Atom pidAtom = Intern("_NET_WM_PID");
  for (unsigned long window : Property(DefaultRootWindow(display_), Intern("_NET_CLIENT_LIST"), XA_WINDOW)) {
    std::vector<unsigned long> owner = Property(window, pidAtom, XA_CARDINAL);
    if (!owner.empty() && static_cast<long>(owner[0]) == pid) windows.push_back(window);
  }
  return windows;
}

Window XProbe::FindWindow(long pid, const std::string& prefix) {
  for (Window window : WindowsOf(pid)) {
    if (Title(window).rfind(prefix, 0) == 0) return window;
  }
  return 0;
}

std::string XProbe::Title(Window window) {
  std::vector<unsigned long> bytes = Property(window, Intern("_NET_WM_NAME"), Intern("UTF8_STRING"));
  return std::string(bytes.begin(), bytes.end());
}

Window XProbe::TransientFor(Window window) {
  Window owner = 0;
  return XGetTransientForHint(display_, window, &owner) != 0 ? owner : 0;
}

Window XProbe::ActiveWindow() {
  std::vector<unsigned long> active = Property(DefaultRootWindow(display_), Intern("_NET_ACTIVE_WINDOW"), XA_WINDOW);
  return active.empty() ? 0 : active[0];
}

void XProbe::RequestClose(Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = Intern("_NET_CLOSE_WINDOW");
  event.xclient.format = 32;
  event.xclient.data.l[1] = 2;  // from a pager or a tool acting for the user
  XSendEvent(display_, DefaultRootWindow(display_), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display_);
}

bool XProbe::Viewable(Window window) {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(display_, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

QRect XProbe::Geometry(Window window) {
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(display_, window, &attributes) == 0) return {};
  int x = 0;
  int y = 0;
  Window child = 0;
  XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
  return {x, y, attributes.width, attributes.height};
}

QImage XProbe::Grab(const QRect& area) {
  return ToQImage(XGetImage(display_, DefaultRootWindow(display_), area.x(), area.y(),
                            static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()), AllPlanes,
                            ZPixmap));
}

QImage XProbe::GrabScreen() {
  Screen* screen = DefaultScreenOfDisplay(display_);
  return Grab(QRect(0, 0, WidthOfScreen(screen), HeightOfScreen(screen)));
}

double XProbe::ExposeRepaintMs(Window window, const QRect& area, int limitMs) {
  GC gc = XCreateGC(display_, window, 0, nullptr);
  XSetForeground(display_, gc, kScribble);
  XFillRectangle(display_, window, gc, area.x(), area.y(), static_cast<unsigned>(area.width()),
                 static_cast<unsigned>(area.height()));
  XFreeGC(display_, gc);
  XSync(display_, False);
  // The scribble must show, or its disappearance would prove nothing.
  if (!Scribbled(window, area)) return -2.0;

  XEvent expose{};
  expose.xexpose.type = Expose;
  expose.xexpose.display = display_;
  expose.xexpose.window = window;
  expose.xexpose.x = area.x();
  expose.xexpose.y = area.y();
  expose.xexpose.width = area.width();
  expose.xexpose.height = area.height();
  expose.xexpose.count = 0;
  XSendEvent(display_, window, False, ExposureMask, &expose);
  XFlush(display_);
  const Clock::time_point sent = Clock::now();
  // Read back until the program has painted the area again.
  while (MillisecondsSince(sent) < limitMs) {
    if (!Scribbled(window, area)) return MillisecondsSince(sent);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return -1.0;
}

bool XProbe::Scribbled(XWindow window, const QRect& area) {
  XImage* image = XGetImage(display_, window, area.x(), area.y(), static_cast<unsigned>(area.width()),
                            static_cast<unsigned>(area.height()), AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  const bool scribbled = HasScribble(image);
  XDestroyImage(image);
  return scribbled;
}

PingWatch::PingWatch(Window window) {
  thread_ = std::thread([this, window] { Run(window); });
}

PingWatch::~PingWatch() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
}

void PingWatch::Run(Window window) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return;
  const Window root = DefaultRootWindow(display);
  // The answers go to the root window, as to a window manager.
  XSelectInput(display, root, StructureNotifyMask | SubstructureNotifyMask);
  const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
  const Clock::time_point start = Clock::now();
  for (long serial = 1; !stop_.load(); ++serial) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = serial;
    event.xclient.data.l[2] = static_cast<long>(window);
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    const Clock::time_point sent = Clock::now();
    bool answered = false;
    while (!answered && !stop_.load()) {
      while (!answered && XPending(display) > 0) {
        XEvent reply{};
        XNextEvent(display, &reply);
        answered = reply.type == ClientMessage && reply.xclient.message_type == protocols &&
                   static_cast<Atom>(reply.xclient.data.l[0]) == ping && reply.xclient.data.l[1] == serial;
      }
      if (answered) break;
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(ConnectionNumber(display), &readable);
      timeval wait{0, 5000};
      select(ConnectionNumber(display) + 1, &readable, nullptr, nullptr, &wait);
    }
    // Also the wait of a ping still unanswered when the watch ends counts.
    const long waited = static_cast<long>(MillisecondsSince(sent) * 1000.0);
    if (waited > longest_.load()) {
      longest_.store(waited);
      longestAt_.store(static_cast<long>(std::chrono::duration<double, std::micro>(sent - start).count()));
    }
    if (answered) answered_.fetch_add(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  XCloseDisplay(display);
}

}  // namespace orv::test
