// The folder's index page as it is read back from the thumbnails: what a card
// says reaches the page escaped, a link stands only for a file that is there,
// and a presentation without a title goes by its file name. (Two runs into
// one folder are read back in the browser's test of the page.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "folder_index/index_card.h"
#include "folder_index/index_page.h"
#include "support/files.h"

namespace orv {
namespace {

using test::ScratchFolder;
using test::WriteFile;

// The shortest JPEG the reader accepts: no picture, only the markers.
const std::vector<std::uint8_t> kBareJpeg{0xff, 0xd8, 0xff, 0xd9};

void PutThumbnail(const std::string& folder, const std::string& stem, const IndexCard& card) {
  WriteFile(folder + "/" + ThumbnailName(stem), WithIndexCard(kBareJpeg, card));
}

IndexCard Card(std::string source, std::string title, int slides, std::string stem) {
  return IndexCard{std::move(source),    std::move(title),    slides,       stem + ".swf", stem + ".htm",
                   stem + "-html5.html", stem + "-scorm.zip", stem + ".mp4"};
}

TEST(IndexCardTest, ACardSurvivesItsJpegAndOtherBytesCarryNone) {
  const IndexCard card = Card("讲座 #1?.ppt", std::string(70000, 'x'), 12, "讲座 #1?");
  const auto read = ReadIndexCard(WithIndexCard(kBareJpeg, card));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->source, card.source);
  EXPECT_EQ(read->title.size(), 4096u) << "a title too long for a segment is shortened";
  EXPECT_EQ(read->slides, 12);
  EXPECT_EQ(read->video, card.video);
  const std::vector<std::vector<std::uint8_t>> none{
      {},
      {0xff, 0xd8},
      {'G', 'I', 'F'},
      {0xff, 0xd8, 0xff, 0xfe, 0x00, 0x05, 'a', 'b', 'c'},  // plain comment
      {0xff, 0xd8, 0xff, 0xfe, 0xff, 0xff, 'o'},            // past the end
      {0xff, 0xd8, 0xff, 0xda, 0x00, 0x02}};                // data first
  for (const auto& bytes : none) EXPECT_FALSE(ReadIndexCard(bytes)) << bytes.size();
  EXPECT_TRUE(WithIndexCard(std::vector<std::uint8_t>{'n', 'o'}, card).empty());
}

TEST(IndexPageTest, TheFolderIsListedFromItsThumbnailsWithLinksOnlyToFilesThatAreThere) {
  ScratchFolder scratch;
  const std::string folder = scratch.path();
  struct Case {
    std::string stem;
    IndexCard card;
    std::vector<std::string> present;  // the outputs on disk
  };
  const std::vector<Case> cases{
      {"讲座 #1?",
       Card("讲座 #1?.ppt", "<script>\"&'", 12, "讲座 #1?"),
       {"讲座 #1?.swf", "讲座 #1?.htm", "讲座 #1?-html5.html", "讲座 #1?-scorm.zip", "讲座 #1?.mp4"}},
      {".hidden talk", Card(".hidden talk.pptx", "", 1, ".hidden talk"), {".hidden talk.swf"}},
      {"gone", Card("gone.ppt", "Gone", 3, "gone"), {}},
      {"sneaky", IndexCard{"sneaky.odp", "", 2, "sneaky.swf", "../outside.htm", "/etc/passwd", "", ""}, {"sneaky.swf"}},
  };
  for (const Case& c : cases) {
    PutThumbnail(folder, c.stem, c.card);
    for (const std::string& name : c.present) WriteFile(folder + "/" + name, "x");
  }
  WriteFile(folder + "/holiday-thumb.jpg", std::string(kBareJpeg.begin(), kBareJpeg.end()));  // not ours
  WriteFile(folder + "/outside.htm", "x");

  const std::vector<IndexEntry> entries = ReadFolderEntries(folder);
  std::vector<std::string> listed;
  for (const IndexEntry& entry : entries) listed.push_back(entry.card.source);
  EXPECT_EQ(listed, (std::vector<std::string>{".hidden talk.pptx", "sneaky.odp", "讲座 #1?.ppt"}));

  const std::string page = BuildIndexPage("课程 <a>", entries, UiLanguage::kEnglish);
  const std::vector<std::pair<std::string, bool>> expected{
      {"<title>Presentations in 课程 &lt;a&gt;</title>", true},
      {"<h2><a href=\"%E8%AE%B2%E5%BA%A7%20%231%3F-html5.html\">&lt;script&gt;&quot;&amp;&#39;</a></h2>"
       "<p class=\"file\">讲座 #1?.ppt</p><p>12 slides</p>",
       true},
      {"<img src=\"%E8%AE%B2%E5%BA%A7%20%231%3F-thumb.jpg\" alt=\"\">", true},
      {"<h1>Presentations in 课程 &lt;a&gt;</h1>", true},
      {"href=\"%E8%AE%B2%E5%BA%A7%20%231%3F-html5.html\">HTML5 version<", true},
      {"href=\"%E8%AE%B2%E5%BA%A7%20%231%3F.htm\">Web page<", true},
      {"href=\"%E8%AE%B2%E5%BA%A7%20%231%3F.mp4\">Video<", true},
      {"href=\"%E8%AE%B2%E5%BA%A7%20%231%3F-scorm.zip\">SCORM lesson<", true},
      {"<img src=\".hidden%20talk-thumb.jpg\" alt=\"\"><h2>.hidden talk.pptx</h2><p>1 slide</p>"
       "<ul class=\"links\"></ul>",
       true},  // the file name stands in; nothing to open but the movie
      {"<h2>sneaky.odp</h2><p>2 slides</p><ul class=\"links\"></ul>", true},
      {"outside.htm", false},
      {"passwd", false},
      {"Gone", false},
      {"<script>", false},
  };
  for (const auto& [text, present] : expected) EXPECT_EQ(page.find(text) != std::string::npos, present) << text;
  const std::string chinese = BuildIndexPage("f", entries, UiLanguage::kChinese);
  for (const char* text : {"<html lang=\"zh-CN\">", "<p>12 张幻灯片</p>", ">HTML5 版本<", ">网页<", ">视频<"})
    EXPECT_NE(chinese.find(text), std::string::npos) << text;
}

}  // namespace
}  // namespace orv
