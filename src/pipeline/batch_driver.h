// Turns one Convert command into a sequence of independent conversions: for
// every entry, a progress view and the road from the source file to the
// movies, web pages and autorun file. A failed or cancelled entry never stops
// the batch; a failing automation call (AutomationError) is not caught here
// and ends the whole command, as its caller decides.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/progress.h"
#include "movie/conversion_settings.h"
#include "movie/slide_list.h"
#include "pipeline/output_plan.h"
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

  // `settings` is the batch's record: it outlives the driver and is only read.
  BatchDriver(const ConversionSettings& settings, AutomationServer& server, ProgressFactory makeProgress);

  // Converts one source: a presentation, or a folder of slide pictures (which
  // needs no presentation server), into the batch's output folder. A missing
  // source gives "找不到源文件 %s ，即将略过！" and no progress view. The entry
  // converted when every file of its output plan was written; a file that
  // another entry of the batch wrote is never replaced (the entry fails).
  EntryResult ConvertEntry(const std::string& path);
  // The same with values and a place of the entry's own (a job of the
  // service, a source tree kept below the output folder).
  EntryResult ConvertEntry(const std::string& path, const ConversionSettings& settings,
                           const OutputPlacement& placement);

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

  // What the last entry left, for a report of it: its output plan, with the
  // files it wrote (empty when it ended before its movies were planned), the
  // number of its slide pictures, and whether the time limit ended it.
  const OutputPlan& lastPlan() const { return plan_; }
  int lastSlideCount() const { return lastSlideCount_; }
  bool lastTimedOut() const { return timedOut_; }
  // Whether the server's process went away in the middle of the last entry
  // (it died, or was killed) rather than the presentation failing.
  bool lastServerLost() const { return serverLost_; }

 private:
  // The presentation road, and the picture-folder road: the folder's
  // pictures become the slides in the order of their numbers; the folder is
  // only read. Such slides carry no timings, so the fixed interval applies;
  // a picture whose size differs from the frame is always fitted.
  void ConvertPresentation(const std::string& path, Progress& progress);
  void ConvertPictureFolder(const std::string& folder, Progress& progress);
  // From the slide pictures on, both roads alike: the plan, the movies, the
  // web player, the pages and autorun.inf.
  void WriteOutputs(const std::string& sourcePath, const ConversionSettings& settings, const SlideList& slides,
                    Progress& progress, std::string_view exportExtension);
  // Claims the plan's files for `sourcePath`; false after a message when
  // another entry of the batch wrote one of them.
  bool ClaimOutputs(const std::string& sourcePath);
  // Web pages and autorun.inf of the movies that were written.
  void WriteCompanionFiles(const ConversionSettings& settings);
  // Makes sure the folder the pages load the emulator from holds a whole
  // copy; marks the plan.
  void PrepareWebPlayer();

  const ConversionSettings& settings_;
  // Of the entry at hand: its values and its place.
  const ConversionSettings* entrySettings_ = nullptr;
  OutputPlacement placement_;
  OutputPlan plan_;
  AutomationServer& server_;
  ProgressFactory makeProgress_;
  // Extension of the pictures the last export left; lives for the batch.
  std::string exportExtension_ = "bmp";
  bool skipped_ = false;
  bool serverUnavailable_ = false;
  bool timedOut_ = false;
  bool serverLost_ = false;
  int lastSlideCount_ = 0;
  int timeLimit_ = 0;
  SlideWorkers* slideWorkers_ = nullptr;
  WebPlayerBundle webPlayer_ = LocateWebPlayer();
  bool webPlayerMissingShown_ = false;
  // Every file an entry of this batch planned, and whose it is.
  std::map<std::string, std::string> claims_;
  // Output folders already rid of what killed runs left.
  std::set<std::string> swept_;
};

}  // namespace orv
