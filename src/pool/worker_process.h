// One worker process of a pool: `orvanta-cli convert --worker-fd 3`, with
// the entries on its standard input, its output and errors as lines, and
// its events on descriptor 3. It leads a process group of its own and dies
// with its parent.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace orv::pool {

// Bytes read from one of a worker's pipes, handed on line by line.
struct LineStream {
  int fd = -1;
  std::string pending;
  bool open() const { return fd >= 0; }
};

struct WorkerProcess {
  pid_t pid = -1;
  int input = -1;  // the entries, NUL-terminated
  LineStream out;
  LineStream err;
  LineStream events;
};

void CloseFd(int& fd);

// Starts `program` with `args` (after the program's name) as a worker; the
// parent's ends of the pipes are non-blocking, and none leaks into another
// child. False when the pipes or the process cannot be made.
bool StartWorker(const std::string& program, const std::vector<std::string>& args, WorkerProcess& worker);

// Reads what the pipe holds and hands it on line by line, while the stream
// stays open (a handler may close it). At the pipe's end a last line without
// its newline still counts, and the stream is closed. Without `drain`, one
// read only.
void ReadLines(LineStream& stream, bool drain, const std::function<void(const std::string&)>& onLine);

// Closes our ends of a worker that has ended, and reaps it.
void ReapWorker(WorkerProcess& worker);

}  // namespace orv::pool
