#include "pool/worker_events.h"

#include <charconv>

namespace orv::pool {
namespace {

constexpr std::string_view kStatus = "status ";
constexpr std::string_view kPercent = "percent ";
constexpr std::string_view kCancelled = "cancelled";
constexpr std::string_view kDone = "done ";
constexpr std::string_view kUnavailable = "unavailable";
constexpr std::string_view kRecord = "record ";
constexpr std::string_view kReady = "ready";
constexpr std::string_view kRestarted = "restarted";

std::optional<std::int32_t> Number(std::string_view text, std::int32_t low, std::int32_t high) {
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty() || value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace

std::string FormatWorkerEvent(const WorkerEvent& event) {
  std::string line;
  switch (event.kind) {
    case WorkerEvent::Kind::kStatus:
      line = std::string(kStatus);
      for (char c : event.text) line += (c == '\n' || c == '\r') ? ' ' : c;
      break;
    case WorkerEvent::Kind::kPercent:
      line = std::string(kPercent) + std::to_string(event.number);
      break;
    case WorkerEvent::Kind::kCancelled:
      line = std::string(kCancelled);
      break;
    case WorkerEvent::Kind::kDone:
      line = std::string(kDone) + (event.number != 0 ? "1" : "0");
      break;
    case WorkerEvent::Kind::kUnavailable:
      line = std::string(kUnavailable);
      break;
    case WorkerEvent::Kind::kReady:
      line = std::string(kReady);
      break;
    case WorkerEvent::Kind::kRestarted:
      line = std::string(kRestarted);
      break;
    case WorkerEvent::Kind::kRecord:
      line = std::string(kRecord);
      for (char c : event.text) line += (c == '\n' || c == '\r') ? ' ' : c;
      break;
  }
  line += '\n';
  return line;
}

std::optional<WorkerEvent> ParseWorkerEvent(std::string_view line) {
  WorkerEvent event;
  if (line.starts_with(kStatus)) {
    event.kind = WorkerEvent::Kind::kStatus;
    event.text = std::string(line.substr(kStatus.size()));
    return event;
  }
  if (line.starts_with(kPercent)) {
    auto number = Number(line.substr(kPercent.size()), 0, 100);
    if (!number) return std::nullopt;
    event.kind = WorkerEvent::Kind::kPercent;
    event.number = *number;
    return event;
  }
  if (line.starts_with(kDone)) {
    auto number = Number(line.substr(kDone.size()), 0, 1);
    if (!number) return std::nullopt;
    event.kind = WorkerEvent::Kind::kDone;
    event.number = *number;
    return event;
  }
  if (line == kCancelled) {
    event.kind = WorkerEvent::Kind::kCancelled;
    return event;
  }
  if (line.starts_with(kRecord)) {
    event.kind = WorkerEvent::Kind::kRecord;
    event.text = std::string(line.substr(kRecord.size()));
    return event;
  }
  if (line == kReady) {
    event.kind = WorkerEvent::Kind::kReady;
    return event;
  }
  if (line == kRestarted) {
    event.kind = WorkerEvent::Kind::kRestarted;
    return event;
  }
  if (line == kUnavailable) {
    event.kind = WorkerEvent::Kind::kUnavailable;
    return event;
  }
  return std::nullopt;
}

}  // namespace orv::pool
