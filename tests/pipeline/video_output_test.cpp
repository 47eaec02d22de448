// A presentation's video through the batch driver and FFmpeg's real
// libraries: planned beside the movie, one per presentation also when split,
// listed in the plan with its chapters; the bar during the encoding; a
// cancel and a full disk in the middle of it; a deck without slides.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>

#include "base/messages.h"
#include "base/notifier.h"
#include "movie/twin_labels.h"
#include "pipeline/batch_driver.h"
#include "pipeline/scripted_presentation.h"
#include "support/files.h"
#include "support/pictures.h"
#include "video/video_options.h"

namespace orv {
namespace {

using test::FileNames;
using test::ScratchFolder;

// What the video's part of the bar showed; a fault at its first step.
struct Seen {
  enum class Fault { kNone, kCancel, kFullDisk };
  Fault fault = Fault::kNone;
  std::string encodingStatus;  // the status that starts the encoding
  std::vector<std::int32_t> positions;
};

class VideoStepProgress final : public Progress {
 public:
  explicit VideoStepProgress(Seen& seen) : seen_(seen) {}

 protected:
  void OnStatus(const std::string& text) override {
    encoding_ = text == seen_.encodingStatus;
    // Writes fail past a few bytes from here on, as on a full disk.
    if (encoding_ && seen_.fault == Seen::Fault::kFullDisk) limit_ = std::make_unique<test::FileSizeLimit>(1024);
  }
  void OnBar(std::int32_t position) override {
    if (!encoding_) return;
    seen_.positions.push_back(position);
    if (position > 0 && seen_.fault == Seen::Fault::kCancel) RequestCancel();
  }

 private:
  Seen& seen_;
  bool encoding_ = false;
  std::unique_ptr<test::FileSizeLimit> limit_;
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
    folder_ = source_ / "讲义 3.v2";
    std::filesystem::create_directories(folder_);
    for (int i = 1; i <= 3; ++i) {
      test::WriteSolidBmp(folder_ + "/Slide" + std::to_string(i) + ".bmp", 64, 48, static_cast<std::uint8_t>(i * 60),
                          90, 200);
    }
  }

  EntryResult Convert(const std::string& source, Seen::Fault fault = Seen::Fault::kNone) {
    seen_ = Seen{fault, FormatMessage(msg::kMakingVideo, out_ / "讲义 3.v2.mp4"), {}};
    BatchDriver driver(settings_, server_, [this](const std::string&) {
      return std::make_unique<VideoStepProgress>(seen_);
    });
    const EntryResult result = driver.ConvertEntry(source);
    plan_ = driver.lastPlan();
    return result;
  }

