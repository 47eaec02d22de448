// The plan of one presentation's outputs: every file it will write (movies,
// their HTML5 versions and pages, autorun.inf, the SCORM lesson, the video
// and its chapters, the web player the pages load), with its final path, decided once before anything
// is written and marked as each file reaches the disk. The writers write what
// the plan names; the record of the entry, --resume, the service's answer and
// the command line's lines read what the plan says was written. An entry
// converted when, and only when, every file of its plan was written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "movie/conversion_settings.h"
#include "movie/write_ledger.h"

namespace orv {

// Where one entry's files go.
struct OutputPlacement {
  std::string root;        // the run's output folder
  std::string relative;    // the entry's folder below it ("a/b"); empty: the root itself
  std::string playerRoot;  // the folder whose web player the pages load; empty: the root

  // Everything in one folder.
  static OutputPlacement In(std::string folder);
  std::string Folder() const;
  std::string PlayerFolder() const;
  // The player's folder as a page of this entry loads it: "ruffle/" at the
  // root, "../../ruffle/" two folders down.
  std::string PlayerAddress() const;
};

// Where the pages' web player comes from.
enum class PagePlayer {
  kNone,    // the plain page: WebPlayer 0, or no player in the installation
  kCopy,    // a copy in the placement's player folder, made when missing
  kShared,  // the one player at WebPlayerUrl; no copy
};

enum class OutputKind { kMovie, kTwin, kPage, kAutorun, kLesson, kVideo, kChapters, kThumbnail, kWebPlayer };

// One movie and what belongs to it. Paths are full; neighbours are names of
// the same folder.
struct PlannedMovie {
  std::size_t firstPicture = 0;  // its slides among the pictures, in playing order
  std::size_t pictureCount = 0;
  std::string movie;
  std::string twin;  // empty: none
  std::string page;  // empty: none
  std::string previousPage, nextPage;
  std::string previousTwin, nextTwin;
};

class OutputPlan final : public WriteLedger {
 public:
  OutputPlan() = default;

  // The plan for `source` with these settings: `titles` are the slide titles
  // made into file names (split movies with UseTitle), `pictures` the number
  // of slide pictures in playing order (help and end slides included).
  // `playerBundled` tells whether the installation has a web player to copy.
  static OutputPlan Make(std::string_view source, const ConversionSettings& settings, const OutputPlacement& placement,
                         bool playerBundled, const std::vector<std::string>& titles, std::size_t pictures);

  const OutputPlacement& placement() const { return placement_; }
  // One movie per slide (SplitPPT), or one of the whole presentation.
  bool split() const { return split_; }
  const std::vector<PlannedMovie>& movies() const { return movies_; }
  const std::string& autorun() const { return autorun_; }  // empty: none
  const std::string& lesson() const { return lesson_; }    // empty: none
  // One video of the whole presentation, also when the movies are split,
  // and its WebVTT chapters beside it; both empty or neither.
  const std::string& video() const { return video_; }
  const std::string& chapters() const { return chapters_; }
  // The first slide's thumbnail, which the folder's index page shows and
  // reads this presentation's entry from; empty: none.
  const std::string& thumbnail() const { return thumbnail_; }
  PagePlayer pagePlayer() const { return pagePlayer_; }
  // The player folder as the pages load it; empty for the plain page.
  const std::string& playerAddress() const { return playerAddress_; }
  // The web player copy the pages need (a folder); empty: none.
  const std::string& playerCopy() const { return playerCopy_; }
  // What the file system could not hold, each as the message that says it
  // was left out (a name too long).
  const std::vector<std::string>& leftOut() const { return leftOut_; }
  // Files that other entries of a run may write too (autorun.inf, the player).
  bool IsShared(const std::string& path) const;

  // Every file, in the order they are written.
  std::vector<std::string> Files() const;

  void Written(const std::string& path) override;
  void Failed(const std::string& path, int error) override;
  bool IsWritten(const std::string& path) const;
  // Every file written and renamed into place.
  bool Complete() const;
  // Anything failed (pending files after a cancel did not).
  bool AnyFailed() const;
  // The system's reason of the first failure (errno); 0 when there was none
  // or it was not the file system's.
  int firstError() const { return firstError_; }
  // The path of the first file that failed; empty when none did.
  const std::string& firstFailed() const { return firstFailed_; }

  // The files written, relative to the output root, in the plan's order: what
  // the entry's record lists. The shared player is not among them.
  std::vector<std::string> WrittenOutputs() const;

 private:
  struct File {
    OutputKind kind;
    std::string path;
    enum class State { kPending, kWritten, kFailed } state = State::kPending;
  };
  void Add(OutputKind kind, const std::string& path);
  File* Find(const std::string& path);
  const File* Find(const std::string& path) const;

  OutputPlacement placement_;
  bool split_ = false;
  std::vector<PlannedMovie> movies_;
  std::string autorun_, lesson_, thumbnail_;
  std::string video_, chapters_;
  PagePlayer pagePlayer_ = PagePlayer::kNone;
  std::string playerAddress_, playerCopy_;
  std::vector<std::string> leftOut_;
  std::vector<File> files_;
  int firstError_ = 0;
  std::string firstFailed_;
  bool anyFailed_ = false;
};

}  // namespace orv
