// What a worker process tells the parent of a parallel run, one event per
// line on its own pipe: the progress of the entry it converts and the
// entry's end. The lines are the worker's own, but a worker that dies
// mid-line or misbehaves must not confuse the parent: unknown lines parse as
// nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv::pool {

struct WorkerEvent {
  enum class Kind {
    kStatus,       // text: the status line of the entry
    kPercent,      // number: 0..100
    kCancelled,    // the entry was cancelled
    kDone,         // number: 1 when the entry converted cleanly, else 0
    kUnavailable,  // LibreOffice cannot be started: no further entry can convert
    kRecord,       // text: the entry's report line (JSON), sent before its end
    kReady,        // a warm worker takes the next entry: its LibreOffice runs and has converted the check deck
    kRestarted,    // a warm worker started LibreOffice again (after one that was ended, or that died)
  };
  Kind kind = Kind::kStatus;
  std::int32_t number = 0;
  std::string text;
};

// One line, with its newline. Line breaks inside a status text become blanks.
std::string FormatWorkerEvent(const WorkerEvent& event);

// A line without its newline; nothing for a line that is not an event.
std::optional<WorkerEvent> ParseWorkerEvent(std::string_view line);

}  // namespace orv::pool
