#include "pipeline/output_plan.h"

#include <filesystem>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "folder_index/index_card.h"
#include "movie/html5_twin.h"
#include "movie/web_player_markup.h"
#include "pipeline/output_names.h"
#include "video/video_chapters.h"

namespace orv {
namespace {

// A twin's name, or nothing when the file system cannot hold it.
std::string TwinNameIfItFits(const std::string& movieName) {
  const std::string name = TwinName(movieName);
  return FileNameFits(name) ? name : std::string();
}

}  // namespace

OutputPlacement OutputPlacement::In(std::string folder) {
  OutputPlacement placement;
  placement.root = std::move(folder);
  return placement;
}

std::string OutputPlacement::Folder() const { return relative.empty() ? root : JoinPath(root, relative); }

std::string OutputPlacement::PlayerFolder() const { return playerRoot.empty() ? root : playerRoot; }

std::string OutputPlacement::PlayerAddress() const {
  std::string address;
  for (const auto& part : std::filesystem::path(relative)) {
    if (!part.empty() && part != ".") address += "../";
  }
  return address + kWebPlayerFolder + "/";
}

OutputPlan OutputPlan::Make(std::string_view source, const ConversionSettings& settings,
                            const OutputPlacement& placement, bool playerBundled,
                            const std::vector<std::string>& titles, std::size_t pictures) {
  OutputPlan plan;
  plan.placement_ = placement;
  plan.split_ = settings.SplitPPT != 0;
  const std::string folder = placement.Folder();
  const bool pages = settings.GenHTML != 0;
  const bool twins = settings.GenHTML5 != 0;
  if (pages && settings.WebPlayer != 0) {
    if (const std::string shared = SharedWebPlayerBase(settings); !shared.empty()) {
      plan.pagePlayer_ = PagePlayer::kShared;
      plan.playerAddress_ = shared;
    } else if (playerBundled) {
      plan.pagePlayer_ = PagePlayer::kCopy;
      plan.playerAddress_ = placement.PlayerAddress();
      plan.playerCopy_ = JoinPath(placement.PlayerFolder(), kWebPlayerFolder);
    }
  }

  const auto addMovie = [&](const std::string& movieName, const std::string& pageName, std::size_t first,
                            std::size_t count) {
    PlannedMovie movie;
    movie.firstPicture = first;
    movie.pictureCount = count;
    movie.movie = JoinPath(folder, movieName);
    plan.Add(OutputKind::kMovie, movie.movie);
    if (twins) {
      const std::string twin = TwinNameIfItFits(movieName);
      if (twin.empty()) {
        plan.leftOut_.push_back(FormatMessage(msg::kTwinNameTooLong, JoinPath(folder, TwinName(movieName))));
      } else {
        movie.twin = JoinPath(folder, twin);
        plan.Add(OutputKind::kTwin, movie.twin);
      }
    }
    if (pages) movie.page = JoinPath(folder, pageName);
    plan.movies_.push_back(std::move(movie));
  };

  if (settings.SplitPPT == 0) {
    addMovie(MovieName(source), PageName(source), 0, pictures);
  } else {
    const bool titled = settings.UseTitle != 0;
    for (std::size_t k = 0; k < pictures; ++k)
      addMovie(SlideMovieName(source, titled, titles, k), SlidePageName(source, titled, titles, k), k, 1);
    for (std::size_t k = 0; k < pictures; ++k) {
      PlannedMovie& movie = plan.movies_[k];
      if (k > 0) {
        movie.previousPage = SlidePageName(source, titled, titles, k - 1);
        movie.previousTwin = TwinNameIfItFits(SlideMovieName(source, titled, titles, k - 1));
      }
      if (k + 1 < pictures) {
        movie.nextPage = SlidePageName(source, titled, titles, k + 1);
        movie.nextTwin = TwinNameIfItFits(SlideMovieName(source, titled, titles, k + 1));
      }
    }
  }
  if (!plan.playerCopy_.empty()) plan.Add(OutputKind::kWebPlayer, plan.playerCopy_);
  for (const PlannedMovie& movie : plan.movies_) {
    if (!movie.page.empty()) plan.Add(OutputKind::kPage, movie.page);
  }
  // One page opens from a CD; split movies have none.
  if (pages && settings.GenAutorun != 0 && settings.SplitPPT == 0) {
    plan.autorun_ = AutorunPath(folder);
    plan.Add(OutputKind::kAutorun, plan.autorun_);
  }
  if (MakesScormPackage(settings)) {
    const std::string name = ScormPackageName(source);
    if (FileNameFits(name)) {
      plan.lesson_ = JoinPath(folder, name);
      plan.Add(OutputKind::kLesson, plan.lesson_);
    } else {
      plan.leftOut_.push_back(FormatMessage(msg::kScormNameTooLong, JoinPath(folder, name)));
    }
  }
  if (settings.GenVideo != 0) {
    const std::string video = JoinPath(folder, VideoName(source, settings));
    const std::string chapters = ChaptersPathFor(video);
    // The chapters' name is the longer one.
    if (FileNameFits(FileNamePart(chapters))) {
      plan.video_ = video;
      plan.chapters_ = chapters;
      plan.Add(OutputKind::kVideo, video);
      plan.Add(OutputKind::kChapters, chapters);
    } else {
      plan.leftOut_.push_back(FormatMessage(msg::kVideoNameTooLong, video));
    }
  }
  // Without a thumbnail the index page leaves the presentation out; a name
  // too long for one is no reason to fail it.
  if (settings.GenIndex != 0) {
    if (const std::string name = ThumbnailName(OutputStem(source)); FileNameFits(name)) {
      plan.thumbnail_ = JoinPath(folder, name);
      plan.Add(OutputKind::kThumbnail, plan.thumbnail_);
    }
  }
  return plan;
}

void OutputPlan::Add(OutputKind kind, const std::string& path) { files_.push_back(File{kind, path}); }

OutputPlan::File* OutputPlan::Find(const std::string& path) {
  for (File& file : files_) {
    if (file.path == path) return &file;
  }
  return nullptr;
}

const OutputPlan::File* OutputPlan::Find(const std::string& path) const {
  return const_cast<OutputPlan*>(this)->Find(path);
}

bool OutputPlan::IsShared(const std::string& path) const {
  const File* file = Find(path);
  return file != nullptr && (file->kind == OutputKind::kAutorun || file->kind == OutputKind::kWebPlayer);
}

std::vector<std::string> OutputPlan::Files() const {
  std::vector<std::string> paths;
  for (const File& file : files_) paths.push_back(file.path);
  return paths;
}

void OutputPlan::Written(const std::string& path) {
  if (File* file = Find(path)) file->state = File::State::kWritten;
}

void OutputPlan::Failed(const std::string& path, int error) {
  File* file = Find(path);
  if (file == nullptr) return;
  file->state = File::State::kFailed;
  if (!anyFailed_) {
    firstError_ = error;
    firstFailed_ = path;
  }
  anyFailed_ = true;
}

bool OutputPlan::IsWritten(const std::string& path) const {
  const File* file = Find(path);
  return file != nullptr && file->state == File::State::kWritten;
}

bool OutputPlan::Complete() const {
  if (files_.empty()) return false;
  for (const File& file : files_) {
    if (file.state != File::State::kWritten) return false;
  }
  return true;
}

bool OutputPlan::AnyFailed() const { return anyFailed_; }

std::vector<std::string> OutputPlan::WrittenOutputs() const {
  std::vector<std::string> outputs;
  for (const File& file : files_) {
    if (file.kind == OutputKind::kWebPlayer || file.state != File::State::kWritten) continue;
    const std::string name = FileNamePart(file.path);
    outputs.push_back(placement_.relative.empty() ? name : placement_.relative + "/" + name);
  }
  return outputs;
}

}  // namespace orv
