// The export's conversation with the server, against the scripted
// in-memory presentation.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/notifier.h"
#include "pipeline/automation_members.h"
#include "pipeline/presentation_export.h"
#include "pipeline/scripted_presentation.h"
#include "support/files.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

class CountingProgress final : public Progress {
 public:
  int pumps = 0;
  int cancelAtPump = -1;
  std::vector<std::string> statuses;

 protected:
  void OnStatus(const std::string& text) override { statuses.push_back(text); }
  void OnPump(bool escCancels) override {
    EXPECT_TRUE(escCancels);
    if (++pumps == cancelAtPump) RequestCancel();
  }
};

ScriptedSlide Slide(const std::string& label, const std::string& title = "") {
  return ScriptedSlide::Titled(label, title.empty() ? label : title);
}

std::string ReadFile(const fs::path& path) { return test::ReadFile(path.string()); }

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = root / "talk_zzz_";
    settings.Width = 640;
    settings.Height = 480;
  }
  bool Run(ScriptedServer& server) {
    return ExportPresentation(server, "/talks/talk.ppt", folder.string(), settings, list, progress, extension);
  }

  // The labels written into Slide1.<ext>, Slide2.<ext>, ... in order.
  std::vector<std::string> ExportedLabels(const std::string& ext) {
    std::vector<std::string> labels;
    for (int i = 1;; ++i) {
      fs::path file = folder / ("Slide" + std::to_string(i) + "." + ext);
      if (!fs::exists(file)) break;
      labels.push_back(ReadFile(file));
    }
    return labels;
  }

  test::ScratchFolder scratch;
  fs::path root = scratch.path(), folder;
  ConversionSettings settings;
  SlideList list;
  CountingProgress progress;
  std::string extension = "bmp";
  RecordingNotifier notes;
  ScopedNotifier scoped{notes};
};

TEST_F(ExportTest, NotesSlidesFollowTheirSlides) {
  ScriptedDeck deck;
  deck.slides = {Slide("s1"), Slide("s2"), Slide("s3")};
  deck.slides[0].WithNotes("first notes");
  deck.slides[2].WithNotes("third notes");
  ScriptedServer server(deck);
  settings.Notes = 1;

  ASSERT_TRUE(Run(server));
  EXPECT_EQ(ExportedLabels("bmp"),
            (std::vector<std::string>{"s1 640x480 bmp", "notes: first notes 640x480 bmp", "s2 640x480 bmp",
                                      "s3 640x480 bmp", "notes: third notes 640x480 bmp"}));
  const ScriptedDeck& opened = server.openedDeck();
  ASSERT_EQ(opened.slides.size(), 5u);
  EXPECT_EQ(opened.slides[1].shapes[0].text, msg::kSpeakerNotesTitle);
  EXPECT_EQ(opened.slides[4].shapes[1].text, "third notes");
  EXPECT_EQ(extension, "bmp");
  EXPECT_EQ(server.quitCount, 1);
  EXPECT_EQ(server.liveObjects(), 0);
  EXPECT_TRUE(notes.reports.empty());
  // The analysing text first, then the converting text; both name the file.
  ASSERT_GE(progress.statuses.size(), 2u);
  EXPECT_EQ(progress.statuses.front(), FormatMessage(msg::kAnalysingNotes, "/talks/talk.ppt"));
  EXPECT_EQ(progress.statuses.back(), FormatMessage(msg::kConvertingFile, "/talks/talk.ppt"));
}

TEST_F(ExportTest, NotesAreOnlyTakenFromBodyPlaceholdersWithText) {
  ScriptedDeck deck;
  deck.slides = {Slide("s1"), Slide("s2"), Slide("s3")};
  deck.slides[0].WithNotes("");  // empty body
  deck.slides[1].WithNotes("kept");
  deck.slides[1].notes[1].placeholder = false;  // a text box, not the notes placeholder
  deck.slides[2].WithNotes("title only");
  deck.slides[2].notes[1].placeholderType = ppt::kPlaceholderTitle;
  ScriptedServer server(deck);
  settings.Notes = 1;
  ASSERT_TRUE(Run(server));
  EXPECT_EQ(server.openedDeck().slides.size(), 3u);
}

TEST_F(ExportTest, LongNotesShrinkAPointAtATimeAndStopBelowSixPoints) {
  auto lines = [](int n) {
    std::string text = "line";
    for (int i = 1; i < n; ++i) text += "\nline";
    return text;
  };
  ScriptedDeck deck;
  deck.slides = {Slide("s1"), Slide("s2"), Slide("s3")};
  deck.slides[0].WithNotes(lines(10));  // fits at 25 pt: 10 x 25 x 1.2 = 300
  deck.slides[1].WithNotes(lines(60));  // never fits
  deck.slides[2].WithNotes(lines(2));   // fits at once
  ScriptedServer server(deck);
  settings.Notes = 1;
  ASSERT_TRUE(Run(server));
  const auto& slides = server.openedDeck().slides;
  ASSERT_EQ(slides.size(), 6u);
  EXPECT_FLOAT_EQ(slides[1].shapes[1].fontSize, 25.0f);
  EXPECT_FLOAT_EQ(slides[3].shapes[1].fontSize, 5.0f);
  EXPECT_FLOAT_EQ(slides[5].shapes[1].fontSize, 32.0f);
  EXPECT_EQ(std::count(server.calls.begin(), server.calls.end(), "Font.Size="), 7 + 27);
}

