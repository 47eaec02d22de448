#include "terminal_progress.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "pool/stop_signals.h"

namespace orv::cli {
namespace {

termios g_savedTermios{};

// The status text may span lines; the bar shows it on one.
std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

TerminalProgress::TerminalProgress(std::string label, std::FILE* out, bool quiet)
    : Progress(), label_(std::move(label)), out_(out), interactive_(::isatty(::fileno(out)) != 0), quiet_(quiet) {}

TerminalProgress::~TerminalProgress() {
  EndLine();
  if (rawMode_) ::tcsetattr(ttyFd_, TCSANOW, &g_savedTermios);
  if (ttyFd_ >= 0) ::close(ttyFd_);
}

bool TerminalProgress::OnBegin() {
  if (interactive_ && ::isatty(STDIN_FILENO) != 0) {
    // Esc is read from the terminal without echo or line buffering; the
    // terminal is restored when the presentation is done.
    ttyFd_ = ::open("/dev/tty", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (ttyFd_ >= 0 && ::tcgetattr(ttyFd_, &g_savedTermios) == 0) {
      termios raw = g_savedTermios;
      raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
      raw.c_cc[VMIN] = 0;
      raw.c_cc[VTIME] = 0;
      rawMode_ = ::tcsetattr(ttyFd_, TCSANOW, &raw) == 0;
    }
  }
  return true;
}

void TerminalProgress::OnStatus(const std::string& text) {
  if (quiet_) return;
  if (interactive_) {
    Redraw();
  } else {
    std::fprintf(out_, "%s\n", OneLine(text).c_str());
    std::fflush(out_);
  }
}

void TerminalProgress::OnCaption(const std::string&) {
  if (interactive_ || quiet_) return;
  // Plain lines every ten percent keep logs short.
  std::int32_t percent = lastPercent();
  if (lastPrintedPercent_ < 0 || percent >= lastPrintedPercent_ + 10 || percent == 100) {
    lastPrintedPercent_ = percent;
    std::fprintf(out_, "%s: %d%%\n", label_.c_str(), percent);
    std::fflush(out_);
  }
}

void TerminalProgress::OnBar(std::int32_t) {
  if (interactive_ && !quiet_) Redraw();
}

bool TerminalProgress::EscPressed() {
  if (!rawMode_) return false;
  bool esc = false;
  char buffer[16];
  ssize_t n;
  while ((n = ::read(ttyFd_, buffer, sizeof buffer)) > 0) {
    // A lone Esc, not the start of an arrow-key sequence.
    for (ssize_t i = 0; i < n; ++i) {
      if (buffer[i] == 27 && (i + 1 >= n || buffer[i + 1] != '[')) esc = true;
    }
  }
  return esc;
}

void TerminalProgress::OnPump(bool escCancels) {
  // SIGTERM and SIGHUP end the run: the presentation is cancelled first.
  if (pool::TakeInterruptOnEntryAtHand() || pool::StopSignal() != 0 || (escCancels && EscPressed())) {
    RequestCancel();
  }
}

void TerminalProgress::OnCancelled() {
  EndLine();
  if (quiet_) return;
  std::fprintf(out_, "%s: cancelled\n", label_.c_str());
  std::fflush(out_);
}

void TerminalProgress::Redraw() {
  constexpr int kBarWidth = 30;
  std::int32_t percent = Percent(position(), lower(), upper());
  if (percent < 0) percent = 0;
  int filled = percent >= 100 ? kBarWidth : percent * kBarWidth / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kBarWidth - filled), '-');
  std::string status = OneLine(statusText());
  if (status.size() > 60) status = "..." + status.substr(status.size() - 57);
  std::fprintf(out_, "\r\033[K[%s] %3d%%  %s", bar.c_str(), percent, status.c_str());
  std::fflush(out_);
  drawn_ = true;
}

void TerminalProgress::EndLine() {
  if (interactive_ && drawn_) {
    std::fputs("\r\033[K", out_);
    std::fflush(out_);
    drawn_ = false;
  }
}

}  // namespace orv::cli
