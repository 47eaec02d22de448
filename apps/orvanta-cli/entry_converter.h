// One entry of `orvanta-cli convert` at a time, as a serial run and each
// worker of a parallel run do it: counted messages, one LibreOffice for all
// entries, the batch driver with the run's time limit, the folder tree kept
// under the output folder, and a record of what became of the entry.
#pragma once

#include <memory>
#include <string>

#include "base/notifier.h"
#include "batchlist/entry_report.h"
#include "pipeline/batch_driver.h"
#include "pipeline/lazy_presentation_server.h"
#include "pipeline/server_thread.h"
#include "pipeline/slide_workers.h"
#include "pool/pump_call_wait.h"

namespace orv::cli {

// Counts the messages of each entry and keeps its first: an entry that
// showed one did not convert cleanly (a movie that could not be written
// still lets the presentation count as converted inside the engine).
class CountingNotifier final : public Notifier {
 public:
  explicit CountingNotifier(Notifier& inner) : inner_(inner) {}
  void Report(std::string_view text) override;
  bool Ask(std::string_view text) override { return inner_.Ask(text); }
  void Explain(std::string_view reason) override { inner_.Explain(reason); }
  int reports = 0;
  std::string first;  // since the count was last read with TakeFirst

 private:
  Notifier& inner_;
};

struct EntryOutcome {
  bool clean = false;  // converted without a message
  batchlist::EntryRecord record;
};

class EntryConverter {
 public:
  // `settings` is the run's record; its OutputFolder is the output root, and
  // with a `sourceRoot` each entry writes into its own folder below it.
  EntryConverter(ConversionSettings& settings, int timeLimit, bool verbose, std::string sourceRoot,
                 BatchDriver::ProgressFactory makeProgress, int officeRestart = kOfficeRestartInterval);

  // Starts LibreOffice now rather than for the first presentation, so that
  // the first one does not wait for it. False when it cannot be started.
  bool StartOffice();

  // Converts one source (an absolute path); prints its outputs when it
  // converted cleanly.
  EntryOutcome Convert(const std::string& source);

  // `count` more LibreOffices that share the slides of each presentation.
  void UseSlideWorkers(std::size_t count);

  // Only messages: no list of the outputs written.
  void SetQuiet(bool quiet) { quiet_ = quiet; }

  // LibreOffice cannot be started: no further presentation can convert.
  bool serverUnavailable() const { return driver_.serverUnavailable(); }

  // The time limit of the presentations from now on (a job's own).
  void SetTimeLimit(int seconds) { driver_.SetTimeLimit(seconds); }
  // LibreOffice's starts so far, the first one included.
  int officeStarts() const { return office_->starts(); }

 private:
  // Points the record at the entry's folder; false after a message when the
  // source lies outside the source root.
  bool PlaceOutputs(const std::string& source, std::string& relative);

  ConversionSettings& settings_;
  const std::string outputRoot_;
  const std::string sourceRoot_;
  bool quiet_ = false;
  StderrNotifier stderrNotifier_;
  CountingNotifier counter_;
  ScopedNotifier scope_;
  // LibreOffice's calls run on a thread of their own, so that a Ctrl-C or an
  // Esc cancels in the middle of one.
  pool::PumpCallWait wait_;
  LazyPresentationServer* office_ = nullptr;  // owned by server_
  ServerThread server_;
  BatchDriver driver_;
  int officeRestart_;
  std::unique_ptr<SlideWorkers> slideWorkers_;
};

}  // namespace orv::cli
