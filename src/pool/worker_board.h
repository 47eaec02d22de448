// What a parallel run shows on the terminal: one progress line per worker,
// kept at the bottom, with the entries' messages and results printed above
// them as whole lines. Without a terminal the progress comes as plain lines,
// each prefixed with its file, as a serial run prints them unprefixed.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace orv::pool {

class WorkerBoard {
 public:
  // The progress lines go to `err`; Print takes the stream for each line.
  // A quiet board shows no progress at all, only the lines printed.
  WorkerBoard(std::size_t workers, std::FILE* err, bool interactive, bool quiet = false);
  ~WorkerBoard();
  WorkerBoard(const WorkerBoard&) = delete;
  WorkerBoard& operator=(const WorkerBoard&) = delete;

  // The worker has taken the entry called `label`.
  void Start(std::size_t worker, std::string label);
  void Status(std::size_t worker, const std::string& text);
  void Percent(std::size_t worker, int percent);
  void Cancelled(std::size_t worker);
  // The worker has no entry.
  void Idle(std::size_t worker);
  // A whole line (without its newline) for standard output or standard error.
  void Print(std::FILE* stream, const std::string& line);

 private:
  struct Row {
    std::string label;
    std::string status;
    int percent = 0;
    int lastPrintedPercent = -1;
    bool busy = false;
  };
  void Erase();
  void Draw();
  std::string RowText(const Row& row) const;

  std::vector<Row> rows_;
  std::FILE* err_;
  bool interactive_;
  bool quiet_;
  std::size_t drawnLines_ = 0;
  std::size_t columns_ = 80;
};

}  // namespace orv::pool
