#include "pipeline/batch_driver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "base/language.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "movie/web_page.h"
#include "movie/web_player_markup.h"
#include "pipeline/leftovers.h"
#include "pipeline/picture_folder.h"
#include "pipeline/presentation_export.h"
#include "pipeline/working_folder.h"
#include "pipeline/write_movies.h"
#include "pipeline/write_video.h"

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

// "Slide.Export: LibreOffice could not write ..." is shown as "LibreOffice
// could not write ...", in the message and in its reason (--verbose) alike:
// the automation member's name means nothing to a reader.
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

// The first words a user reads about a presentation LibreOffice could not
// convert: what happened, in plain words, naming the file.
std::string PlainFailure(const AutomationError& error, const std::string& path) {
  switch (error.failure()) {
    case AutomationFailure::kServerLost:
      return FormatMessage(msg::kOfficeStopped, path);
    case AutomationFailure::kCannotOpen:
      return FormatMessage(msg::kOfficeCannotOpen, path);
    case AutomationFailure::kNotPresentation:
      return FormatMessage(msg::kNotPresentation, path);
    case AutomationFailure::kPasswordProtected:
      return FormatMessage(msg::kPasswordProtected, path);
    case AutomationFailure::kDamaged:
      return FormatMessage(msg::kPresentationDamaged, path);
    case AutomationFailure::kEmpty:
      return FormatMessage(msg::kSourceEmpty, path);
    case AutomationFailure::kUnreadable:
      return FormatMessage(msg::kSourceUnreadable, path);
    case AutomationFailure::kCall:
      break;
  }
  // Without a description, the internal error is all there is to say.
  if (*error.description() == '\0') return Translate(msg::kInternalError);
  return FormatMessage(msg::kOfficeFailed, path) + "\n" + WithoutMemberName(error.description());
}

// A file that gives LibreOffice nothing to read, as the file itself tells:
// no bytes (LibreOffice would make a new presentation of it), or no
// permission to read it. Null for any other file; `reason` gets the system's
// words.
const char* UnusableSource(const std::string& path, std::string& reason) {
  // Never blocks: a pipe under a presentation's name opens at once.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno != EACCES && errno != EPERM) return nullptr;  // LibreOffice says the rest
    reason = std::strerror(errno);
    return msg::kSourceUnreadable;
  }
  struct stat st {};
  const bool empty = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
  ::close(fd);
  if (!empty) return nullptr;
  reason = "the file holds 0 bytes";
  return msg::kSourceEmpty;
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

BatchDriver::BatchDriver(const ConversionSettings& settings, AutomationServer& server, ProgressFactory makeProgress)
    : settings_(settings), server_(server), makeProgress_(std::move(makeProgress)) {
  // What runs that were killed in the middle of a presentation left.
  RemoveWorkingFoldersOfEndedRuns(settings_.TempFolder);
}

EntryResult BatchDriver::ConvertEntry(const std::string& path) {
  return ConvertEntry(path, settings_, OutputPlacement::In(settings_.OutputFolder));
}

EntryResult BatchDriver::ConvertEntry(const std::string& path, const ConversionSettings& settings,
                                      const OutputPlacement& placement) {
  skipped_ = false;
  timedOut_ = false;
  serverLost_ = false;
  lastSlideCount_ = 0;
  plan_ = OutputPlan();
  entrySettings_ = &settings;
  placement_ = placement;
  if (!PathExists(path)) {
    const int error = errno;
    Notify(FormatMessage(msg::kSourceMissing, path));
    Explain(path + ": " + std::strerror(error));
    return EntryResult::kSkipped;
  }
  std::unique_ptr<Progress> progress = makeProgress_(path);
  progress->BeginProgress();
  progress->SetStatusText(FormatMessage(msg::kLoadingFile, path));

  if (IsDirectory(path)) {
    ConvertPictureFolder(path, *progress);
  } else {
    ConvertPresentation(path, *progress);
  }
  if (progress->cancelled()) return EntryResult::kCancelled;
  if (skipped_) return EntryResult::kSkipped;
  if (!plan_.Complete()) return EntryResult::kFailed;
  progress->StepIt();
  progress->PumpMessages(true);
  return progress->cancelled() ? EntryResult::kCancelled : EntryResult::kConverted;
}

