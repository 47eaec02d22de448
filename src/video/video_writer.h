// A presentation's video: its slide pictures in playing order, each for its
// time, with the fade and a chapter per slide, written as one MP4 or WebM
// file and a WebVTT chapters file beside it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "video/video_options.h"

namespace orv {

struct VideoSlide {
  std::string picture;  // a slide picture (BMP, JPEG or metafile)
  double seconds = 0;   // how long it shows, kMinSlideSeconds..kMaxSlideSeconds
  std::string title;    // the chapter's name; empty: "Slide N"
};

struct VideoJob {
  std::vector<VideoSlide> slides;
  bool fade = false;  // a third of a second's cross-fade into each next slide
  VideoOptions options;
  std::string outputPath;  // "<stem>.mp4"; the chapters go to "<stem>.chapters.vtt"
};

// Told the share of the work done (0 to 1) after each frame, at least
// several times a second; false stops the encoding.
using VideoProgress = std::function<bool(double done)>;

// The name the video is written under until it is complete, in the target's
// folder so that the last step is a rename.
using TemporaryPathFor = std::function<std::string(const std::string& target)>;
// ".<name>.tmp<random>" beside the target.
std::string HiddenTemporaryPath(const std::string& target);

struct VideoOutcome {
  enum class Status { kWritten, kCancelled, kFailed };
  Status status = Status::kFailed;
  std::string reason;     // kFailed: what went wrong, for Explain
  std::string videoPath;  // kWritten: the two files
  std::string chaptersPath;
};

// Encodes the video. Nothing is left at the targets or beside them unless
// both files are complete: a full disk, a cancel or a bad picture leaves
// what was there before. A picture that cannot be read has had its message.
VideoOutcome WriteVideo(const VideoJob& job, const VideoProgress& progress,
                        const TemporaryPathFor& temporaryPath = HiddenTemporaryPath);

}  // namespace orv
