// A presentation's video through the batch driver and FFmpeg's libraries:
// beside the movie with its chapters, one also when split; the bar during
// the encoding; a deck without slides.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "base/messages.h"
#include "base/notifier.h"
#include "movie/twin_labels.h"
#include "pipeline/batch_driver.h"
#include "pipeline/scripted_presentation.h"
#include "support/files.h"
#include "support/pictures.h"

namespace orv {
namespace {

// Records the bar while the video is encoded.
class VideoStepProgress final : public Progress {
 public:
  explicit VideoStepProgress(std::vector<std::int32_t>& bar) : bar_(bar) {}

 protected:
  void OnStatus(const std::string& text) override {
    encoding_ = text.find(".mp4") != std::string::npos || text.find(".webm") != std::string::npos;
  }
  void OnBar(std::int32_t position) override {
    if (encoding_) bar_.push_back(position);
  }

 private:
  std::vector<std::int32_t>& bar_;
  bool encoding_ = false;
};

class VideoOutputTest : public ::testing::Test {
 protected:
  VideoOutputTest() : scope_(recorder_) {
    settings_.TempFolder = temp_.path() + "/";
    settings_.OutputFolder = out_.path();
    settings_.GenHTML = 0;
    settings_.GenVideo = 1;
    settings_.VideoHeight = 720;
    settings_.Delay = 2;
    settings_.BlankEnd = 1;
    std::filesystem::create_directories(folder_);
    for (int i = 1; i <= 3; ++i) test::WriteSolidBmp(folder_ + "/Slide" + std::to_string(i) + ".bmp", 64, 48, 90, 9, 0);
  }
  EntryResult Convert(const std::string& source) {
    BatchDriver driver(settings_, server_,
                       [&](const std::string&) { return std::make_unique<VideoStepProgress>(bar_); });
    const EntryResult result = driver.ConvertEntry(source);
    plan_ = driver.lastPlan();
    return result;
  }
  std::string Chapters() { return test::ReadFile(out_ / "讲义 3.v2.chapters.vtt"); }

  RecordingNotifier recorder_;
  ScopedNotifier scope_;
  test::ScratchFolder temp_, out_, source_;
  std::string folder_ = source_ / "讲义 3.v2";
  ConversionSettings settings_;
  ScriptedServer server_;
  std::vector<std::int32_t> bar_;
  OutputPlan plan_;
};

TEST_F(VideoOutputTest, AFolderGetsOneVideoWithItsChaptersWholeOrSplit) {
  ASSERT_EQ(Convert(folder_), EntryResult::kConverted) << ::testing::PrintToString(recorder_.reports);
  EXPECT_EQ(plan_.WrittenOutputs(),
            (std::vector<std::string>{"讲义 3.v2.swf", "讲义 3.v2.mp4", "讲义 3.v2.chapters.vtt"}));
  EXPECT_EQ(test::ReadFile(out_ / "讲义 3.v2.mp4").substr(4, 4), "ftyp");
  // No timings in a folder: Delay a slide, then the end slide's 3 s.
  const std::string untitled2 = FormatMessage(msg::kVideoChapterUntitled, 2);
  EXPECT_NE(Chapters().find("00:00:02.000 --> 00:00:04.000\n" + untitled2 + "\n"), std::string::npos) << Chapters();
  const std::string end(TwinLabel("end-title", CurrentLanguage()));
  EXPECT_NE(Chapters().find("00:00:06.000 --> 00:00:09.000\n" + end + "\n"), std::string::npos) << Chapters();
  EXPECT_TRUE(std::is_sorted(bar_.begin(), bar_.end()));
  EXPECT_NE(std::find(bar_.begin(), bar_.end(), 1000), bar_.end()) << "the bar runs over the encoding";

  // Split movies, one WebM video of them, without the end slide they lack.
  std::filesystem::remove_all(out_.path());
  settings_.SplitPPT = settings_.VideoFormat = 1;
  ASSERT_EQ(Convert(folder_), EntryResult::kConverted) << ::testing::PrintToString(recorder_.reports);
  EXPECT_EQ(test::FileNames(out_.path()),
            (std::vector<std::string>{"讲义 3.v2.chapters.vtt", "讲义 3.v2.webm", "讲义 3.v2_1.swf", "讲义 3.v2_2.swf",
                                      "讲义 3.v2_3.swf"}));
  EXPECT_EQ(Chapters().find(end), std::string::npos) << Chapters();
}

// A deck without slides of its own would be a video of its end slide: it is
// empty, and nothing is written.
TEST_F(VideoOutputTest, ADeckWithoutSlidesIsEmptyAndWritesNothing) {
  settings_.InsHelp = 1;
  const std::string deck = source_.Write("空的 deck.ppt", "a deck");
  EXPECT_EQ(Convert(deck), EntryResult::kFailed);
  EXPECT_EQ(recorder_.reports, std::vector<std::string>{FormatMessage(msg::kPresentationEmpty, deck)});
  EXPECT_TRUE(test::FileNames(out_.path()).empty());
}

}  // namespace
}  // namespace orv