void BatchDriver::ConvertPresentation(const std::string& path, Progress& progress) {
  std::string reason;
  if (const char* problem = UnusableSource(path, reason)) {
    NotifyWithDetails(FormatMessage(problem, path), path + ": " + reason);
    return;
  }
  const ConversionSettings& settings = *entrySettings_;
  // Held until the presentation is done, so that a parallel run of the same
  // file takes another folder instead of deleting this one.
  WorkingFolderClaim claim = WorkingFolderClaim::For(settings, path);
  const std::string& workingFolder = claim.folder();
  if (!RemoveWorkingFolder(workingFolder)) {
    skipped_ = true;
    return;
  }
  const WorkingFolderRemoval removal(workingFolder);

  SlideList slides;
  slides.useTitles = settings.UseTitle;
  slides.useSlideTimings = settings.UsePptTime == 0 ? 1 : 0;

  bool exported = false;
  {
    Deadline deadline(server_, slideWorkers_, timeLimit_);
    StartWatch server(server_, deadline, progress);
    try {
      exported =
          ExportPresentation(server, path, workingFolder, settings, slides, progress, exportExtension_, slideWorkers_);
      if (!exported && server.failed) serverUnavailable_ = true;
    } catch (const AutomationError& error) {
      // The server could not open or export this presentation (damaged,
      // encrypted, not a presentation, out of time, or the server died
      // meanwhile). That is this presentation's failure alone; the next one
      // starts afresh. A cancel that ended the server in the middle of a
      // call is no failure and shows nothing.
      const std::string details = "LibreOffice on " + path + ": " + WithoutMemberName(error.description());
      if (progress.cancelled()) {
        Explain(details);  // nothing to tell
      } else if (deadline.expired()) {
        timedOut_ = true;
        NotifyWithDetails(FormatMessage(FormatMessage(msg::kTimeLimitExceeded, timeLimit_), path), details);
      } else {
        serverLost_ = error.failure() == AutomationFailure::kServerLost;
        NotifyWithDetails(PlainFailure(error, path), details);
      }
      return;
    }
  }
  if (!exported || !CollectSlideImages(workingFolder, settings, slides, exportExtension_)) return;
  WriteOutputs(path, settings, slides, progress, exportExtension_);
}

void BatchDriver::ConvertPictureFolder(const std::string& folder, Progress& progress) {
  // The pictures decide the road: no timings and no titles come with them,
  // and an exported size cannot be assumed.
  ConversionSettings settings = *entrySettings_;
  settings.UsePptTime = 1;
  settings.UseTitle = 0;
  settings.SharpFont = 0;

  SlideList slides;
  PictureFolderSlides collected;
  if (!CollectPictureFolder(folder, settings, collected)) return;
  slides.paths = collected.paths;

  // The pictures are found: loading is over. One step per slide picture and
  // one for the end, as for a presentation.
  progress.SetStatusText(FormatMessage(msg::kConvertingFile, folder));
  progress.SetRange(0, static_cast<std::int32_t>(slides.paths.size()) + 1, 1);
  progress.SetPos(0);
  WriteOutputs(folder, settings, slides, progress, collected.extension);
}