  RecordingNotifier recorder_;
  ScopedNotifier scope_;
  ScratchFolder temp_, out_, source_;
  std::string folder_;
  ConversionSettings settings_;
  ScriptedServer server_;
  Seen seen_;
  OutputPlan plan_;
};

// A cue of the chapters file: "start --> end\ntitle".
std::string Cue(const char* from, const char* to, const std::string& title) {
  return std::string(from) + " --> " + to + "\n" + title + "\n";
}

TEST_F(VideoOutputTest, AFolderGetsOneVideoWithItsChaptersWholeOrSplit) {
  const std::string end(TwinLabel("end-title", CurrentLanguage()));
  ASSERT_EQ(Convert(folder_), EntryResult::kConverted) << ::testing::PrintToString(recorder_.reports);
  EXPECT_EQ(FileNames(out_.path()),
            (std::vector<std::string>{"讲义 3.v2.chapters.vtt", "讲义 3.v2.mp4", "讲义 3.v2.swf"}));
  EXPECT_EQ(plan_.WrittenOutputs(),
            (std::vector<std::string>{"讲义 3.v2.swf", "讲义 3.v2.mp4", "讲义 3.v2.chapters.vtt"}));
  EXPECT_EQ(test::ReadFile(out_ / "讲义 3.v2.mp4").substr(4, 4), "ftyp");
  // A picture folder has no timings: Delay each, then the end slide's 3 s.
  const std::string chapters = test::ReadFile(out_ / "讲义 3.v2.chapters.vtt");
  EXPECT_NE(chapters.find(Cue("00:00:02.000", "00:00:04.000", FormatMessage(msg::kVideoChapterUntitled, 2))),
            std::string::npos)
      << chapters;
  EXPECT_NE(chapters.find(Cue("00:00:06.000", "00:00:09.000", end)), std::string::npos) << chapters;
  // The bar runs over the encoding to its end.
  ASSERT_FALSE(seen_.positions.empty());
  EXPECT_TRUE(std::is_sorted(seen_.positions.begin(), seen_.positions.end()));
  EXPECT_NE(std::find(seen_.positions.begin(), seen_.positions.end(), 1000), seen_.positions.end());

  // Split movies, one video in WebM, without the end slide the split movies lack.
  std::filesystem::remove_all(out_.path());
  settings_.SplitPPT = 1;
  settings_.VideoFormat = static_cast<std::int32_t>(VideoFormat::kWebm);
  ASSERT_EQ(Convert(folder_), EntryResult::kConverted) << ::testing::PrintToString(recorder_.reports);
  EXPECT_EQ(FileNames(out_.path()),
            (std::vector<std::string>{"讲义 3.v2.chapters.vtt", "讲义 3.v2.webm", "讲义 3.v2_1.swf",
                                      "讲义 3.v2_2.swf", "讲义 3.v2_3.swf"}));
  const std::string split = test::ReadFile(out_ / "讲义 3.v2.chapters.vtt");
  EXPECT_NE(split.find(Cue("00:00:04.000", "00:00:06.000", FormatMessage(msg::kVideoChapterUntitled, 3))),
            std::string::npos)
      << split;
  EXPECT_EQ(split.find(end), std::string::npos) << split;
}

// A cancel leaves the movie and no video; a full disk fails the entry with
// the system's reason on the video, and leaves no part of it.
TEST_F(VideoOutputTest, ACancelOrAFullDiskDuringTheEncodingLeavesNoVideo) {
  struct Case {
    Seen::Fault fault;
    EntryResult result;
    int error;
  };
  for (const Case& c : {Case{Seen::Fault::kCancel, EntryResult::kCancelled, 0},
                        Case{Seen::Fault::kFullDisk, EntryResult::kFailed, EFBIG}}) {
    SCOPED_TRACE(c.error);
    std::filesystem::remove_all(out_.path());
    recorder_.reports.clear();
    EXPECT_EQ(Convert(folder_, c.fault), c.result);
    EXPECT_EQ(FileNames(out_.path()), std::vector<std::string>{"讲义 3.v2.swf"}) << "no video, chapters or part";
    EXPECT_EQ(plan_.firstError(), c.error);
    EXPECT_EQ(plan_.WrittenOutputs(), std::vector<std::string>{"讲义 3.v2.swf"});
    const std::vector<std::string> said;
    EXPECT_EQ(recorder_.reports, c.error == 0 ? said
                                              : std::vector<std::string>{FormatMessage(
                                                    msg::kVideoWriteFailed, out_ / "讲义 3.v2.mp4")});
  }
}

// A presentation without slides of its own would be a video of its end
// slide: it is empty, and nothing is written.
TEST_F(VideoOutputTest, ADeckWithoutSlidesIsEmptyAndWritesNothing) {
  settings_.InsHelp = 1;
  const std::string deck = source_.Write("空的 deck.ppt", "a deck");
  EXPECT_EQ(Convert(deck), EntryResult::kFailed);
  EXPECT_EQ(recorder_.reports, std::vector<std::string>{FormatMessage(msg::kPresentationEmpty, deck)});
  EXPECT_TRUE(FileNames(out_.path()).empty());
}

}  // namespace
}  // namespace orv
