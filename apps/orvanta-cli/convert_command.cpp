#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/counted.h"
#include "base/language.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "batchlist/shard.h"
#include "check_deck.h"
#include "commands.h"
#include "convert_list.h"
#include "convert_options.h"
#include "entry_converter.h"
#include "folder_index/index_page.h"
#include "help_text.h"
#include "pipeline/batch_driver.h"
#include "pipeline/batch_groups.h"
#include "pipeline/output_clashes.h"
#include "pipeline/output_folder.h"
#include "pool/batch_pool.h"
#include "pool/stop_signals.h"
#include "pool/worker_events.h"
#include "pool/worker_job.h"
#include "pool/worker_progress.h"
#include "program_paths.h"
#include "run_report.h"
#include "run_summary.h"
#include "settings/settings_store.h"
#include "settings/settings_values.h"
#include "terminal_progress.h"

namespace orv::cli {
namespace {

using namespace pool;  // the batch's workers, their events and the stop signals

// How a page's file notice names this program: "orvanta-cli" when that is
// what PATH finds, else the path it runs from (a build tree, an unpacked copy).
std::string PreviewProgramName() {
  std::error_code ec;
  const auto self = std::filesystem::canonical("/proc/self/exe", ec);
  if (ec) return {};
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "";
  while (!folders.empty()) {
    const std::size_t colon = folders.find(':');
    const std::string folder(folders.substr(0, colon));
    folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
    if (folder.empty()) continue;
    const auto found = std::filesystem::canonical(std::filesystem::path(folder) / "orvanta-cli", ec);
    if (!ec && found == self) return {};
  }
  return self.string();
}

// What every kind of run starts from: the record and the time limit, and
// the store as read, for entries that bring values of their own.
struct RunSetup {
  ConversionSettings settings;
  int timeLimit = 0;
  StoredValues stored;
};

RunSetup PrepareRun(const ConvertOptions& options) {
  SettingsStore store = options.storePath.empty() ? SettingsStore() : SettingsStore(options.storePath);
  std::string outputFolder = AbsolutePath(options.outputDir.empty() ? StoredOutputFolder(store) : options.outputDir);
  RunSetup setup;
  setup.stored = store.Read();
  setup.settings = LoadConversionSettings(setup.stored, outputFolder, options.overrides);
  setup.settings.PreviewProgram = PreviewProgramName();
  ApplyTextOptions(options, setup.settings);
  auto limit = options.overrides.find("TimeLimit");
  setup.timeLimit = limit != options.overrides.end()
                        ? limit->second
                        : store.GetInt("TimeLimit", FindSetting("TimeLimit")->defaultValue);
  return setup;
}

// The output folder is made and tried before anything is exported: one that
// cannot take the movies is one message, with the system's reason.
bool PrepareOutputFolder(const RunSetup& setup, std::string& error) {
  const std::string& folder = setup.settings.OutputFolder;
  if (orv::PrepareOutputFolder(folder, error)) return true;
  const bool exists = std::filesystem::is_directory(folder);
  error = (exists ? "cannot write in the output folder " : "cannot make the output folder ") + folder + ": " + error;
  return false;
}

EntryConverter MakeConverter(const ConvertOptions& options, RunSetup& setup,
                             BatchDriver::ProgressFactory makeProgress) {
  const std::string sourceRoot = options.sourceRoot.empty() ? std::string() : AbsolutePath(options.sourceRoot);
  return EntryConverter(setup.settings, setup.timeLimit, options.verbose, sourceRoot, std::move(makeProgress),
                        options.officeRestart > 0 ? options.officeRestart : kOfficeRestartInterval);
}

// Each folder the run wrote into gets its index page; a script reads where.
void WriteIndexPages(const ConversionSettings& settings, const IndexedFolders& indexed, bool quiet) {
  if (settings.GenIndex == 0) return;
  std::vector<std::string> pages;
  indexed.WriteAll(CurrentLanguage(), &pages);
  if (quiet) return;
  for (const std::string& page : pages)
    std::printf("%s: index %s\n", std::filesystem::path(page).parent_path().c_str(), page.c_str());
  std::fflush(stdout);
}

// Notes the folder an entry wrote into, for its index page at the run's end.
void NoteIndexFolder(const batchlist::EntryRecord& record, IndexedFolders& folders) {
  if (!record.outputs.empty() && record.output) folders.Add(record.output->root, record.output->folder);
}

int RunSerial(const ConvertOptions& options, const ConvertList& list, RunSetup& setup, RunReport& report,
              RunSummary& summary, std::size_t slideWorkers, IndexedFolders& indexed) {
  const bool quiet = options.quiet;
  EntryConverter converter = MakeConverter(options, setup, [quiet](const std::string& path) {
    return std::make_unique<TerminalProgress>(FileNamePart(path), stderr, quiet);
  });
  converter.SetQuiet(quiet);
  converter.UseSlideWorkers(slideWorkers);
  int failed = 0;
  const std::vector<std::size_t>& entries = list.entries;
  const auto notStarted = [&](std::size_t from) {
    for (std::size_t k = from; k < entries.size(); ++k) {
      summary.AddNotStarted(list.given[entries[k]]);
      report.RecordNotStarted(list.given[entries[k]], list.sources[entries[k]]);
    }
  };
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (BatchStopRequested()) {  // the second Ctrl-C came between two entries
      notStarted(i);
      return kExitFailed;  // the run ends by SIGINT
    }
    // A Ctrl-C lands on this entry, whatever step it is in, and the hint
    // that a second one stops the batch is said when it comes.
    SetEntryAtHand(static_cast<int>(i + 1), i + 1 < entries.size());
    batchlist::EntryRecord record = converter.Convert(list.sources[entries[i]]);
    SetEntryAtHand(0, false);
    if (record.status != batchlist::EntryStatus::kConverted) ++failed;
    NoteIndexFolder(record, indexed);
    summary.Add(list.given[entries[i]], record);
    report.Record(list.given[entries[i]], std::move(record));
    const std::size_t left = entries.size() - i - 1;
    // Two Ctrl-C within 3 s, a SIGTERM or SIGHUP, or a LibreOffice that
    // cannot start end the batch.
    if (converter.serverUnavailable() || StopSignal() != 0 || BatchStopRequested()) {
      notStarted(i + 1);
      if (left > 0 && !BatchStopRequested()) std::fprintf(stderr, "Orvanta: %s\n", MoreNotConverted(left).c_str());
      return converter.serverUnavailable() ? kExitTempFail : kExitFailed;
    }
  }
  if (report.writeFailed()) return kExitTempFail;
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
  EntryConverter converter = MakeConverter(
      options, setup, [events, &entry](const std::string&) { return std::make_unique<WorkerProgress>(events, entry); });
  converter.UseSlideWorkers(static_cast<std::size_t>(options.slideWorkers));
  // The parent starts workers with Ctrl-C held back; with the handler in
  // place, one that came meanwhile is taken now and cancels the first entry.
  sigset_t interrupt;
  ::sigemptyset(&interrupt);
  ::sigaddset(&interrupt, SIGINT);
  ::sigprocmask(SIG_UNBLOCK, &interrupt, nullptr);
  // A warm worker has a checked LibreOffice before its first entry; one that
  // cannot say so ends, as after an entry it could not convert.
  WarmOffice warm(converter, setup.settings, entry, events);
  if (options.warm && !warm.Start()) return kExitFailed;
  const UiLanguage runLanguage = CurrentLanguage();
  std::string message;
  while (StopSignal() == 0 && std::getline(std::cin, message, '\0')) {
    ++entry;
    batchlist::EntryRecord converted;
    if (IsWorkerJob(message)) {
      // A job brings its own folder and values, built into a record of its own.
      const auto job = ParseWorkerJob(message);
      if (!job) return kExitUsage;
      SettingOverrides values = options.overrides;
      for (const auto& [name, value] : job->values) values[name] = value;
      ConversionSettings settings = LoadConversionSettings(setup.stored, job->outputFolder, values);
      // A job's pages are read on other machines: they name the program, never
      // where it lies on this one.
      settings.PreviewProgram.clear();
      ApplyTextOptions(options, settings);
      // The pages check the address again: one they cannot take keeps the copy.
      if (job->webPlayerUrl) settings.WebPlayerUrl = *job->webPlayerUrl;
      OutputPlacement placement = OutputPlacement::In(job->outputFolder);
      placement.playerRoot = job->webPlayerRoot;
      // Its own time limit and language, for it alone.
      if (job->timeLimit) converter.SetTimeLimit(*job->timeLimit);
      if (!job->language.empty()) UseLanguage(ResolveLanguage(job->language));
      converted = converter.Convert(job->source, settings, placement);
      if (job->timeLimit) converter.SetTimeLimit(setup.timeLimit);
      if (!job->language.empty()) UseLanguage(runLanguage);
    } else {
      converted = converter.Convert(message);
    }
    const bool clean = converted.status == batchlist::EntryStatus::kConverted;
    std::fflush(stdout);
    std::fflush(stderr);
    std::string record = batchlist::FormatReportLine(converted);
    record.pop_back();
    std::fputs(FormatWorkerEvent({WorkerEvent::Kind::kRecord, 0, record}).c_str(), events);
    const bool unavailable = converter.serverUnavailable();
    // Told before the entry's end, so that the parent hands out nothing more.
    if (unavailable) std::fputs(FormatWorkerEvent({WorkerEvent::Kind::kUnavailable, 0, {}}).c_str(), events);
    std::fputs(FormatWorkerEvent({WorkerEvent::Kind::kDone, clean ? 1 : 0, {}}).c_str(), events);
    if (unavailable || (options.warm && !warm.AfterEntry(converted))) {
      std::fflush(events);
      return kExitFailed;
    }
    std::fflush(events);
  }
  return kExitOk;
}

std::size_t WorkerCount(int jobs) {
  if (jobs > 0) return static_cast<std::size_t>(jobs);
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? cores : 1;
}

// A private copy of the settings store in the temporary folder; empty when
// there is no store (the workers then read the same defaults).
std::string CopyForWorkers(const std::string& store, const std::string& tempFolder) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(store, ec)) return {};
  std::string copy = JoinPath(tempFolder, "orvanta-settings-XXXXXX");
  const int fd = ::mkstemp(copy.data());
  if (fd < 0) return {};
  ::close(fd);
  std::filesystem::copy_file(store, copy, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) {
    ::unlink(copy.c_str());
    return {};
  }
  return copy;
}

