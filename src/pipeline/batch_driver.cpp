#include "pipeline/batch_driver.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "movie/web_page.h"
#include "movie/web_player_markup.h"
#include "pipeline/convert_movies.h"
#include "pipeline/output_names.h"
#include "pipeline/picture_folder.h"
#include "pipeline/presentation_export.h"
#include "pipeline/working_folder.h"
#include "pipeline/write_movies.h"

namespace orv {
namespace {

// Ends the server when the time of one presentation runs out. The blow is
// repeated until the export has returned, so that a process the export
// starts meanwhile cannot outlive the limit either.
class Deadline {
 public:
  Deadline(AutomationServer& server, SlideWorkers* slideWorkers, int seconds)
      : server_(server), slideWorkers_(slideWorkers) {
    if (seconds <= 0) return;
    watcher_ = std::thread([this, seconds] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (wake_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) return;
      expired_ = true;
      while (!done_) {
        server_.EndNow();
        if (slideWorkers_ != nullptr) slideWorkers_->EndNow();
        wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return done_; });
      }
    });
  }
  ~Deadline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    if (watcher_.joinable()) watcher_.join();
  }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

  bool expired() const { return expired_; }

 private:
  AutomationServer& server_;
  SlideWorkers* slideWorkers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::atomic<bool> expired_{false};
  std::thread watcher_;
};

// Notes whether the server could be started for the presentation at hand. A
// start cut short by the time limit or by the user's cancel is that
// presentation's end, not a missing server.
class StartWatch final : public AutomationServer {
 public:
  StartWatch(AutomationServer& inner, const Deadline& deadline, const Progress& progress)
      : inner_(inner), deadline_(deadline), progress_(progress) {}
  ServerStart CreateObject(std::string_view className) override {
    ServerStart start = inner_.CreateObject(className);
    if (deadline_.expired() || progress_.cancelled()) throw AutomationError(start.description);
    failed = start.application.IsNull();
    return start;
  }
  bool failed = false;

 private:
  AutomationServer& inner_;
  const Deadline& deadline_;
  const Progress& progress_;
};

// "Presentations.Open: LibreOffice cannot open ..." is shown as "LibreOffice
// cannot open ...": the automation member's name means nothing to a reader,
// and the reason line (--verbose) keeps it.
std::string WithoutMemberName(std::string_view description) {
  const std::size_t colon = description.find(": ");
  const std::string_view name = description.substr(0, colon == std::string_view::npos ? 0 : colon);
  const std::size_t dot = name.find('.');
  const auto isWord = [](std::string_view word) {
    if (word.empty() || word.front() < 'A' || word.front() > 'Z') return false;
    for (const char c : word) {
      if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    }
    return true;
  };
  if (dot == std::string_view::npos || !isWord(name.substr(0, dot)) || !isWord(name.substr(dot + 1))) {
    return std::string(description);
  }
  return std::string(description.substr(colon + 2));
}

// A page's notice links its movie's twin only when the twin's name could be
// written (WriteSlideMovies skipped it otherwise).
ConversionSettings WithTwinLinkIfItFits(const ConversionSettings& settings, std::string_view movieName) {
  ConversionSettings page = settings;
  if (TwinPathIfItFits(settings.OutputFolder, movieName).empty()) page.GenHTML5 = 0;
  return page;
}

// Removes the working folder however the presentation's road ends:
// converted, failed, cancelled or out of time.
class WorkingFolderRemoval {
 public:
  explicit WorkingFolderRemoval(const std::string& folder) : folder_(folder) {}
  ~WorkingFolderRemoval() { RemoveWorkingFolder(folder_); }
  WorkingFolderRemoval(const WorkingFolderRemoval&) = delete;
  WorkingFolderRemoval& operator=(const WorkingFolderRemoval&) = delete;

 private:
  const std::string& folder_;
};

}  // namespace

