#include "video/video_chapters.h"

#include <cstdio>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"

namespace orv {
namespace {

std::int64_t TicksToMs(std::int64_t ticks) { return ticks * 1000 / kVideoTicksPerSecond; }

// "hh:mm:ss.ttt", hours as many digits as they need.
std::string CueTime(std::int64_t ms) {
  char text[40];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                static_cast<long long>(ms % 1000));
  return text;
}

std::string EscapeCueText(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";  // also keeps "-->" out of the cue
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string ChapterTitle(std::string_view title, std::size_t number) {
  std::string line;
  bool blank = false;
  for (char c : title) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f || c == ' ') {
      blank = !line.empty();
      continue;
    }
    if (blank) line += ' ';
    blank = false;
    line += c;
  }
  if (line.empty()) return FormatMessage(msg::kVideoChapterUntitled, static_cast<long long>(number));
  return line;
}

std::vector<VideoChapter> ChaptersOf(const VideoTimeline& timeline, std::span<const std::string> titles) {
  std::vector<VideoChapter> chapters;
  chapters.reserve(timeline.slideCount());
  for (std::size_t k = 0; k < timeline.slideCount(); ++k) {
    chapters.push_back({TicksToMs(timeline.start(k)), TicksToMs(timeline.end(k)),
                        ChapterTitle(k < titles.size() ? std::string_view(titles[k]) : std::string_view(), k + 1)});
  }
  return chapters;
}

std::string WebVttChapters(std::span<const VideoChapter> chapters) {
  std::string out = "WEBVTT\n";
  for (std::size_t k = 0; k < chapters.size(); ++k) {
    out += "\n" + std::to_string(k + 1) + "\n";
    out += CueTime(chapters[k].startMs) + " --> " + CueTime(chapters[k].endMs) + "\n";
    out += EscapeCueText(chapters[k].title) + "\n";
  }
  return out;
}

std::string ChaptersPathFor(const std::string& videoPath) {
  const std::string name = FileNamePart(videoPath);
  const auto dot = name.rfind('.');
  const std::size_t stemLength = videoPath.size() - name.size() + (dot == std::string::npos ? name.size() : dot);
  return videoPath.substr(0, stemLength) + ".chapters.vtt";
}

}  // namespace orv
