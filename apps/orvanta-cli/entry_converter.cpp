#include "entry_converter.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "base/paths.h"
#include "batchlist/source_tree.h"
#include "pipeline/output_names.h"
#include "pipeline/presentation_export.h"
#include "pool/stop_signals.h"

namespace orv::cli {
namespace {

void PrintPackage(const std::string& source, const ConversionSettings& settings) {
  if (!MakesScormPackage(settings) || !FileNameFits(ScormPackageName(source))) return;
  const std::string package = OutputPath(settings.OutputFolder, ScormPackageName(source));
  std::printf("%s: scorm %s\n", source.c_str(), package.c_str());
}

void PrintOutputs(const std::string& source, const ConversionSettings& settings) {
  if (settings.SplitPPT != 0) {
    std::printf("%s: movies in %s\n", source.c_str(), settings.OutputFolder.c_str());
    PrintPackage(source, settings);
    std::fflush(stdout);
    return;
  }
  std::string movie = OutputPath(settings.OutputFolder, MovieName(source));
  std::printf("%s: movie %s\n", source.c_str(), movie.c_str());
  if (settings.GenHTML != 0) {
    std::printf("%s: page  %s\n", source.c_str(), OutputPath(settings.OutputFolder, PageName(source)).c_str());
  }
  const std::string twin = TwinPathIfItFits(settings.OutputFolder, MovieName(source));
  if (settings.GenHTML5 != 0 && !twin.empty()) std::printf("%s: html5 %s\n", source.c_str(), twin.c_str());
  PrintPackage(source, settings);
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

}  // namespace

void CountingNotifier::Report(std::string_view text) {
  if (first.empty()) first = std::string(text);
  ++reports;
  inner_.Report(text);
}

EntryConverter::EntryConverter(ConversionSettings& settings, int timeLimit, bool verbose, std::string sourceRoot,
                               BatchDriver::ProgressFactory makeProgress, int officeRestart)
    : settings_(settings),
      outputRoot_(settings.OutputFolder),
      sourceRoot_(std::move(sourceRoot)),
      stderrNotifier_(verbose),
      counter_(stderrNotifier_),
      scope_(counter_),
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

bool EntryConverter::PlaceOutputs(const std::string& source, std::string& relative) {
  if (sourceRoot_.empty()) return true;
  std::string error;
  if (!batchlist::FolderUnderRoot(source, sourceRoot_, relative, error)) {
    Notify(error);
    return false;
  }
  settings_.OutputFolder = relative.empty() ? outputRoot_ : JoinPath(outputRoot_, relative);
  settings_.WebPlayerRoot = outputRoot_;
  settings_.WebPlayerBase = batchlist::WebPlayerBaseFrom(relative);
  std::error_code ec;
  std::filesystem::create_directories(settings_.OutputFolder, ec);  // a failure shows when the movie is written
  return true;
}

EntryOutcome EntryConverter::Convert(const std::string& source) {
  const auto started = std::chrono::steady_clock::now();
  EntryOutcome outcome;
  batchlist::EntryRecord& record = outcome.record;
  record.source = source;
  batchlist::StatSource(source, record.size, record.mtime);  // the version about to be read
  const int before = counter_.reports;
  counter_.first.clear();

  std::string relative;
  if (PlaceOutputs(source, relative)) {
    const EntryResult result = driver_.ConvertEntry(source);
    wait_.Watch(nullptr);  // that view is gone
    record.status = StatusOf(result, driver_.lastTimedOut());
    // What a caller decides by, as a code rather than the message's words.
    if (driver_.lastTimedOut()) record.error = "time-limit";
    if (driver_.lastServerLost()) record.error = "office-lost";
    if (driver_.serverUnavailable()) record.error = "office-unavailable";
    if (result == EntryResult::kConverted) {
      record.slides = driver_.lastSlideCount();
      for (const std::string& name : driver_.lastOutputs()) {
        record.outputs.push_back(relative.empty() ? name : relative + "/" + name);
      }
    }
    outcome.clean = result == EntryResult::kConverted && counter_.reports == before;
    if (outcome.clean && !quiet_) PrintOutputs(source, settings_);
  }
  if (!counter_.first.empty()) record.message = counter_.first;
  record.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return outcome;
}

}  // namespace orv::cli
