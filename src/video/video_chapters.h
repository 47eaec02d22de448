// A chapter per slide: in the video file itself and as a WebVTT chapters
// file beside it (a page's <track kind="chapters">).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "video/video_timeline.h"

namespace orv {

struct VideoChapter {
  std::int64_t startMs = 0;
  std::int64_t endMs = 0;
  std::string title;  // one line of UTF-8, never empty
};

// One line of the slide's title: control characters and line breaks become
// blanks, runs of blanks one, none at the ends. An empty title becomes
// "Slide N" (N counted from 1) in the program's language.
std::string ChapterTitle(std::string_view title, std::size_t number);

// One chapter per slide of the timeline; `titles` may be shorter.
std::vector<VideoChapter> ChaptersOf(const VideoTimeline& timeline, std::span<const std::string> titles);

// "WEBVTT", then one numbered cue per chapter; the titles escaped as cue
// text needs ("&", "<", ">", and no "-->").
std::string WebVttChapters(std::span<const VideoChapter> chapters);

// "<stem>.chapters.vtt" beside "<stem>.mp4" (or any other extension).
std::string ChaptersPathFor(const std::string& videoPath);

}  // namespace orv
