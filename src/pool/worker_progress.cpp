#include "pool/worker_progress.h"

#include "pool/stop_signals.h"
#include "pool/worker_events.h"

namespace orv::pool {
namespace {

void Send(std::FILE* events, const WorkerEvent& event) {
  std::fputs(FormatWorkerEvent(event).c_str(), events);
  std::fflush(events);
}

}  // namespace

// The parent passes a Ctrl-C on only to workers it has given an entry, and
// tags it with that entry's number: one that came before the entry began is
// meant for it and is kept; one meant for an earlier entry is not taken.
bool WorkerProgress::OnBegin() { return true; }

void WorkerProgress::OnStatus(const std::string& text) { Send(events_, {WorkerEvent::Kind::kStatus, 0, text}); }

void WorkerProgress::OnCaption(const std::string&) {
  const std::int32_t percent = lastPercent();
  if (percent == lastSentPercent_) return;
  lastSentPercent_ = percent;
  Send(events_, {WorkerEvent::Kind::kPercent, percent, {}});
}

void WorkerProgress::OnPump(bool) {
  if (TakeInterruptFor(entry_) || StopSignal() != 0) RequestCancel();
}

void WorkerProgress::OnCancelled() { Send(events_, {WorkerEvent::Kind::kCancelled, 0, {}}); }

}  // namespace orv::pool