BatchDriver::BatchDriver(ConversionSettings& settings, AutomationServer& server, ProgressFactory makeProgress)
    : settings_(settings), server_(server), makeProgress_(std::move(makeProgress)) {
  // What runs that were killed in the middle of a presentation left.
  RemoveWorkingFoldersOfEndedRuns(settings_.TempFolder);
}

EntryResult BatchDriver::ConvertEntry(const std::string& path) {
  if (!PathExists(path)) {
    const int error = errno;
    Notify(FormatMessage(msg::kSourceMissing, path));
    Explain(path + ": " + std::strerror(error));
    return EntryResult::kSkipped;
  }
  std::unique_ptr<Progress> progress = makeProgress_(path);
  progress->BeginProgress();
  progress->SetStatusText(FormatMessage(msg::kLoadingFile, path));

  skipped_ = false;
  noMovies_ = false;
  timedOut_ = false;
  serverLost_ = false;
  lastOutputs_.clear();
  lastSlideCount_ = 0;
  bool converted = IsDirectory(path) ? ConvertPictureFolder(path, *progress) : ConvertPresentation(path, *progress);
  if (progress->cancelled()) return EntryResult::kCancelled;
  if (skipped_) return EntryResult::kSkipped;
  return converted && !noMovies_ ? EntryResult::kConverted : EntryResult::kFailed;
}

bool BatchDriver::ConvertPresentation(const std::string& path, Progress& progress) {
  // Held until the presentation is done, so that a parallel run of the same
  // file takes another folder instead of deleting this one.
  WorkingFolderClaim claim = WorkingFolderClaim::For(settings_, path);
  const std::string& workingFolder = claim.folder();
  if (!RemoveWorkingFolder(workingFolder)) {
    skipped_ = true;
    return true;
  }
  const WorkingFolderRemoval removal(workingFolder);

  SlideList slides;
  slides.useTitles = settings_.UseTitle;
  slides.useSlideTimings = settings_.UsePptTime == 0 ? 1 : 0;

  bool exported = false;
  {
    Deadline deadline(server_, slideWorkers_, timeLimit_);
    StartWatch server(server_, deadline, progress);
    try {
      exported =
          ExportPresentation(server, path, workingFolder, settings_, slides, progress, exportExtension_, slideWorkers_);
      if (!exported && server.failed) serverUnavailable_ = true;
    } catch (const AutomationError& error) {
      // The server could not open or export this presentation (damaged,
      // encrypted, not a presentation, out of time, or the server died
      // meanwhile). That is this presentation's failure alone; the next one
      // starts afresh. A cancel that ended the server in the middle of a
      // call is no failure and shows nothing.
      if (progress.cancelled()) {
        // nothing to tell
      } else if (deadline.expired()) {
        timedOut_ = true;
        Notify(FormatMessage(FormatMessage(msg::kTimeLimitExceeded, timeLimit_), path));
      } else {
        serverLost_ = error.failure() == AutomationFailure::kServerLost;
        Notify(*error.description() != '\0' ? WithoutMemberName(error.description()) : msg::kInternalError);
      }
      Explain("LibreOffice on " + path + ": " + error.description());
      return false;
    }
  }
  if (!exported) return false;
  if (ConvertPresentationMovies(path, workingFolder, settings_, slides, progress, exportExtension_) == 0) {
    noMovies_ = true;
    return !progress.cancelled();
  }
  if (!WriteCompanionFiles(path, settings_, slides)) return false;
  RecordOutputs(path, settings_, slides);

  progress.StepIt();
  progress.PumpMessages(true);
  return !progress.cancelled();
}

