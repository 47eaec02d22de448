// The video's timeline as tables: which frames a deck becomes (key frames,
// repeats, fades) and the slides a presentation's video shows.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "movie/twin_labels.h"
#include "video/video_slides.h"
#include "video/video_timeline.h"

namespace orv {
namespace {

// A frame as "K0@0+60": kind (K key, R repeat, F fade), slide, start, length.
std::string Frames(const VideoTimeline& timeline) {
  std::string out;
  for (std::size_t k = 0; k < timeline.slideCount(); ++k) {
    for (const TimelineFrame& f : timeline.FramesOf(k)) {
      const char kind = f.kind == TimelineFrame::Kind::kSlide    ? 'K'
                        : f.kind == TimelineFrame::Kind::kRepeat ? 'R'
                                                                 : 'F';
      if (!out.empty()) out += ' ';
      out += kind + std::to_string(f.slide) + "@" + std::to_string(f.start) + "+" + std::to_string(f.duration);
    }
  }
  return out;
}

TEST(VideoTimeline, FramesOfDecksAsATable) {
  struct Case {
    std::vector<double> seconds;
    bool fade;
    std::string frames;
  };
  const std::string fadeOf0At50 = "F0@50+1 F0@51+1 F0@52+1 F0@53+1 F0@54+1 F0@55+1 F0@56+1 F0@57+1 F0@58+1 F0@59+1";
  const Case cases[] = {
      // One key frame per slide, held by its time stamp.
      {{1, 1.5}, false, "K0@0+30 K1@30+45"},
      // A repeat every two seconds, the last one shorter.
      {{5}, false, "K0@0+60 R0@60+60 R0@120+30"},
      // Exactly two seconds: no repeat at the end.
      {{2, 2}, false, "K0@0+60 K1@60+60"},
      // The fade takes the last third of a second before the next slide,
      // whose start stays its clean key frame; the last slide does not fade.
      {{2, 1}, true, "K0@0+50 " + fadeOf0At50 + " K1@60+30"},
      // Times below a second, NaN and beyond 9999 s are held to the limits.
      {{0, std::nan(""), -4}, false, "K0@0+30 K1@30+30 K2@60+30"},
  };
  for (const Case& c : cases) {
    const VideoTimeline timeline(c.seconds, c.fade);
    EXPECT_EQ(Frames(timeline), c.frames) << c.frames;
  }
  const VideoTimeline longest(std::vector<double>{1e12, 3}, true);
  EXPECT_EQ(longest.start(1), 9999 * kVideoTicksPerSecond);
  EXPECT_EQ(longest.duration(), (9999 + 3) * kVideoTicksPerSecond);
  // A slide of 9999 s is 5000 frames, none longer than two seconds, ending where the fade starts.
  const auto frames = longest.FramesOf(0);
  EXPECT_EQ(frames.size(), 5000u + kFadeFrames);
  EXPECT_EQ(frames[4999].start + frames[4999].duration, frames[5000].start);
  EXPECT_EQ(frames.back().start + frames.back().duration, longest.start(1));
}

TEST(VideoSlides, WhatTheVideoShowsAsATable) {
  SlideList slides;
  slides.paths = {"help.wmf", "Slide1.bmp", "Slide2.bmp", "Slide3.bmp", "end.wmf"};
  slides.delays = {4, 1, 1};
  slides.timed = {true, true, false};  // the third advances on a click
  slides.texts.resize(3);
  slides.texts[0].title = "开场";
  const std::string end(TwinLabel("end-title", CurrentLanguage()));

  struct Case {
    int usePptTime, insHelp, blankEnd, split, delay;
    std::string expected;  // picture:seconds:title
  };
  const Case cases[] = {
      {0, 1, 1, 0, 7, "Slide1.bmp:4:开场 Slide2.bmp:1: Slide3.bmp:7: end.wmf:3:" + end},
      {1, 1, 1, 0, 7, "Slide1.bmp:7:开场 Slide2.bmp:7: Slide3.bmp:7: end.wmf:3:" + end},
  };
  for (const Case& c : cases) {
    ConversionSettings settings;
    settings.UsePptTime = c.usePptTime;
    settings.InsHelp = c.insHelp;
    settings.BlankEnd = c.blankEnd;
    settings.SplitPPT = c.split;
    settings.Delay = c.delay;
    std::string seen;
    for (const VideoSlide& slide : VideoSlidesOf(settings, slides)) {
      if (!seen.empty()) seen += ' ';
      seen += slide.picture + ":" + std::to_string(static_cast<int>(slide.seconds)) + ":" + slide.title;
    }
    EXPECT_EQ(seen, c.expected);
  }

  // Split mode never has the extra slides; a picture folder's slides have no timings.
  SlideList folder;
  folder.paths = {"a.jpg", "b.jpg"};
  ConversionSettings split;
  split.SplitPPT = split.InsHelp = split.BlankEnd = 1;
  const auto video = VideoSlidesOf(split, folder);
  ASSERT_EQ(video.size(), 2u);
  EXPECT_EQ(video[0].picture + ":" + std::to_string(video[1].seconds), "a.jpg:3.000000");
}

}  // namespace
}  // namespace orv
