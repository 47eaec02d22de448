// The deck's text, read beside the export: what a reader of the HTML5 twin
// gets, and what it must never change.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "movie/exported_slides_fixture.h"
#include "pipeline/presentation_export.h"
#include "pipeline/scripted_presentation.h"
#include "pipeline/slide_text.h"
#include "support/files.h"

// The help slide below is drawn through pango, whose font cache lives as
// long as the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libpango\n"; }

namespace orv {
namespace {

using Lines = std::vector<std::string>;

TEST(SplitParagraphs, CutsAtEveryKindOfBreakAndDropsWhatCarriesNoText) {
  const struct {
    std::string text;
    Lines paragraphs;
  } cases[] = {
      {"One", {"One"}},
      {"One\rTwo\nThree\vFour", {"One", "Two", "Three", "Four"}},
      {"  padded\t \r\r\n  ", {"padded"}},
      {"a\tb\x01"
       "c",
       {"a b c"}},
      {"line\xE2\x80\xA8next\xE2\x80\xA9last", {"line", "next", "last"}},
      {"中文\r标题", {"中文", "标题"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitParagraphs(c.text), c.paragraphs) << c.text;
}

class SlideTextExport : public ::testing::Test {
 protected:
  SlideTextExport() {
    settings.Width = 64;
    settings.Height = 48;
    settings.GenHTML5 = 1;
  }
  bool Run(ScriptedServer& server) {
    return ExportPresentation(server, "/talks/talk.ppt", scratch.path() + "/work", settings, list, progress, extension);
  }

  // A title, a body of two paragraphs, an empty text box, a group holding a
  // text and a group of its own, a picture, a table, then a last text box.
  static ScriptedDeck Deck() {
    ScriptedSlide first = ScriptedSlide::Titled("one", "Agenda\vfor today");
    first.shapes[0].language = "en-GB";
    ScriptedShape body;
    body.text = "First point\rSecond point";
    body.language = "en-GB";
    ScriptedShape picture = ScriptedShape::Text("");
    picture.hasTextFrame = false;
    first.shapes.push_back(body);
    first.shapes.push_back(ScriptedShape::Text(""));
    first.shapes.push_back(ScriptedShape::Group(
        {ScriptedShape::Text("In a group"), ScriptedShape::Group({ScriptedShape::Text("Deeper")})}));
    first.shapes.push_back(picture);
    first.shapes.push_back(ScriptedShape::Table(2, {"Name", "Value", "Q&A", ""}));
    first.shapes.push_back(ScriptedShape::Text("Last"));
    first.WithNotes("Say hello\rthen go on");
    ScriptedSlide second;  // untitled, nothing but a text box
    second.label = "two";
    second.shapes.push_back(ScriptedShape::Text("Untitled text"));
    return {{first, second}};
  }

  test::ScratchFolder scratch;
  ConversionSettings settings;
  SlideList list;
  Progress progress;
  std::string extension = "bmp";
  RecordingNotifier notes;
  ScopedNotifier scoped{notes};
};

TEST_F(SlideTextExport, EveryShapeInReadingOrderWithTheNotesOnlyWhenTheyAreConverted) {
  for (int withNotes : {0, 1}) {
    SCOPED_TRACE(withNotes);
    ScriptedServer server(Deck());
    settings.Notes = withNotes;
    list = SlideList();
    ASSERT_TRUE(Run(server));
    // With notes, each slide with notes is followed by its notes slide.
    ASSERT_EQ(list.texts.size(), withNotes ? 3u : 2u);
    const SlideText& first = list.texts[0];
    EXPECT_EQ(first.title, "Agenda for today");
    EXPECT_EQ(first.paragraphs,
              (Lines{"First point", "Second point", "In a group", "Deeper", "Name", "Value", "Q&A", "Last"}));
    EXPECT_EQ(first.notes, withNotes ? (Lines{"Say hello", "then go on"}) : Lines{});
    const SlideText& last = list.texts.back();
    EXPECT_EQ(last.title, "");
    EXPECT_EQ(last.paragraphs, Lines{"Untitled text"});
    if (withNotes) {
      EXPECT_EQ(list.texts[1].title, "Speaker Notes");
      EXPECT_EQ(list.texts[1].paragraphs, (Lines{"Say hello", "then go on"}));
      EXPECT_EQ(list.texts[1].notes, Lines{});
    }
    EXPECT_EQ(list.language, "en-GB");
    // Titles as names are not asked for, and none are made.
    EXPECT_TRUE(list.titles.empty());
  }
}

TEST_F(SlideTextExport, NothingIsReadWithoutTwinsAndAFailingShapeCostsOnlyItsOwnText) {
  settings.GenHTML5 = 0;
  ScriptedServer quiet(Deck());
  ASSERT_TRUE(Run(quiet));
  EXPECT_TRUE(list.texts.empty());
  for (const auto& call : quiet.calls) EXPECT_NE(call, "Shape.HasTable");

  settings.GenHTML5 = 1;
  list = SlideList();
  ScriptedServer failing(Deck());
  failing.failMember = "Table.Cell";
  ASSERT_TRUE(Run(failing));
  ASSERT_EQ(list.texts.size(), 2u);
  EXPECT_EQ(list.texts[0].paragraphs, (Lines{"First point", "Second point", "In a group", "Deeper"}));
  EXPECT_EQ(list.texts[1].paragraphs, Lines{"Untitled text"});
  EXPECT_EQ(failing.quitCount, 1);
  EXPECT_EQ(failing.liveObjects(), 0);
}

// The movie comes out the same, byte for byte, whatever text the deck had;
// only the twin reads it.
class TextLeavesTheMovieAlone : public test::ExportedSlidesFixture {
 protected:
  TextLeavesTheMovieAlone() : ExportedSlidesFixture(40) {}
};

TEST_F(TextLeavesTheMovieAlone, TheMovieIsByteIdenticalAndTheHelpSlideKeepsTheTitlesInPlace) {
  settings_.GenHTML5 = 1;
  settings_.WebPlayer = 0;
  settings_.InsHelp = 1;
  settings_.BlankEnd = 1;
  settings_.UseTitle = 1;
  AddSlides(2);
  std::string movie[2], twin[2];
  for (int withText : {0, 1}) {
    slides_ = SlideList();
    slides_.titles = {"Opening", "Closing"};
    if (withText) {
      slides_.texts.resize(2);
      slides_.texts[0].title = "Opening <words>";
      slides_.texts[0].paragraphs = {"Body"};
      slides_.texts[1].title = "Closing";
      slides_.language = "de-DE";
    }
    ASSERT_EQ(Convert(), 1);
    movie[withText] = test::ReadFile(out_ + "/Talk.swf");
    twin[withText] = test::ReadFile(out_ + "/Talk-html5.html");
  }
  ASSERT_FALSE(movie[0].empty());
  EXPECT_TRUE(movie[0] == movie[1]) << "the deck's text changed the movie";
  EXPECT_NE(twin[0], twin[1]);
  // Help first, end last: the deck's slides are 2 and 3 of 4.
  const std::regex alt(R"re(alt="(第 [23] 张，共 4 张[^"]*)")re");
  std::vector<std::string> alts;
  for (auto it = std::sregex_iterator(twin[1].begin(), twin[1].end(), alt); it != std::sregex_iterator(); ++it) {
    alts.push_back((*it)[1].str());
  }
  EXPECT_EQ(alts, (std::vector<std::string>{"第 2 张，共 4 张: Opening &lt;words&gt;", "第 3 张，共 4 张: Closing"}));
}

}  // namespace
}  // namespace orv
