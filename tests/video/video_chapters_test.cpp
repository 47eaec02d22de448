// Chapter names and the WebVTT chapters file, and the video's frame width.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/messages.h"
#include "base/notifier.h"
#include "video/video_chapters.h"
#include "video/video_options.h"

namespace orv {
namespace {

TEST(VideoChapters, TitlesAsATable) {
  struct Case {
    std::string title, chapter;
  };
  const Case cases[] = {
      {"第一章：引言", "第一章：引言"},
      {"  \"Quoted\"  and\tspaced\r\nover lines ", "\"Quoted\" and spaced over lines"},
      {"Café résumé. v2", "Café résumé. v2"},
      {"", FormatMessage(msg::kVideoChapterUntitled, 3)},
      {" \n\t", FormatMessage(msg::kVideoChapterUntitled, 3)},
  };
  for (const Case& c : cases) EXPECT_EQ(ChapterTitle(c.title, 3), c.chapter) << c.title;
}

TEST(VideoChapters, TheWebVttFile) {
  const VideoTimeline timeline(std::vector<double>{5, 3700}, true);
  const std::vector<std::string> titles = {"A < B & C --> D", "结束"};
  const auto chapters = ChaptersOf(timeline, titles);
  EXPECT_EQ(WebVttChapters(chapters),
            "WEBVTT\n"
            "\n1\n00:00:00.000 --> 00:00:05.000\nA &lt; B &amp; C --&gt; D\n"
            "\n2\n00:00:05.000 --> 01:01:45.000\n结束\n");
  // Titles missing at the end of the list are numbered.
  EXPECT_EQ(ChaptersOf(timeline, {}).back().title, FormatMessage(msg::kVideoChapterUntitled, 2));
}

TEST(VideoChapters, PathsAndSizes) {
  EXPECT_EQ(ChaptersPathFor("/out/讲座 1.v2.mp4"), "/out/讲座 1.v2.chapters.vtt");
  EXPECT_EQ(ChaptersPathFor("/out.d/talk"), "/out.d/talk.chapters.vtt");
  // The width follows the picture's aspect ratio, even, within 1:4..4:1.
  EXPECT_EQ(VideoWidthFor(1080, 1920, 1080), 1920);
  EXPECT_EQ(VideoWidthFor(1080, 640, 480), 1440);
  EXPECT_EQ(VideoWidthFor(720, 1000, 700), 1028);
  EXPECT_EQ(VideoWidthFor(720, 100000, 10), 2880);
  EXPECT_EQ(VideoWidthFor(2160, 0, 0), 2880);
}

}  // namespace
}  // namespace orv