TEST_F(ExportTest, TimingsAreWholeSecondsAndNeverZero) {
  ScriptedDeck deck;
  deck.slides = {Slide("a"), Slide("b"), Slide("c"), Slide("d"), Slide("e"), Slide("f")};
  const float times[] = {2.9f, 0.0f, 0.4f, -3.0f, 1e12f, std::numeric_limits<float>::quiet_NaN()};
  for (std::size_t i = 0; i < deck.slides.size(); ++i) deck.slides[i].advanceTime = times[i];
  ScriptedServer server(deck);
  list.useSlideTimings = 1;
  ASSERT_TRUE(Run(server));
  // A damaged file's negative, huge or undefined time plays for a second.
  EXPECT_EQ(list.delays, (std::vector<std::uint32_t>{2, 1, 1, 1, 1, 1}));
  EXPECT_TRUE(list.titles.empty());
}

TEST_F(ExportTest, TitlesBecomeUniqueFileNames) {
  ScriptedDeck deck;
  ScriptedSlide untitled;
  untitled.label = "no title";
  ScriptedSlide emptyTitle = Slide("empty", " ");
  emptyTitle.shapes[0].text.clear();
  ScriptedSlide noFrame = Slide("frameless", "hidden");
  noFrame.shapes[0].hasTextFrame = false;
  deck.slides = {Slide("a", "Intro"), untitled, Slide("b", "intro"), emptyTitle, noFrame, Slide("c", "Q&A: 1/2")};
  deck.slides[0].WithNotes("n");
  ScriptedServer server(deck);
  list.useTitles = 1;
  settings.Notes = 1;
  ASSERT_TRUE(Run(server));
  EXPECT_EQ(list.titles, (std::vector<std::string>{"Intro_1", "Speaker Notes", "(untitled_1)", "intro_2",
                                                   "(untitled_2)", "(untitled_3)", "Q&A_ 1_2"}));
  EXPECT_TRUE(list.delays.empty());
}

TEST_F(ExportTest, OldestServerWritesJpegPicturesWhateverSharpFontSays) {
  ScriptedDeck deck;
  deck.slides = {Slide("s1"), Slide("s2")};
  ScriptedServer server(deck);
  server.version = "8.0";
  settings.SharpFont = 0;
  ASSERT_TRUE(Run(server));
  EXPECT_EQ(extension, "jpg");
  EXPECT_EQ(ExportedLabels("jpg"), (std::vector<std::string>{"s1 640x480 jpg", "s2 640x480 jpg"}));
  EXPECT_EQ(std::count(server.calls.begin(), server.calls.end(), "Presentation.SaveAs"), 0);
}

TEST_F(ExportTest, WithoutSharpFontTheServerSavesIntoAFolderItCreates) {
  ScriptedDeck deck;
  deck.slides = {Slide("s1"), Slide("s2")};
  ScriptedServer server(deck);
  server.version = "11.0.5207";
  settings.SharpFont = 0;
  extension = "unchanged";
  ASSERT_TRUE(Run(server));
  EXPECT_FALSE(server.folderExistedAtSaveAs);
  EXPECT_EQ(extension, "unchanged");
  EXPECT_EQ(ReadFile(folder / "Picture2.bmp"), "s2 default");
  EXPECT_EQ(std::count(server.calls.begin(), server.calls.end(), "Slide.Export"), 0);
  EXPECT_EQ(server.calls.back(), "Application.Quit");
}

TEST_F(ExportTest, CallsFollowTheMemberTableOrder) {
  ScriptedDeck deck;
  deck.slides = {Slide("s1")};
  ScriptedServer server(deck);
  list.useSlideTimings = 1;
  list.useTitles = 1;
  ASSERT_TRUE(Run(server));
  const std::vector<std::string> expected = {
      "Application.Presentations", "Presentations.Open", "Presentation.Slides", "Slides.Count",
      // timings
      "Slides.Count", "Slides.Range", "Slide.SlideShowTransition", "SlideShowTransition.AdvanceTime",
      // titles
      "Slides.Count", "Slides.Range", "Slide.Shapes", "Shapes.HasTitle", "Shapes.Title", "Shape.HasTextFrame",
      "Shape.TextFrame", "TextFrame.HasText", "TextFrame.TextRange", "TextRange.Text",
      // export
      "Application.Version", "Presentation.Slides", "Slides.Count", "Slides.Item", "Slide.Export", "Application.Quit"};
  EXPECT_EQ(server.calls, expected);
}

