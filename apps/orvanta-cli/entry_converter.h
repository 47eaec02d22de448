// One entry of `orvanta-cli convert` at a time, as a serial run and each
// worker of a parallel run do it: the entry's messages, one LibreOffice for
// all entries, the batch driver with the run's time limit, the folder tree
// kept under the output folder, and a record of what became of the entry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/notifier.h"
#include "batchlist/entry_report.h"
#include "pipeline/batch_driver.h"
#include "pipeline/lazy_presentation_server.h"
#include "pipeline/server_thread.h"
#include "pipeline/slide_workers.h"
#include "pool/pump_call_wait.h"

namespace orv::cli {

// Keeps the messages of the entry at hand, for its record.
class EntryMessages final : public Notifier {
 public:
  explicit EntryMessages(Notifier& inner) : inner_(inner) {}
  void Report(std::string_view text) override;
  bool Ask(std::string_view text) override { return inner_.Ask(text); }
  void Explain(std::string_view reason) override { inner_.Explain(reason); }
  std::vector<std::string> texts;  // since the entry began

 private:
  Notifier& inner_;
};

class EntryConverter {
 public:
  // `settings` is the run's record, read only; its OutputFolder is the output
  // root, and with a `sourceRoot` each entry writes into its own folder below it.
  EntryConverter(const ConversionSettings& settings, int timeLimit, bool verbose, std::string sourceRoot,
                 BatchDriver::ProgressFactory makeProgress, int officeRestart = kOfficeRestartInterval);

  // Starts LibreOffice now rather than for the first presentation, so that
  // the first one does not wait for it. False when it cannot be started.
  bool StartOffice();

  // Converts one source (an absolute path) with the run's values; prints its
  // outputs when it converted.
  batchlist::EntryRecord Convert(const std::string& source);
  // The same with values and a place of the entry's own (a job).
  batchlist::EntryRecord Convert(const std::string& source, const ConversionSettings& settings,
                                 const OutputPlacement& placement);

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
  const ConversionSettings& settings_;
  const std::string sourceRoot_;
  bool quiet_ = false;
  StderrNotifier stderrNotifier_;
  EntryMessages messages_;
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
