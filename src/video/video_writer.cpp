#include "video/video_writer.h"

#include <unistd.h>
#include <cstdio>
#include <random>

#include "base/paths.h"
#include "movie/file_replace.h"
#include "video/slide_pictures.h"
#include "video/video_chapters.h"
#include "video/video_encoder.h"
#include "video/video_timeline.h"

namespace orv {
namespace {

// The work a frame costs, roughly: a held repeat is nearly free.
double FrameWeight(const TimelineFrame& frame) {
  switch (frame.kind) {
    case TimelineFrame::Kind::kSlide:
      return 8;
    case TimelineFrame::Kind::kFade:
      return 2;
    case TimelineFrame::Kind::kRepeat:
      return 0.25;
  }
  return 1;
}

class Encoding {
 public:
  Encoding(const VideoJob& job, const VideoProgress& progress, std::int32_t width, std::int32_t height)
      : job_(job),
        progress_(progress),
        pictures_(width, height),
        timeline_(SecondsOf(job), job.fade),
        width_(width),
        height_(height) {}

  VideoOutcome::Status Run(const std::string& path, std::string& reason) {
    std::vector<std::string> titles;
    for (const VideoSlide& slide : job_.slides) titles.push_back(slide.title);
    chapters_ = ChaptersOf(timeline_, titles);
    if (!encoder_.Open(path, job_.options, width_, height_, chapters_, reason)) return VideoOutcome::Status::kFailed;
    for (std::size_t k = 0; k < timeline_.slideCount(); ++k) {
      const auto status = EncodeSlide(k, reason);
      if (status != VideoOutcome::Status::kWritten) return status;
    }
    if (!encoder_.Finish(reason)) return VideoOutcome::Status::kFailed;
    return VideoOutcome::Status::kWritten;
  }

  const std::vector<VideoChapter>& chapters() const { return chapters_; }

 private:
  static std::vector<double> SecondsOf(const VideoJob& job) {
    std::vector<double> seconds;
    for (const VideoSlide& slide : job.slides) seconds.push_back(slide.seconds);
    return seconds;
  }

  // The picture of slide k: the next one of the last fade when there was one.
  bool Picture(std::size_t k, std::string& reason) {
    if (next_ && nextSlide_ == k) {
      current_ = std::move(next_);
    } else {
      current_ = pictures_.Load(job_.slides[k].picture);
    }
    if (!current_) reason = "the slide picture " + job_.slides[k].picture + " cannot be used";
    return current_ != nullptr;
  }

  VideoOutcome::Status EncodeSlide(std::size_t k, std::string& reason) {
    if (!Picture(k, reason)) return VideoOutcome::Status::kFailed;
    for (const TimelineFrame& frame : timeline_.FramesOf(k)) {
      const AVFrame* picture = current_.get();
      AvFramePtr blend;
      if (frame.kind == TimelineFrame::Kind::kFade) {
        if (!next_) {
          next_ = pictures_.Load(job_.slides[k + 1].picture);
          nextSlide_ = k + 1;
          if (!next_) {
            reason = "the slide picture " + job_.slides[k + 1].picture + " cannot be used";
            return VideoOutcome::Status::kFailed;
          }
        }
        blend = pictures_.Blend(*current_, *next_, frame.fadeStep, static_cast<std::int32_t>(kFadeFrames + 1));
        if (!blend) {
          reason = "out of memory";
          return VideoOutcome::Status::kFailed;
        }
        picture = blend.get();
      }
      if (!encoder_.Send(*picture, frame.start, frame.duration, frame.key(), reason)) {
        return VideoOutcome::Status::kFailed;
      }
      done_ += FrameWeight(frame);
      if (progress_ && !progress_(std::min(1.0, done_ / Total()))) return VideoOutcome::Status::kCancelled;
    }
    return VideoOutcome::Status::kWritten;
  }

  double Total() {
    if (total_ > 0) return total_;
    for (std::size_t k = 0; k < timeline_.slideCount(); ++k) {
      for (const TimelineFrame& frame : timeline_.FramesOf(k)) total_ += FrameWeight(frame);
    }
    return total_ > 0 ? total_ : 1;
  }

  const VideoJob& job_;
  const VideoProgress& progress_;
  SlidePictures pictures_;
  VideoTimeline timeline_;
  VideoEncoder encoder_;
  std::vector<VideoChapter> chapters_;
  AvFramePtr current_;
  AvFramePtr next_;
  std::size_t nextSlide_ = 0;
  double done_ = 0;
  double total_ = 0;
  std::int32_t width_;
  std::int32_t height_;
};

VideoOutcome Failed(std::string reason) {
  VideoOutcome outcome;
  outcome.reason = std::move(reason);
  return outcome;
}

}  // namespace

std::string HiddenTemporaryPath(const std::string& target) {
  static thread_local std::mt19937 random{std::random_device{}()};
  const std::string name = FileNamePart(target);
  const std::string folder = target.substr(0, target.size() - name.size());
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
  // Shortened so that the name stays within the file system's limit.
  return folder + "." + name.substr(0, 200) + ".tmp" + suffix;
}

VideoOutcome WriteVideo(const VideoJob& job, const VideoProgress& progress, const TemporaryPathFor& temporaryPath) {
  if (job.slides.empty()) return Failed("the presentation has no slides");
  if (!IsVideoHeight(job.options.height)) return Failed("the video height must be 720, 1080 or 2160");
  std::int32_t width = job.options.width;
  if (width <= 0) {
    std::int32_t pictureWidth = 0;
    std::int32_t pictureHeight = 0;
    SlidePictures probe(0, 0);
    if (!probe.PictureSize(job.slides.front().picture, pictureWidth, pictureHeight)) {
      return Failed("the slide picture " + job.slides.front().picture + " cannot be used");
    }
    width = VideoWidthFor(job.options.height, pictureWidth, pictureHeight);
  }

  const std::string temporary = temporaryPath(job.outputPath);
  VideoOutcome outcome;
  std::vector<VideoChapter> chapters;
  {
    // Closed before anything is renamed or removed.
    Encoding encoding(job, progress, width + (width & 1), job.options.height);
    outcome.status = encoding.Run(temporary, outcome.reason);
    chapters = encoding.chapters();
  }
  if (outcome.status == VideoOutcome::Status::kWritten) {
    const std::string chaptersPath = ChaptersPathFor(job.outputPath);
    if (!ReplaceFileContents(chaptersPath, WebVttChapters(chapters))) {
      outcome = Failed(chaptersPath + ": the chapters could not be written");
    } else if (::rename(temporary.c_str(), job.outputPath.c_str()) != 0) {
      ::unlink(chaptersPath.c_str());
      outcome = Failed(job.outputPath + ": the video could not be put in place");
    } else {
      outcome.videoPath = job.outputPath;
      outcome.chaptersPath = chaptersPath;
      return outcome;
    }
  }
  ::unlink(temporary.c_str());
  return outcome;
}

}  // namespace orv
