#include "entry_converter.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/language.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/version.h"
#include "batchlist/source_tree.h"
#include "pipeline/output_fingerprint.h"
#include "pipeline/presentation_export.h"
#include "pool/stop_signals.h"

namespace orv::cli {
namespace {

// The lines a script reads: what the entry wrote, from its plan.
void PrintOutputs(const std::string& source, const OutputPlan& plan) {
  const auto line = [&source](const char* what, const std::string& path) {
    std::printf("%s: %s %s\n", source.c_str(), what, path.c_str());
  };
  if (plan.split()) {
    line("movies in", plan.placement().Folder());
  } else if (!plan.movies().empty()) {
    const PlannedMovie& movie = plan.movies().front();
    line("movie", movie.movie);
    if (!movie.page.empty()) line("page ", movie.page);
    if (!movie.twin.empty()) line("html5", movie.twin);
  }
  if (!plan.lesson().empty()) line("scorm", plan.lesson());
  if (!plan.video().empty()) {
    line("video", plan.video());
    line("chapters", plan.chapters());
  }
  std::fflush(stdout);
}

std::unique_ptr<LazyPresentationServer> MakeOffice(int restartEvery, LazyPresentationServer*& office) {
  auto server = std::make_unique<LazyPresentationServer>(restartEvery);
  office = server.get();
  return server;
}

batchlist::EntryStatus StatusOf(EntryResult result, bool timedOut) {
  if (result == EntryResult::kConverted) return batchlist::EntryStatus::kConverted;
  if (result == EntryResult::kCancelled) return batchlist::EntryStatus::kCancelled;
  return timedOut ? batchlist::EntryStatus::kTimedOut : batchlist::EntryStatus::kFailed;
}

// The system's reason for a failed write, in words a reader of the report
// acts on: a full disk is said as such.
std::string WriteErrorText(int error) {
  if (error == ENOSPC || error == EDQUOT) return Translate(msg::kDiskFull);
  return std::strerror(error);
}

// The entry's message: its first, or, when a file could not be written, the
// message that named the first such file, with the system's reason.
std::optional<std::string> EntryMessage(const std::vector<std::string>& texts, const OutputPlan& plan) {
  if (texts.empty()) return std::nullopt;
  if (plan.firstError() != 0) {
    for (const std::string& text : texts) {
      if (text.find(plan.firstFailed()) != std::string::npos) {
        return text + " (" + WriteErrorText(plan.firstError()) + ")";
      }
    }
  }
  return texts.front();
}

}  // namespace

void EntryMessages::Report(std::string_view text) {
  texts.emplace_back(text);
  inner_.Report(text);
}

EntryConverter::EntryConverter(const ConversionSettings& settings, int timeLimit, bool verbose, std::string sourceRoot,
                               BatchDriver::ProgressFactory makeProgress, int officeRestart)
    : settings_(settings),
      sourceRoot_(std::move(sourceRoot)),
      stderrNotifier_(verbose),
      messages_(stderrNotifier_),
      scope_(messages_),
      server_(MakeOffice(officeRestart, office_), wait_),
      driver_(settings, server_,
              [this, make = std::move(makeProgress)](const std::string& path) {
                std::unique_ptr<Progress> progress = make(path);
                wait_.Watch(progress.get());
                return progress;
              }),
      officeRestart_(officeRestart) {
  pool::InstallStopHandlers();
  driver_.SetTimeLimit(timeLimit);
}

void EntryConverter::UseSlideWorkers(std::size_t count) {
  driver_.SetSlideWorkers(nullptr);
  slideWorkers_.reset();
  if (count == 0) return;
  slideWorkers_ = std::make_unique<SlideWorkers>(count, officeRestart_);
  driver_.SetSlideWorkers(slideWorkers_.get());
}

bool EntryConverter::StartOffice() { return !server_.CreateObject(kPresentationServerClass).application.IsNull(); }

batchlist::EntryRecord EntryConverter::Convert(const std::string& source) {
  OutputPlacement placement = OutputPlacement::In(settings_.OutputFolder);
  std::string error;
  if (!sourceRoot_.empty() && !batchlist::FolderUnderRoot(source, sourceRoot_, placement.relative, error)) {
    messages_.texts.clear();
    Notify(error);
    batchlist::EntryRecord record = batchlist::RecordOfSource(source);
    record.message = error;
    return record;
  }
  return Convert(source, settings_, placement);
}

batchlist::EntryRecord EntryConverter::Convert(const std::string& source, const ConversionSettings& settings,
                                               const OutputPlacement& placement) {
  const auto started = std::chrono::steady_clock::now();
  batchlist::EntryRecord record = batchlist::RecordOfSource(source);  // the version about to be read
  record.settings = batchlist::SettingsStamp{OutputFingerprint(settings), kVersion};
  record.output = batchlist::OutputPlace{placement.root, placement.relative};
  messages_.texts.clear();

  const EntryResult result = driver_.ConvertEntry(source, settings, placement);
  wait_.Watch(nullptr);  // that view is gone
  const OutputPlan& plan = driver_.lastPlan();
  record.status = StatusOf(result, driver_.lastTimedOut());
  // What a caller decides by, as a code rather than the message's words.
  if (driver_.lastTimedOut()) record.error = "time-limit";
  if (driver_.lastServerLost()) record.error = "office-lost";
  if (driver_.serverUnavailable()) record.error = "office-unavailable";
  record.outputs = plan.WrittenOutputs();
  if (result == EntryResult::kConverted) {
    record.slides = driver_.lastSlideCount();
    if (!quiet_) PrintOutputs(source, plan);
  }
  record.message = EntryMessage(messages_.texts, plan);
  record.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return record;
}

}  // namespace orv::cli
