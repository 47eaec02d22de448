#include "video/video_timeline.h"

#include <algorithm>
#include <cmath>

namespace orv {

std::int64_t SlideTicks(double seconds) {
  if (!(seconds >= kMinSlideSeconds)) seconds = kMinSlideSeconds;  // NaN too
  seconds = std::min(seconds, kMaxSlideSeconds);
  return std::llround(seconds * kVideoTicksPerSecond);
}

VideoTimeline::VideoTimeline(std::span<const double> seconds, bool fade) : fade_(fade) {
  starts_.reserve(seconds.size());
  for (double s : seconds) {
    starts_.push_back(duration_);
    duration_ += SlideTicks(s);
  }
}

std::vector<TimelineFrame> VideoTimeline::FramesOf(std::size_t slide) const {
  std::vector<TimelineFrame> frames;
  if (slide >= starts_.size()) return frames;
  const std::int64_t begin = start(slide);
  const std::int64_t finish = end(slide);
  const bool fadesOut = fade_ && slide + 1 < starts_.size();
  const std::int64_t still = fadesOut ? finish - kFadeFrames : finish;
  for (std::int64_t at = begin; at < still; at += kRepeatTicks) {
    const auto kind = at == begin ? TimelineFrame::Kind::kSlide : TimelineFrame::Kind::kRepeat;
    frames.push_back({kind, slide, 0, at, std::min(at + kRepeatTicks, still) - at});
  }
  if (fadesOut) {
    for (std::int32_t step = 1; step <= kFadeFrames; ++step)
      frames.push_back({TimelineFrame::Kind::kFade, slide, step, still + step - 1, 1});
  }
  return frames;
}

}  // namespace orv
