#include "pipeline/batch_driver.h"

#include <gtest/gtest.h>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "pipeline/automation.h"
#include "pipeline/picture_folder.h"
#include "pipeline/scripted_presentation.h"
#include "support/files.h"
#include "support/pictures.h"

namespace orv {
namespace {

using test::FileNames;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteSolidBmp;

// Counts the views made and cancels at the given pump, if any.
class ScriptedProgress final : public Progress {
 public:
  explicit ScriptedProgress(int cancelAtPump) : cancelAtPump_(cancelAtPump) {}

 protected:
  void OnPump(bool) override {
    if (++pumps_ == cancelAtPump_) RequestCancel();
  }

 private:
  int cancelAtPump_;
  int pumps_ = 0;
};

class BatchDriverTest : public ::testing::Test {
 protected:
  BatchDriverTest() : scope_(recorder_) {
    settings_.TempFolder = temp_.path() + "/";
    settings_.OutputFolder = out_.path();
  }

  BatchDriver MakeDriver(AutomationServer& server, int cancelAtPump = -1) {
    return BatchDriver(settings_, server, [this, cancelAtPump](const std::string&) {
      ++viewsMade_;
      return std::make_unique<ScriptedProgress>(cancelAtPump);
    });
  }

  std::string PictureFolder(const std::string& name, int count) {
    std::string folder = source_ / name;
    std::filesystem::create_directories(folder);
    for (int i = 1; i <= count; ++i) {
      WriteSolidBmp(folder + "/Slide" + std::to_string(i) + ".bmp", 64, 48, static_cast<std::uint8_t>(i * 20), 90, 200);
    }
    return folder;
  }

