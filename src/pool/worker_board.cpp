#include "pool/worker_board.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace orv::pool {
namespace {

// Cuts a UTF-8 text to at most `width` bytes without splitting a character.
std::string Fit(const std::string& text, std::size_t width) {
  if (text.size() <= width) return text;
  std::size_t end = width;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace

WorkerBoard::WorkerBoard(std::size_t workers, std::FILE* err, bool interactive, bool quiet)
    : rows_(workers), err_(err), interactive_(interactive && !quiet), quiet_(quiet) {
  winsize size{};
  if (interactive_ && ::ioctl(::fileno(err_), TIOCGWINSZ, &size) == 0 && size.ws_col > 20) columns_ = size.ws_col;
}

WorkerBoard::~WorkerBoard() { Erase(); }

void WorkerBoard::Start(std::size_t worker, std::string label) {
  Row& row = rows_.at(worker);
  row = Row{std::move(label), {}, 0, -1, true};
  if (interactive_) {
    Erase();
    Draw();
  }
}

void WorkerBoard::Status(std::size_t worker, const std::string& text) {
  Row& row = rows_.at(worker);
  row.status = text;
  if (interactive_) {
    Erase();
    Draw();
  } else if (!quiet_) {
    std::fprintf(err_, "%s: %s\n", row.label.c_str(), text.c_str());
    std::fflush(err_);
  }
}

void WorkerBoard::Percent(std::size_t worker, int percent) {
  Row& row = rows_.at(worker);
  row.percent = percent;
  if (interactive_) {
    Erase();
    Draw();
    return;
  }
  // Plain lines every ten percent keep logs short, as in a serial run.
  if (quiet_) return;
  if (row.lastPrintedPercent < 0 || percent >= row.lastPrintedPercent + 10 || percent == 100) {
    row.lastPrintedPercent = percent;
    std::fprintf(err_, "%s: %d%%\n", row.label.c_str(), percent);
    std::fflush(err_);
  }
}

void WorkerBoard::Cancelled(std::size_t worker) {
  if (!quiet_) Print(err_, rows_.at(worker).label + ": cancelled");
}

void WorkerBoard::Idle(std::size_t worker) {
  rows_.at(worker).busy = false;
  if (interactive_) {
    Erase();
    Draw();
  }
}

void WorkerBoard::Print(std::FILE* stream, const std::string& line) {
  Erase();
  std::fprintf(stream, "%s\n", line.c_str());
  std::fflush(stream);
  if (interactive_) Draw();
}

std::string WorkerBoard::RowText(const Row& row) const {
  if (!row.busy) return "[" + std::string(20, ' ') + "]";
  constexpr int kBarWidth = 20;
  const int filled = row.percent >= 100 ? kBarWidth : row.percent * kBarWidth / 100;
  std::string text = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "] ";
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", row.percent);
  text += percent;
  text += "  " + row.label;
  if (!row.status.empty()) text += ": " + row.status;
  return Fit(text, columns_ - 1);
}

void WorkerBoard::Draw() {
  if (!interactive_) return;
  for (const Row& row : rows_) std::fprintf(err_, "%s\n", RowText(row).c_str());
  std::fflush(err_);
  drawnLines_ = rows_.size();
}

void WorkerBoard::Erase() {
  if (!interactive_ || drawnLines_ == 0) return;
  // Up to the first bar line, then clear to the end of the screen.
  std::fprintf(err_, "\033[%zuF\033[J", drawnLines_);
  std::fflush(err_);
  drawnLines_ = 0;
}

}  // namespace orv::pool
