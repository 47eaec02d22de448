#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "commands.h"
#include "convert_options.h"
#include "movie/html5_twin.h"
#include "parallel_convert.h"
#include "pipeline/batch_driver.h"
#include "pipeline/batch_groups.h"
#include "pipeline/lazy_presentation_server.h"
#include "pipeline/output_names.h"
#include "settings/settings_store.h"
#include "settings/settings_values.h"
#include "stop_signals.h"
#include "terminal_progress.h"
#include "worker_events.h"
#include "worker_progress.h"

namespace orv::cli {
namespace {

// Counts the messages of each entry: an entry that showed one did not
// convert cleanly (a movie that could not be written still lets the
// presentation count as converted inside the engine).
class CountingNotifier final : public Notifier {
 public:
  explicit CountingNotifier(Notifier& inner) : inner_(inner) {}
  void Report(std::string_view text) override {
    ++reports;
    inner_.Report(text);
  }
  bool Ask(std::string_view text) override { return inner_.Ask(text); }
  void Explain(std::string_view reason) override { inner_.Explain(reason); }
  int reports = 0;

 private:
  Notifier& inner_;
};

void PrintOutputs(const std::string& source, const ConversionSettings& settings) {
  if (settings.SplitPPT != 0) {
    std::printf("%s: movies in %s\n", source.c_str(), settings.OutputFolder.c_str());
    return;
  }
  std::string movie = OutputPath(settings.OutputFolder, MovieName(source));
  std::printf("%s: movie %s\n", source.c_str(), movie.c_str());
  if (settings.GenHTML != 0) {
    std::printf("%s: page  %s\n", source.c_str(), OutputPath(settings.OutputFolder, PageName(source)).c_str());
  }
  const std::string twin = TwinPathIfItFits(settings.OutputFolder, MovieName(source));
  if (settings.GenHTML5 != 0 && !twin.empty()) std::printf("%s: html5 %s\n", source.c_str(), twin.c_str());
  std::fflush(stdout);
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

// What every kind of run starts from: the record and the time limit.
struct RunSetup {
  ConversionSettings settings;
  int timeLimit = 0;
};

RunSetup PrepareRun(const ConvertOptions& options) {
  SettingsStore store = options.storePath.empty() ? SettingsStore() : SettingsStore(options.storePath);
  std::string outputFolder = Absolute(options.outputDir.empty() ? StoredOutputFolder(store) : options.outputDir);
  std::error_code ec;
  std::filesystem::create_directories(outputFolder, ec);  // a failure shows when the movie is written
  RunSetup setup;
  setup.settings = LoadConversionSettings(store, outputFolder, options.overrides);
  auto limit = options.overrides.find("TimeLimit");
  setup.timeLimit = limit != options.overrides.end()
                        ? limit->second
                        : store.GetInt("TimeLimit", FindSetting("TimeLimit")->defaultValue);
  return setup;
}

// What a serial run and a worker share: counted messages, one LibreOffice
// for all entries, and the batch driver with the run's time limit.
class EntryConverter {
 public:
  EntryConverter(const ConvertOptions& options, RunSetup& setup, BatchDriver::ProgressFactory makeProgress)
      : settings_(setup.settings),
        stderrNotifier_(options.verbose),
        counter_(stderrNotifier_),
        scope_(counter_),
        driver_(setup.settings, server_, std::move(makeProgress)) {
    InstallStopHandlers();
    driver_.SetTimeLimit(setup.timeLimit);
  }

  // True when the entry converted without a message; its outputs are then printed.
  bool Convert(const std::string& source) {
    const int before = counter_.reports;
    const EntryResult result = driver_.ConvertEntry(source);
    const bool clean = result == EntryResult::kConverted && counter_.reports == before;
    if (clean) PrintOutputs(source, settings_);
    return clean;
  }

  // LibreOffice cannot be started: no further presentation can convert.
  bool serverUnavailable() const { return driver_.serverUnavailable(); }

 private:
  const ConversionSettings& settings_;
  StderrNotifier stderrNotifier_;
  CountingNotifier counter_;
  ScopedNotifier scope_;
  LazyPresentationServer server_;
  BatchDriver driver_;
};

int RunSerial(const ConvertOptions& options, const std::vector<std::string>& sources, RunSetup& setup) {
  EntryConverter converter(
      options, setup, [](const std::string& path) { return std::make_unique<TerminalProgress>(FileNamePart(path)); });
  int failed = 0;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (!converter.Convert(sources[i])) ++failed;
    // A SIGTERM or SIGHUP ends the batch as a LibreOffice that cannot start does.
    if (converter.serverUnavailable() || StopSignal() != 0) {
      std::size_t left = sources.size() - i - 1;
      if (left > 0) std::fprintf(stderr, "Orvanta: %zu more file(s) not converted\n", left);
      return kExitFailed;
    }
  }
  return failed == 0 ? kExitOk : kExitFailed;
}

// A worker of a parallel run: the entries come on standard input, each
// ended by a NUL; each one's end (and a LibreOffice that cannot start) goes
// to the events pipe after its lines.
int RunWorker(const ConvertOptions& options, RunSetup& setup) {
  // The descriptor had to outlive our own start; LibreOffice must not hold
  // it, or the parent would wait for LibreOffice to see this worker end.
  ::fcntl(options.workerFd, F_SETFD, FD_CLOEXEC);
  std::FILE* events = ::fdopen(options.workerFd, "w");
  if (events == nullptr) return kExitUsage;
  int entry = 0;  // the number of the entry at hand, as the parent counts them
  EntryConverter converter(
      options, setup, [events, &entry](const std::string&) { return std::make_unique<WorkerProgress>(events, entry); });
  // The parent starts workers with Ctrl-C held back; with the handler in
  // place, one that came meanwhile is taken now and cancels the first entry.
  sigset_t interrupt;
  ::sigemptyset(&interrupt);
  ::sigaddset(&interrupt, SIGINT);
  ::sigprocmask(SIG_UNBLOCK, &interrupt, nullptr);
  std::string source;
  while (StopSignal() == 0 && std::getline(std::cin, source, '\0')) {
    ++entry;
    const bool clean = converter.Convert(source);
    std::fflush(stdout);
    std::fflush(stderr);
    const bool unavailable = converter.serverUnavailable();
    // Told before the entry's end, so that the parent hands out nothing more.
    if (unavailable) std::fputs(FormatWorkerEvent({WorkerEvent::Kind::kUnavailable, 0, {}}).c_str(), events);
    std::fputs(FormatWorkerEvent({WorkerEvent::Kind::kDone, clean ? 1 : 0, {}}).c_str(), events);
    std::fflush(events);
    if (unavailable) return kExitFailed;
  }
  return kExitOk;
}

std::size_t WorkerCount(int jobs) {
  if (jobs > 0) return static_cast<std::size_t>(jobs);
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? cores : 1;
}

std::string ThisProgram() {
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
}

// A run that a SIGTERM or SIGHUP stopped has cleaned up by now and ends by
// that signal, as its caller expects.
int EndedByStopSignalOr(int status) {
  if (const int signal = StopSignal(); signal != 0) EndBySignal(signal);
  return status;
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& args) {
  ConvertOptions options;
  std::string error;
  if (!ParseConvertOptions(args, options, error)) {
    std::fprintf(stderr, "orvanta-cli convert: %s\nRun 'orvanta-cli convert --help' for the options.\n", error.c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(kConvertUsage, stdout);
    return kExitOk;
  }
  // Over a file-size limit a write fails with EFBIG and takes the road of a
  // full disk, with its message, instead of ending the run unannounced.
  ::signal(SIGXFSZ, SIG_IGN);
  if (options.workerFd >= 0) {
    RunSetup setup = PrepareRun(options);
    return EndedByStopSignalOr(RunWorker(options, setup));
  }
  if (options.files.empty()) {
    std::fputs("orvanta-cli convert: no file given\nRun 'orvanta-cli convert --help' for the options.\n", stderr);
    return kExitUsage;
  }

  RunSetup setup = PrepareRun(options);
  std::vector<std::string> sources;
  for (const std::string& file : options.files) sources.push_back(Absolute(file));

  ParallelPlan plan;
  plan.groups = GroupBySharedOutputs(sources, setup.settings);
  plan.workers = std::min(WorkerCount(options.jobs), plan.groups.size());
  plan.program = ThisProgram();
  if (plan.workers <= 1 || plan.program.empty()) return EndedByStopSignalOr(RunSerial(options, sources, setup));

  plan.sources = std::move(sources);
  plan.workerArgs = {"convert"};
  plan.workerArgs.insert(plan.workerArgs.end(), options.optionArgs.begin(), options.optionArgs.end());
  // The workers write where this run decided, even when the stored folder
  // changes meanwhile.
  plan.workerArgs.insert(plan.workerArgs.end(), {"--output-dir", setup.settings.OutputFolder, "--worker-fd", "3"});
  plan.tempFolder = setup.settings.TempFolder;
  InstallStopHandlers();
  return EndedByStopSignalOr(RunParallelConvert(plan));
}

}  // namespace orv::cli
