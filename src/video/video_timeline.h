// When each picture of a video is shown. A slide is a still picture: it is
// one key frame at the slide's start, held by its time stamp (variable frame
// rate) and repeated every two seconds so that players can seek; with the
// fade, the last third of a second before the next slide is a cross-fade at
// 30 frames a second. The next slide's start is then its clean key frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace orv {

// The video's time base: a tick is a 30th of a second, a fade frame's length.
inline constexpr std::int64_t kVideoTicksPerSecond = 30;
// A third of a second, as the movie's fade.
inline constexpr std::int64_t kFadeFrames = 10;
// A held picture is sent again at least this often.
inline constexpr std::int64_t kRepeatTicks = 2 * kVideoTicksPerSecond;
// A slide plays at least one second (a fade fits in it) and at most as long
// as the longest fixed interval the settings take: a damaged file's timing
// of years would never end encoding.
inline constexpr double kMinSlideSeconds = 1;
inline constexpr double kMaxSlideSeconds = 9999;

struct TimelineFrame {
  enum class Kind { kSlide, kRepeat, kFade };
  Kind kind = Kind::kSlide;
  std::size_t slide = 0;      // the slide shown; for a fade, the slide it leaves
  std::int32_t fadeStep = 0;  // fades: 1..kFadeFrames, the next slide's share is step / (kFadeFrames + 1)
  std::int64_t start = 0;     // ticks
  std::int64_t duration = 0;  // ticks
  bool key() const { return kind == Kind::kSlide; }
  friend bool operator==(const TimelineFrame&, const TimelineFrame&) = default;
};

class VideoTimeline {
 public:
  // One entry of `seconds` per slide, in playing order.
  VideoTimeline(std::span<const double> seconds, bool fade);

  std::size_t slideCount() const { return starts_.size(); }
  std::int64_t start(std::size_t slide) const { return starts_[slide]; }
  std::int64_t end(std::size_t slide) const { return slide + 1 < starts_.size() ? starts_[slide + 1] : duration_; }
  std::int64_t duration() const { return duration_; }
  bool fade() const { return fade_; }

  // The frames of `slide`: its key frame, its repeats and the fade into the
  // next slide. Made one slide at a time so that a long deck of long slides
  // never holds every frame.
  std::vector<TimelineFrame> FramesOf(std::size_t slide) const;

 private:
  std::vector<std::int64_t> starts_;
  std::int64_t duration_ = 0;
  bool fade_ = false;
};

// The ticks a slide of `seconds` plays, within the limits above.
std::int64_t SlideTicks(double seconds);

}  // namespace orv
