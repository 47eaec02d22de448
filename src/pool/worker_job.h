// An entry handed to a worker with options of its own: where to read, where
// to write, and stored values that replace the worker's for that entry only.
// The conversion service sends these; a batch sends plain absolute paths,
// which never begin with "{".
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orv::pool {

struct WorkerJob {
  std::string source;                                       // absolute
  std::string outputFolder;                                 // absolute
  std::string webPlayerRoot;                                // where the pages\' player is kept; may be empty
  std::map<std::string, std::int32_t, std::less<>> values;  // stored name -> value
  std::optional<int> timeLimit;                             // seconds for this entry instead of the worker's
  std::string language;                                     // "zh" or "en" for this entry; empty: the worker's
  std::optional<std::string> webPlayerUrl;                  // the pages' shared player for this entry; "" none
};

// One JSON object, without line breaks or NUL bytes.
std::string FormatWorkerJob(const WorkerJob& job);

// True for a message that carries a job rather than a path.
inline bool IsWorkerJob(std::string_view message) { return !message.empty() && message.front() == '{'; }

// The job of a message; nothing when it is not a whole, well-formed one.
std::optional<WorkerJob> ParseWorkerJob(std::string_view message);

}  // namespace orv::pool