bool BatchDriver::ConvertPictureFolder(const std::string& folder, Progress& progress) {
  // The pictures decide the road: no timings and no titles come with them,
  // and an exported size cannot be assumed.
  ConversionSettings settings = settings_;
  settings.UsePptTime = 1;
  settings.UseTitle = 0;
  settings.SharpFont = 0;

  SlideList slides;
  PictureFolderSlides collected;
  if (!CollectPictureFolder(folder, settings, collected)) return false;
  slides.paths = collected.paths;

  // One step per slide picture and one for the end, as for a presentation.
  progress.SetRange(0, static_cast<std::int32_t>(slides.paths.size()) + 1, 1);
  progress.SetPos(0);

  if (WriteSlideMovies(folder, settings, slides, progress, collected.extension) == 0) {
    noMovies_ = true;
    return !progress.cancelled();
  }
  if (!WriteCompanionFiles(folder, settings, slides)) return false;
  RecordOutputs(folder, settings, slides);
  progress.StepIt();
  progress.PumpMessages(true);
  return !progress.cancelled();
}

void BatchDriver::RecordOutputs(const std::string& sourcePath, const ConversionSettings& settings,
                                const SlideList& slides) {
  lastSlideCount_ = static_cast<int>(slides.paths.size());
  lastOutputs_ = EntryOutputNames(sourcePath, settings, slides.titles, slides.paths.size());
}

bool BatchDriver::PrepareWebPlayer(const std::string& outputFolder) {
  if (!webPlayer_.found()) {
    if (!webPlayerMissingShown_) Notify(FormatMessage(msg::kWebPlayerMissing, webPlayer_.folder));
    webPlayerMissingShown_ = true;
    return false;
  }
  auto [known, first] = webPlayerCopies_.try_emplace(outputFolder, WebPlayerCopy::kFailed);
  if (first) {
    known->second = InstallWebPlayer(webPlayer_, outputFolder);
    if (known->second == WebPlayerCopy::kFailed) {
      Notify(FormatMessage(msg::kWebPlayerCopyFailed, OutputPath(outputFolder, kWebPlayerFolder)));
    }
  }
  // A folder that cannot take the copy still gets pages that load the
  // emulator: the player can be put beside them later.
  return true;
}

bool BatchDriver::WriteCompanionFiles(const std::string& sourcePath, const ConversionSettings& recordSettings,
                                      const SlideList& slides) {
  ConversionSettings settings = recordSettings;
  const std::string& playerFolder = settings.WebPlayerRoot.empty() ? settings.OutputFolder : settings.WebPlayerRoot;
  // Pages that load a shared player need no copy of it.
  const bool ownCopy = SharedWebPlayerBase(settings).empty();
  if (settings.GenHTML != 0 && settings.WebPlayer != 0 && ownCopy && !PrepareWebPlayer(playerFolder)) {
    settings.WebPlayer = 0;
  }
  if (settings.SplitPPT != 0) {
    if (settings.GenHTML == 0) return true;  // no autorun.inf in split mode either
    const bool titled = settings.UseTitle != 0;
    const std::size_t count = slides.paths.size();
    for (std::size_t k = 0; k < count; ++k) {
      std::string previous = k > 0 ? SlidePageName(sourcePath, titled, slides.titles, k - 1) : std::string();
      std::string next = k + 1 < count ? SlidePageName(sourcePath, titled, slides.titles, k + 1) : std::string();
      std::string page = OutputPath(settings.OutputFolder, SlidePageName(sourcePath, titled, slides.titles, k));
      const std::string movie = SlideMovieName(sourcePath, titled, slides.titles, k);
      if (WriteWebPage(movie, page, WithTwinLinkIfItFits(settings, movie), previous, next) == 0) return false;
    }
    return true;
  }
  if (settings.GenHTML == 0) return true;
  const std::string page = OutputPath(settings.OutputFolder, PageName(sourcePath));
  if (WriteWebPage(MovieName(sourcePath), page, WithTwinLinkIfItFits(settings, MovieName(sourcePath)), "", "") == 0) {
    return false;
  }
  if (settings.GenAutorun != 0 && WriteAutorun(page, AutorunPath(settings.OutputFolder)) == 0) return false;
  return true;
}

}  // namespace orv