void BatchDriver::WriteOutputs(const std::string& sourcePath, const ConversionSettings& settings,
                               const SlideList& slides, Progress& progress, std::string_view exportExtension) {
  // A video of no slides would be its end slide alone: such a presentation
  // is empty, and nothing of it is written.
  if (slides.paths.empty() || (settings.GenVideo != 0 && VideoDeckSlides(settings, slides) == 0)) {
    Notify(FormatMessage(msg::kPresentationEmpty, sourcePath));
    return;
  }
  const bool bundled = webPlayer_.found();
  plan_ = OutputPlan::Make(sourcePath, settings, placement_, bundled, slides.titles, slides.paths.size());
  if (settings.GenHTML != 0 && settings.WebPlayer != 0 && plan_.pagePlayer() == PagePlayer::kNone &&
      !webPlayerMissingShown_) {
    // Said once a batch: the pages go without the player.
    Notify(FormatMessage(msg::kWebPlayerMissing, webPlayer_.folder));
    webPlayerMissingShown_ = true;
  }
  for (const std::string& text : plan_.leftOut()) Notify(text);
  if (!ClaimOutputs(sourcePath)) return;
  lastSlideCount_ = static_cast<int>(slides.paths.size());

  const std::string folder = placement_.Folder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);  // a failure shows when the first file is written
  if (swept_.insert(folder).second) SweepLeftovers(folder);

  progress.SetStage(ProgressStage::kWritingMovie);
  if (WriteSlideMovies(sourcePath, settings, slides, progress, exportExtension, plan_) == 0) return;
  progress.PumpMessages(true);
  if (progress.cancelled()) return;
  if (!plan_.video().empty()) progress.SetStage(ProgressStage::kWritingVideo);
  if (!WritePresentationVideo(settings, slides, progress, plan_)) return;
  progress.SetStage(ProgressStage::kWritingPages);
  PrepareWebPlayer();
  WriteCompanionFiles(settings);
}

bool BatchDriver::ClaimOutputs(const std::string& sourcePath) {
  for (const std::string& file : plan_.Files()) {
    if (plan_.IsShared(file)) continue;
    const auto owner = claims_.find(file);
    if (owner != claims_.end() && owner->second != sourcePath) {
      Notify(FormatMessage(msg::kOutputsWouldReplace, owner->second));
      Explain(sourcePath + ": " + file + " was written by " + owner->second);
      plan_ = OutputPlan();
      return false;
    }
  }
  for (const std::string& file : plan_.Files()) {
    if (!plan_.IsShared(file)) claims_.emplace(file, sourcePath);
  }
  return true;
}

void BatchDriver::PrepareWebPlayer() {
  const std::string& copy = plan_.playerCopy();
  if (copy.empty()) return;
  const std::string folder = copy.substr(0, copy.size() - std::string_view(kWebPlayerFolder).size() - 1);
  if (swept_.insert(folder).second) SweepLeftovers(folder);
  errno = 0;
  if (InstallWebPlayer(webPlayer_, folder) == WebPlayerCopy::kFailed) {
    const int error = errno;
    // Every entry whose pages need the player hears of it: none of them
    // converted.
    Notify(FormatMessage(msg::kWebPlayerCopyFailed, copy));
    plan_.Failed(copy, error);
    return;
  }
  plan_.Written(copy);
}

void BatchDriver::WriteCompanionFiles(const ConversionSettings& settings) {
  // A page goes with a movie that was written, and with the player it loads:
  // it never links a file that is not there.
  const bool playerReady = plan_.playerCopy().empty() || plan_.IsWritten(plan_.playerCopy());
  for (const PlannedMovie& movie : plan_.movies()) {
    if (movie.page.empty() || !plan_.IsWritten(movie.movie) || !playerReady) continue;
    PageLinks links;
    links.movie = FileNamePart(movie.movie);
    if (plan_.IsWritten(movie.twin)) links.twin = FileNamePart(movie.twin);
    links.previous = movie.previousPage;
    links.next = movie.nextPage;
    links.player = plan_.playerAddress();
    WriteWebPage(links, movie.page, settings, &plan_);
  }
  if (!plan_.autorun().empty() && !plan_.movies().empty() && plan_.IsWritten(plan_.movies().front().page)) {
    WriteAutorun(plan_.movies().front().page, plan_.autorun(), &plan_);
  }
}

}  // namespace orv
