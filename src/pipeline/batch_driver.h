// Turns one Convert command into a sequence of independent conversions: for
// every entry, a progress view and the road from the source file to the
// movies, web pages and autorun file. A failed or cancelled entry never stops
// the batch; a failing automation call (AutomationError) is not caught here
// and ends the whole command, as its caller decides.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/progress.h"
#include "movie/conversion_settings.h"
#include "movie/slide_list.h"
#include "pipeline/slide_workers.h"
#include "pipeline/web_player.h"

namespace orv {

class AutomationServer;

// What became of one entry, for callers that report a total (the command line).
enum class EntryResult { kConverted, kSkipped, kFailed, kCancelled };

class BatchDriver {
 public:
  // Makes the progress view of one entry (a window, a terminal bar, a recorder).
  using ProgressFactory = std::function<std::unique_ptr<Progress>(const std::string& path)>;

  BatchDriver(ConversionSettings& settings, AutomationServer& server, ProgressFactory makeProgress);

  // Converts one source: a presentation, or a folder of slide pictures (which
  // needs no presentation server). A missing source gives
  // "找不到源文件 %s ，即将略过！" and no progress view.
  EntryResult ConvertEntry(const std::string& path);

  // The presentation road. True when converted and not cancelled, or when it
  // was skipped because its old working folder could not be removed.
  bool ConvertPresentation(const std::string& path, Progress& progress);

  // The picture-folder road: the folder's pictures become the slides in the
  // order of their numbers; the folder is only read. Such slides carry no
  // timings, so the fixed interval applies; a picture whose size differs
  // from the frame is always fitted.
  bool ConvertPictureFolder(const std::string& folder, Progress& progress);

  // The emulator bundle that pages with WebPlayer 1 need beside them; by
  // default the one that ships with the running program.
  void SetWebPlayer(WebPlayerBundle bundle) { webPlayer_ = std::move(bundle); }

  // Seconds the server may spend on one presentation, its start included; 0
  // for no limit. When they run out the server's process is ended, the
  // presentation fails with "转换文件 %s 超过了 %d 秒的时间限制，已放弃！" and the
  // next one starts on a fresh process.
  void SetTimeLimit(int seconds) { timeLimit_ = seconds; }
  // Extra LibreOffices that share the slides of each presentation (none by
  // default); they are the caller's, and the time limit ends them too.
  void SetSlideWorkers(SlideWorkers* workers) { slideWorkers_ = workers; }

  // True once the presentation server could not be started: every further
  // presentation would fail the same way, so the caller ends the batch.
  bool serverUnavailable() const { return serverUnavailable_; }

  // What the last entry left, for a report of it: the files it wrote (names
  // in the output folder) and its movie's slides when it converted; whether
  // the time limit ended it.
  const std::vector<std::string>& lastOutputs() const { return lastOutputs_; }
  int lastSlideCount() const { return lastSlideCount_; }
  bool lastTimedOut() const { return timedOut_; }
  // Whether the server's process went away in the middle of the last entry
  // (it died, or was killed) rather than the presentation failing.
  bool lastServerLost() const { return serverLost_; }

 private:
  void RecordOutputs(const std::string& sourcePath, const ConversionSettings& settings, const SlideList& slides);
  // Web pages and autorun.inf of one source; false after a message.
  bool WriteCompanionFiles(const std::string& sourcePath, const ConversionSettings& settings, const SlideList& slides);
  // Makes sure the output folder holds the emulator before its first page
  // with WebPlayer 1. False when the pages must go without it (no bundle in
  // the installation). Each problem is reported once per batch.
  bool PrepareWebPlayer(const std::string& outputFolder);

  ConversionSettings& settings_;
  AutomationServer& server_;
  ProgressFactory makeProgress_;
  // Extension of the pictures the last export left; lives for the batch.
  std::string exportExtension_ = "bmp";
  bool skipped_ = false;
  // The presentation ended before its movies (no slides, no pictures):
  // the road still reports success, but the entry did not convert.
  bool noMovies_ = false;
  bool serverUnavailable_ = false;
  bool timedOut_ = false;
  bool serverLost_ = false;
  std::vector<std::string> lastOutputs_;
  int lastSlideCount_ = 0;
  int timeLimit_ = 0;
  SlideWorkers* slideWorkers_ = nullptr;
  WebPlayerBundle webPlayer_ = LocateWebPlayer();
  bool webPlayerMissingShown_ = false;
  std::map<std::string, WebPlayerCopy> webPlayerCopies_;  // per output folder
};

}  // namespace orv