  RecordingNotifier recorder_;
  ScopedNotifier scope_;
  ScratchFolder temp_, out_, source_;
  ConversionSettings settings_;
  int viewsMade_ = 0;
};

TEST_F(BatchDriverTest, MissingSourceIsSkippedWithItsMessageAndNoProgressView) {
  ScriptedServer server;
  BatchDriver driver = MakeDriver(server);
  std::string missing = source_ / "gone.ppt";
  EXPECT_EQ(driver.ConvertEntry(missing), EntryResult::kSkipped);
  EXPECT_EQ(recorder_.reports, std::vector<std::string>{FormatMessage(msg::kSourceMissing, missing)});
  EXPECT_EQ(viewsMade_, 0);
  EXPECT_EQ(server.createCount, 0);
}

TEST_F(BatchDriverTest, PictureFolderBecomesMovieAndPageWithoutTouchingTheFolder) {
  std::string folder = PictureFolder("holiday", 3);
  auto before = FileNames(folder);
  ScriptedServer server;
  BatchDriver driver = MakeDriver(server);

  EXPECT_EQ(driver.ConvertEntry(folder), EntryResult::kConverted) << ::testing::PrintToString(recorder_.reports);
  EXPECT_TRUE(recorder_.reports.empty()) << recorder_.reports.front();
  EXPECT_EQ(FileNames(out_.path()), (std::vector<std::string>{"holiday.htm", "holiday.swf"}));
  EXPECT_NE(ReadFile(out_ / "holiday.htm").find("holiday.swf"), std::string::npos);
  EXPECT_EQ(FileNames(folder), before);
  EXPECT_EQ(server.createCount, 0) << "a picture folder needs no presentation server";
  // Nothing is left in the temporary folder either.
  EXPECT_TRUE(FileNames(temp_.path()).empty());
}

// A name that leaves room for the movie and its page but not for the twin's
// longer suffix: the twin is not attempted, the page does not link it, and a
// message names it.
TEST_F(BatchDriverTest, ATwinNameTooLongIsSkippedAndNotLinked) {
  settings_.GenHTML = 1;
  settings_.GenHTML5 = 1;
  settings_.WebPlayer = 1;
  ScratchFolder player;
  player.Write("VERSION", "v\n");
  for (const std::size_t length : {std::size_t{244}, std::size_t{245}}) {
    const std::string name(length, 'n');
    std::filesystem::remove_all(out_.path());
    std::filesystem::create_directories(out_.path());
    recorder_.reports.clear();
    ScriptedServer server;
    BatchDriver driver = MakeDriver(server);
    driver.SetWebPlayer(ReadWebPlayerBundle(player.path()));
    EXPECT_EQ(driver.ConvertEntry(PictureFolder(name, 1)), EntryResult::kConverted) << length;
    const bool fits = name.size() + std::string_view("-html5.html").size() <= 255;
    const std::string twin = out_ / (name + "-html5.html");
    std::error_code ec;
    EXPECT_EQ(std::filesystem::exists(twin, ec), fits) << length;
    EXPECT_EQ(ReadFile(out_ / (name + ".htm")).find("-html5.html") != std::string::npos, fits) << length;
    EXPECT_EQ(recorder_.reports,
              fits ? std::vector<std::string>{} : std::vector<std::string>{FormatMessage(msg::kTwinNameTooLong, twin)});
  }
}

TEST_F(BatchDriverTest, PictureFolderOrdersSlidesByNumberAndAddsExtraSlidesPrivately) {
  std::string folder = PictureFolder("deck", 12);
  settings_.InsHelp = 1;
  settings_.BlankEnd = 1;
  std::string privateFolder;
  {
    PictureFolderSlides slides;
    ASSERT_TRUE(CollectPictureFolder(folder, settings_, slides));
    ASSERT_EQ(slides.paths.size(), 14u);
    EXPECT_EQ(FileNamePart(slides.paths.front()), "slide_hlp.wmf");
    EXPECT_EQ(FileNamePart(slides.paths.back()), "slide_end.wmf");
    for (int i = 1; i <= 12; ++i) {
      EXPECT_EQ(FileNamePart(slides.paths[static_cast<std::size_t>(i)]), "Slide" + std::to_string(i) + ".bmp");
    }
    privateFolder = slides.paths.front().substr(0, slides.paths.front().rfind('/'));
    EXPECT_NE(privateFolder, folder);
    EXPECT_TRUE(IsDirectory(privateFolder));
  }
  EXPECT_FALSE(PathExists(privateFolder)) << "the private working folder goes with the slides";
  EXPECT_EQ(FileNames(folder).size(), 12u);
}

TEST_F(BatchDriverTest, DominantExtensionChoosesTheCommonestPictureKind) {
  std::string folder = source_ / "mixed";
  std::filesystem::create_directories(folder);
  for (const char* name : {"Slide1.JPG", "Slide2.jpg", "Slide3.bmp", "notes.txt"})
    test::WriteSolidBmp(folder + "/" + name, 2, 2, 0, 0, 0);
  EXPECT_EQ(DominantPictureExtension(folder), "jpg");
  EXPECT_EQ(DominantPictureExtension(source_ / "nothing-here"), "");
}

TEST_F(BatchDriverTest, EmptyPictureFolderReportsAnEmptyPresentation) {
  std::string folder = PictureFolder("empty", 0);
  ScriptedServer server;
  BatchDriver driver = MakeDriver(server);
  EXPECT_NE(driver.ConvertEntry(folder), EntryResult::kConverted);
  EXPECT_EQ(recorder_.reports, std::vector<std::string>{FormatMessage(msg::kPresentationEmpty, folder)});
  EXPECT_TRUE(FileNames(out_.path()).empty());
}

TEST_F(BatchDriverTest, CancelAtTheFirstSlideLeavesNoMovieAndNoPage) {
  std::string folder = PictureFolder("talk", 3);
  ScriptedServer server;
  BatchDriver driver = MakeDriver(server, /*cancelAtPump=*/1);
  EXPECT_EQ(driver.ConvertEntry(folder), EntryResult::kCancelled);
  EXPECT_TRUE(FileNames(out_.path()).empty());
  EXPECT_TRUE(recorder_.reports.empty());
}

TEST_F(BatchDriverTest, ServerThatCannotStartShowsTheInstallMessageAndAsksToEndTheBatch) {
  std::string deck = source_ / "talk.ppt";
  test::WriteSolidBmp(deck, 1, 1, 0, 0, 0);  // any file: the server never opens it
  ScriptedServer server;
  server.createFailure = kClassNotRegistered;
  BatchDriver driver = MakeDriver(server);
  EXPECT_FALSE(driver.serverUnavailable());
  EXPECT_EQ(driver.ConvertEntry(deck), EntryResult::kFailed);
  ASSERT_EQ(recorder_.reports.size(), 1u);
  EXPECT_NE(recorder_.reports[0].find("80040154"), std::string::npos) << recorder_.reports[0];
  EXPECT_TRUE(driver.serverUnavailable());
  // Picture folders need no server and still convert if the caller asks.
  EXPECT_EQ(driver.ConvertEntry(PictureFolder("next", 1)), EntryResult::kConverted);
}

// A presentation the server cannot open or export fails alone: its message is
// the server's reason, its working folder goes, and the batch goes on.
TEST_F(BatchDriverTest, FailingAutomationCallFailsThatPresentationAlone) {
  std::string deck = source_ / "talk.ppt";
  test::WriteSolidBmp(deck, 1, 1, 0, 0, 0);
  ScriptedDeck slides;
  slides.slides.push_back(ScriptedSlide::Titled("one", "One"));
  slides.slides.push_back(ScriptedSlide::Titled("two", "Two"));
  ScriptedServer server(slides);
  server.failMember = "Slide.Export";
  server.failDescription = "Slide.Export: cannot write";
  settings_.SharpFont = 1;  // the folder exists before the failing export
  BatchDriver driver = MakeDriver(server);
  EXPECT_EQ(driver.ConvertEntry(deck), EntryResult::kFailed);
  // The presentation first, in plain words; the member's name is for --verbose.
  EXPECT_EQ(recorder_.reports, std::vector<std::string>{FormatMessage(msg::kOfficeFailed, deck) + "\ncannot write"});
  EXPECT_TRUE(FileNames(temp_.path()).empty()) << "working folder left";
  EXPECT_FALSE(driver.serverUnavailable());
  EXPECT_EQ(server.liveObjects(), 0);
  // The reason behind it names the presentation, for those who ask.
  ASSERT_EQ(recorder_.reasons.size(), 1u);
  EXPECT_NE(recorder_.reasons[0].find(deck), std::string::npos) << recorder_.reasons[0];

  // A LibreOffice that stopped, or a file it cannot open, is said in plain
  // words naming the presentation; its own words are the reason behind.
  for (const auto& [kind, message] : {std::pair{AutomationFailure::kServerLost, msg::kOfficeStopped},
                                      std::pair{AutomationFailure::kCannotOpen, msg::kOfficeCannotOpen},
                                      std::pair{AutomationFailure::kNotPresentation, msg::kNotPresentation},
                                      std::pair{AutomationFailure::kPasswordProtected, msg::kPasswordProtected},
                                      std::pair{AutomationFailure::kDamaged, msg::kPresentationDamaged},
                                      std::pair{AutomationFailure::kEmpty, msg::kSourceEmpty},
                                      std::pair{AutomationFailure::kUnreadable, msg::kSourceUnreadable}}) {
    recorder_.reports.clear();
    server.failKind = kind;
    server.failDescription = "Binary URP bridge disposed during call";
    EXPECT_EQ(driver.ConvertEntry(deck), EntryResult::kFailed);
    EXPECT_EQ(recorder_.reports, std::vector<std::string>{FormatMessage(message, deck)});
    EXPECT_NE(recorder_.reasons.back().find("Binary URP bridge"), std::string::npos) << recorder_.reasons.back();
  }
  server.failKind = AutomationFailure::kCall;

  // An empty file is told by the file itself: no server is asked.
  const int created = server.createCount;
  const std::string empty = source_ / "空 a.b.ppt";
  test::WriteFile(empty, "");
  recorder_.reports.clear();
  EXPECT_EQ(driver.ConvertEntry(empty), EntryResult::kFailed);
  EXPECT_EQ(recorder_.reports, std::vector<std::string>{FormatMessage(msg::kSourceEmpty, empty)});
  EXPECT_EQ(server.createCount, created);

  // An error without text still says something; the next entries convert.
  recorder_.reports.clear();
  server.failDescription = "";
  EXPECT_EQ(driver.ConvertEntry(deck), EntryResult::kFailed);
  EXPECT_EQ(recorder_.reports, std::vector<std::string>{msg::kInternalError});
  server.failMember.clear();
  EXPECT_EQ(driver.ConvertEntry(PictureFolder("next", 1)), EntryResult::kConverted);
  EXPECT_EQ(server.createCount, 9);
}

// A page never links a movie that is not there: movies that cannot be made
// (the scripted server's slide files are not pictures) get no page, and the
// presentation did not convert.
TEST_F(BatchDriverTest, MoviesThatCannotBeWrittenGetNoPagesAndTheEntryFails) {
  std::string deck = source_ / "talk.ppt";
  test::WriteSolidBmp(deck, 1, 1, 0, 0, 0);
  ScriptedDeck slides;
  slides.slides.push_back(ScriptedSlide::Titled("a", "Intro"));
  slides.slides.push_back(ScriptedSlide::Titled("b", "Q&A: 1/2"));
  ScriptedServer server(slides);
  settings_.SplitPPT = 1;
  settings_.UseTitle = 1;
  BatchDriver driver = MakeDriver(server);
  EXPECT_EQ(driver.ConvertEntry(deck), EntryResult::kFailed);
  EXPECT_TRUE(FileNames(out_.path()).empty());
  EXPECT_TRUE(driver.lastPlan().WrittenOutputs().empty());
  EXPECT_EQ(recorder_.reports.size(), 2u) << "one message per movie";
}

// Two entries of one batch whose files would meet: the later one is refused
// before it writes anything, and the earlier one's files stay.
TEST_F(BatchDriverTest, AnEntryNeverReplacesTheFilesOfAnEarlierOne) {
  const std::string first = PictureFolder("讲义 1.v2", 2);
  const std::string other = source_ / "again";
  std::filesystem::create_directories(other);
  const std::string second = other + "/讲义 1.v2";
  std::filesystem::copy(first, second);
  test::WriteSolidBmp(second + "/Slide1.bmp", 64, 48, 250, 0, 0);
  ScriptedServer server;
  BatchDriver driver = MakeDriver(server);
  EXPECT_EQ(driver.ConvertEntry(first), EntryResult::kConverted);
  const std::string movie = ReadFile(out_ / "讲义 1.v2.swf");
  EXPECT_EQ(driver.ConvertEntry(second), EntryResult::kFailed);
  EXPECT_EQ(recorder_.reports, std::vector<std::string>{FormatMessage(msg::kOutputsWouldReplace, first)});
  EXPECT_EQ(ReadFile(out_ / "讲义 1.v2.swf"), movie);
  EXPECT_EQ(driver.ConvertEntry(first), EntryResult::kConverted) << "its own files it may write again";
}

}  // namespace
}  // namespace orv