// A run that a SIGTERM or SIGHUP stopped, or two Ctrl-C, has cleaned up by
// now and ends by that signal, as its caller expects: a shell loop around
// it stops too.
int EndedByStopSignalOr(int status) {
  if (const int signal = StopSignal(); signal != 0) EndBySignal(signal);
  if (BatchStopRequested()) EndBySignal(SIGINT);
  return status;
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& args) {
  ConvertOptions options;
  std::string error;
  if (!ParseConvertOptions(args, options, error)) {
    std::fprintf(stderr, "Orvanta: %s\n%s", error.c_str(), HelpHint("convert").c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(InCurrentLanguage(kConvertUsage), stdout);
    return kExitOk;
  }
  // Over a file-size limit a write fails with EFBIG and takes the road of a
  // full disk, with its message, instead of ending the run unannounced.
  ::signal(SIGXFSZ, SIG_IGN);
  if (options.workerFd >= 0) {
    RunSetup setup = PrepareRun(options);
    return EndedByStopSignalOr(RunWorker(options, setup));
  }
  ConvertList list;
  if (!GatherSources(options, list, error)) {
    std::fprintf(stderr, "Orvanta: %s\n", error.c_str());
    return kExitUsage;
  }
  if (list.given.empty() && options.filesFrom.empty()) {
    std::fprintf(stderr, "Orvanta: no file given\n%s", HelpHint("convert").c_str());
    return kExitUsage;
  }
  RunSetup setup = PrepareRun(options);
  if (const auto scorm = options.overrides.find("GenScorm");
      scorm != options.overrides.end() && scorm->second != 0 && setup.settings.GenHTML5 == 0) {
    std::fputs("Orvanta: --scorm needs the HTML5 version it is made of (--html5)\n", stderr);
    return kExitUsage;
  }
  std::optional<batchlist::Shard> shard;
  if (!options.shard.empty()) {
    batchlist::Shard parsed;
    if (!batchlist::ParseShard(options.shard, ::getenv, parsed, error)) {
      std::fprintf(stderr, "Orvanta: %s\n", error.c_str());
      return kExitUsage;
    }
    const ConversionSettings& s = setup.settings;
    if (s.SplitPPT == 0 && s.GenHTML != 0 && s.GenAutorun != 0) {
      std::fputs("Orvanta: --autorun cannot go with --shard: every shard would write autorun.inf\n", stderr);
      return kExitUsage;
    }
    shard = parsed;
  }

  // The groups, and the entries whose files would replace an earlier
  // entry's, come from the whole list, so that every shard of it deals them
  // out alike.
  const std::vector<std::string> folders = OutputFoldersOf(options, list);
  const auto groups = GroupBySharedOutputs(list.sources, folders, setup.settings);
  const auto clashes = FindOutputClashes(list.sources, folders, setup.settings);
  std::vector<std::vector<std::size_t>> ours;
  std::vector<std::size_t> refused;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (shard && batchlist::ShardOfGroup(g, shard->count) != shard->index) continue;
    ours.push_back(groups[g]);
    std::erase_if(ours.back(), [&](std::size_t entry) {
      if (clashes[entry]) refused.push_back(entry);
      return clashes[entry].has_value();
    });
  }
  std::erase_if(ours, [](const auto& group) { return group.empty(); });
  std::sort(refused.begin(), refused.end());

  RunReport report;
  if (!report.Open(options.reportPath, shard ? std::optional(shard->text()) : std::nullopt, error)) {
    std::fprintf(stderr, "Orvanta: %s\n", error.c_str());
    return kExitTempFail;
  }
  RunSummary summary;
  for (const std::size_t entry : refused) {
    const std::string& first = list.given[*clashes[entry]];
    batchlist::EntryRecord record = batchlist::RecordOfSource(list.sources[entry]);
    record.message = FormatMessage(msg::kOutputsWouldReplace, first);
    std::fprintf(stderr, "Orvanta: %s: %s\n", list.given[entry].c_str(), record.message->c_str());
    summary.Add(list.given[entry], record);
    report.Record(list.given[entry], std::move(record));
  }
  std::size_t skipped = 0;
  std::set<std::size_t> before;
  for (const auto& group : ours) before.insert(group.begin(), group.end());
  if (options.resume && !SkipConverted(options, setup.settings, list, ours, skipped, error)) {
    std::fprintf(stderr, "Orvanta: %s\n", error.c_str());
    return kExitTempFail;
  }
  // A folder whose entries were all converted by a run that ended before its
  // index page still gets one.
  IndexedFolders indexed;
  for (const auto& group : ours) {
    for (const std::size_t entry : group) before.erase(entry);
  }
  for (const std::size_t entry : before) indexed.Add(setup.settings.OutputFolder, folders[entry]);
  summary.AddSkipped(skipped);
  for (const auto& group : ours) list.entries.insert(list.entries.end(), group.begin(), group.end());
  std::sort(list.entries.begin(), list.entries.end());
  if (!PrepareOutputFolder(setup, error)) {
    std::fprintf(stderr, "Orvanta: %s\n", error.c_str());
    return kExitTempFail;
  }

  ParallelPlan plan;
  plan.groups = std::move(ours);
  const std::size_t jobs = WorkerCount(options.jobs);
  plan.workers = std::min(jobs, plan.groups.size());
  plan.program = ThisProgram();
  if (plan.workers <= 1 || plan.program.empty()) {
    // One file at a time: the other LibreOffices share its slides.
    const int status = RunSerial(options, list, setup, report, summary, jobs - 1, indexed);
    WriteIndexPages(setup.settings, indexed, options.quiet);
    summary.Print(stderr);
    return EndedByStopSignalOr(status == kExitOk && !refused.empty() ? kExitFailed : status);
  }

  plan.sources = list.sources;
  plan.workerArgs = {"convert"};
  plan.workerArgs.insert(plan.workerArgs.end(), options.optionArgs.begin(), options.optionArgs.end());
  // The workers write where this run decided, even when the stored folder
  // changes meanwhile.
  plan.workerArgs.insert(plan.workerArgs.end(), {"--output-dir", setup.settings.OutputFolder, "--worker-fd", "3"});
  // The LibreOffices that no file would keep busy share the slides of the
  // files instead.
  const std::size_t slideWorkers = (jobs - plan.workers) / plan.workers;
  if (slideWorkers > 0)
    plan.workerArgs.insert(plan.workerArgs.end(), {"--slide-workers", std::to_string(slideWorkers)});
  OrderLargestFirst(plan.groups, SourceSizes(list.sources));
  plan.tempFolder = setup.settings.TempFolder;
  // The workers read the options this run read, even when the store is
  // changed meanwhile (`settings set`): they get a private copy of it.
  const std::string storeCopy = CopyForWorkers(
      options.storePath.empty() ? SettingsStore::DefaultPath() : options.storePath, setup.settings.TempFolder);
  if (!storeCopy.empty()) plan.workerArgs.insert(plan.workerArgs.end(), {"--store", storeCopy});
  plan.quiet = options.quiet;
  std::vector<bool> ended(list.sources.size(), false);
  plan.onEntryEnd = [&](std::size_t entry, std::optional<batchlist::EntryRecord> record) {
    const batchlist::EntryRecord whole = record ? *record : LostEntryRecord(list.sources[entry]);
    ended[entry] = true;
    NoteIndexFolder(whole, indexed);
    summary.Add(list.given[entry], whole);
    report.Record(list.given[entry], whole);
  };
  InstallStopHandlers();
  const pool::ParallelEnd end = pool::RunParallelConvert(plan);
  int status = end == pool::ParallelEnd::kAllConverted ? kExitOk
               : end == pool::ParallelEnd::kSomeFailed ? kExitFailed
                                                       : kExitTempFail;
  if (!storeCopy.empty()) ::unlink(storeCopy.c_str());
  for (const std::size_t entry : list.entries) {
    if (ended[entry]) continue;
    summary.AddNotStarted(list.given[entry]);
    report.RecordNotStarted(list.given[entry], list.sources[entry]);
  }
  WriteIndexPages(setup.settings, indexed, options.quiet);
  summary.Print(stderr);
  if (report.writeFailed()) status = kExitTempFail;
  if (status == kExitOk && !refused.empty()) status = kExitFailed;
  return EndedByStopSignalOr(status);
}

}  // namespace orv::cli