TEST_F(ExportTest, ProgressRangeCountsEveryLaterStep) {
  ScriptedDeck deck;
  deck.slides = {Slide("s1"), Slide("s2"), Slide("s3")};
  ScriptedServer server(deck);
  settings.InsHelp = 1;
  settings.BlankEnd = 1;
  list.useSlideTimings = 1;
  list.useTitles = 1;
  ASSERT_TRUE(Run(server));
  EXPECT_EQ(progress.lower(), 0);
  EXPECT_EQ(progress.upper(), 3 + 3 + 2 + 2 + 2);
  // Timings, titles, end of preparation, then one step per exported slide.
  EXPECT_EQ(progress.position(), 3 + 3);
  EXPECT_EQ(progress.pumps, 3 + 3 + 1);
  EXPECT_EQ(progress.stage(), ProgressStage::kExportingSlides);
  EXPECT_TRUE(progress.stageDone() == 3 && progress.stageTotal() == 3);
  // The file is open: the status no longer says it is loading.
  EXPECT_EQ(progress.statuses.back(), FormatMessage(msg::kConvertingFile, "/talks/talk.ppt"));

  // In split mode the help and end slides are not part of the movie.
  settings.SplitPPT = 1;
  EXPECT_EQ(ExportProgressTotal(3, settings, list), 3 + 3 + 2 + 2);
}

TEST_F(ExportTest, ServerThatCannotStartIsReportedWithItsCode) {
  ScriptedServer server;
  server.createFailure = 0x80040154u;
  EXPECT_FALSE(Run(server));
  ASSERT_EQ(notes.reports.size(), 1u);
  EXPECT_EQ(notes.reports[0], "您是否已经安装了 LibreOffice？ \n\n错误代码:0x80040154.\nscripted server unavailable");
  EXPECT_TRUE(server.calls.empty());
  EXPECT_FALSE(fs::exists(folder));
}

TEST_F(ExportTest, CancelStopsWithoutQuitAndReleasesEverything) {
  ScriptedDeck deck;
  deck.slides = {Slide("s1"), Slide("s2")};
  deck.slides[0].WithNotes("n");
  settings.Notes = 1;
  list.useSlideTimings = 1;
  list.useTitles = 1;
  // Pumps: 3 during the notes pass, then timings, titles, end of preparation.
  for (int cancelAt : {1, 3, 4, 5, 6}) {
    SCOPED_TRACE(cancelAt);
    ScriptedServer server(deck);
    CountingProgress cancelling;
    cancelling.cancelAtPump = cancelAt;
    list = {};
    list.useSlideTimings = 1;
    list.useTitles = 1;
    EXPECT_FALSE(ExportPresentation(server, "/talks/talk.ppt", folder.string(), settings, list, cancelling, extension));
    EXPECT_EQ(server.quitCount, 0);
    EXPECT_EQ(server.liveObjects(), 0);
    EXPECT_FALSE(fs::exists(folder));
  }
  EXPECT_TRUE(notes.reports.empty());
}

TEST_F(ExportTest, FailingCallRaisesItsDescriptionAndReleasesEverything) {
  ScriptedDeck deck;
  deck.slides = {Slide("s1")};
  ScriptedServer server(deck);
  server.failMember = "Slide.Export";
  server.failDescription = "The export failed";
  try {
    Run(server);
    FAIL() << "no automation error";
  } catch (const AutomationError& e) {
    EXPECT_STREQ(e.description(), "The export failed");
  }
  EXPECT_EQ(server.quitCount, 0);
  EXPECT_EQ(server.liveObjects(), 0);
  EXPECT_TRUE(notes.reports.empty());
}

TEST_F(ExportTest, WorkingFolderThatCannotBeCreatedIsReported) {
  ScriptedDeck deck;
  deck.slides = {Slide("s1")};
  ScriptedServer server(deck);
  std::ofstream(root / "file").put('x');
  folder = root / "file" / "talk_zzz_";
  EXPECT_FALSE(Run(server));
  EXPECT_EQ(notes.reports, (std::vector<std::string>{msg::kTempFolderFailed}));
  EXPECT_EQ(server.quitCount, 0);
  EXPECT_EQ(server.liveObjects(), 0);
}

TEST(AutomationSeam, ValuesAndArgumentsAreTypeChecked) {
  EXPECT_EQ(Variant::Index(3).Integer(), 3);
  EXPECT_THROW(Variant::Text("x").Integer(), AutomationError);
  EXPECT_THROW(Variant().Object(), AutomationError);
  EXPECT_THROW(AutomationObject().Invoke(dispid::kSlidesCount, DispatchKind::kPropertyGet), AutomationError);
  EXPECT_NO_THROW(ExpectArguments({Variant::Index(1)}, {Variant::Type::kIndex}, "Item"));
  // An index passed as a plain integer is not the VARIANT the member takes.
  EXPECT_THROW(ExpectArguments({Variant::I4(1)}, {Variant::Type::kIndex}, "Item"), AutomationError);
  EXPECT_THROW(ExpectArguments({}, {Variant::Type::kText}, "Text"), AutomationError);
}

}  // namespace
}  // namespace orv
