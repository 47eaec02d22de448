// The deck's text, read beside the export: what a reader of the HTML5 twin
// gets, and what it must never change.
#include <gtest/gtest.h>

#include <algorithm>
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

// A slide's outline read through the automation seam, as the export reads it.
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

  static ScriptedShape At(ScriptedShape shape, std::int64_t x, std::int64_t y) {
    shape.x = x;
    shape.y = y;
    return shape;
  }
  static ScriptedShape Title(std::string text, std::int64_t y = 0) {
    ScriptedShape title = ScriptedSlide::Titled("", std::move(text)).shapes[0];
    title.y = y;
    return title;
  }
  static OutlineParagraph Item(std::string text, TextParagraph::List list, int level, std::string lang = "en-US") {
    return {{{std::move(text), "", std::move(lang)}}, list, level};
  }
  // The first words of each block, in reading order.
  static Lines Order(const SlideText& text) {
    Lines out;
    for (const auto& block : text.blocks) {
      if (block.kind == TextBlock::Kind::kText) out.push_back(block.paragraphs.front().Plain());
      if (block.kind == TextBlock::Kind::kTable) out.push_back("table");
      if (block.kind == TextBlock::Kind::kPicture) out.push_back("picture " + block.title);
    }
    return out;
  }

  test::ScratchFolder scratch;
  ConversionSettings settings;
  SlideList list;
  Progress progress;
  std::string extension = "bmp";
  RecordingNotifier notes;
  ScopedNotifier scoped{notes};
};

// Reading order is the place on the slide, the title first; a slide without
// a title placeholder is named by the first line of its topmost text box.
TEST_F(SlideTextExport, ReadingOrderAndTitles) {
  using S = ScriptedShape;
  const std::string longLine =
      "A first line far longer than any title should be, so it is cut at a blank before "
      "the eightieth character";
  const struct {
    const char* name;
    std::vector<ScriptedShape> shapes;
    std::string title;
    Lines order;
  } cases[] = {
      {"a title placeholder", {Title("Agenda"), At(S::Text("Bullets"), 0, 3000)}, "Agenda", {"Bullets"}},
      {"the title below the bullets in shape order",
       {At(S::Text("Bullets"), 500, 4000), At(S::Picture("Chart", ""), 500, 2000), Title("Results\vfor 2024", 300)},
       "Results for 2024",
       {"picture Chart", "Bullets"}},
      {"text boxes only: the topmost names the slide, its first line not read twice",
       {At(S::Text("Lower box"), 100, 9000), At(S::Text("Week 3: Sorting\vMerge and quick sort"), 100, 1000)},
       "Week 3: Sorting",
       {"Week 3: Sorting\nMerge and quick sort", "Lower box"}},
      {"a one-line box becomes the title alone; symbol-font glyphs are no words",
       {At(S::Text("Right"), 9000, 2000), At(S::Text("Left"), 100, 2000),
        At(S::Text("\xEF\x81\x8A Heading"), 100, 500)},
       "Heading",
       {"Left", "Right"}},
      {"an empty title placeholder leaves the name to the text",
       {Title(""), At(S::Text("Only text"), 0, 2000)},
       "Only text",
       {}},
      {"a long first line is cut",
       {At(S::Text(longLine), 0, 0)},
       "A first line far longer than any title should be, so it is cut at a blank…",
       {longLine}},
      {"no text at all", {At(S::Picture("", ""), 0, 0)}, "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedSlide slide;
    slide.label = "one";
    slide.shapes = c.shapes;
    ScriptedServer server({{slide}});
    list = SlideList();
    ASSERT_TRUE(Run(server));
    ASSERT_EQ(list.texts.size(), 1u);
    EXPECT_EQ(list.texts[0].title, c.title);
    EXPECT_EQ(Order(list.texts[0]), c.order);
  }
}

// Lists with their levels, a table with its header row, what pictures and
// groups are said to show, the links worth following and each paragraph's
// language; the notes beside their slide, their slide marked; the deck's
// language that of most of its letters.
TEST_F(SlideTextExport, StructureLinksLanguagesAndNotes) {
  using L = TextParagraph::List;
  ScriptedShape body = At(ScriptedShape::Text(""), 0, 2000);
  body.paragraphs = {
      Item("Java", L::kBullet, 0),
      Item("자바 프로그래밍 입문: 변수와 자료형, 연산자, 조건문과 반복문, 객체와 클래스", L::kBullet, 1, "ko-KR"),
      Item("Step one", L::kNumber, 0), Item("Plain", L::kNone, 4)};
  body.paragraphs.push_back({{{"Mail ", "", "en-US"},
                              {"us", "mailto:a@b.kr", "en-US"},
                              {", see ", "", "en-US"},
                              {"this", "javascript:alert(1)", "en-US"},
                              {"\t", "", ""}},
                             L::kNone,
                             0});
  ScriptedShape table = At(ScriptedShape::Table(2, {"Year", "Count", "2024", "120"}), 0, 5000);
  table.headerRow = true;
  ScriptedShape group = At(ScriptedShape::Group({At(ScriptedShape::Text("Inside"), 0, 0)}), 0, 7000);
  group.title = "Diagram";
  ScriptedSlide first;
  first.label = "one";
  first.shapes = {Title("강의 1"), body, table, group,
                  At(ScriptedShape::Picture("Enrolment", "Enrolment rose from 120 to 180."), 0, 6000)};
  first.shapes[0].language = "ko-KR";
  first.WithNotes("첫 번째 메모\r둘째");
  first.notes[1].language = "ko-KR";
  ScriptedSlide second = ScriptedSlide::Titled("two", "마무리");
  second.shapes[0].language = "ko-KR";

  for (int withNotes : {0, 1}) {
    SCOPED_TRACE(withNotes);
    settings.Notes = withNotes;
    list = SlideList();
    ScriptedServer server({{first, second}});
    ASSERT_TRUE(Run(server));
    ASSERT_EQ(list.texts.size(), withNotes ? 3u : 2u);
    const SlideText& text = list.texts[0];
    EXPECT_EQ(text.title, "강의 1");
    EXPECT_EQ(text.titleLanguage, "ko-KR");
    EXPECT_EQ(Order(text), (Lines{"Java", "table", "picture Enrolment", "picture Diagram", "Inside"}));
    const auto& paragraphs = text.blocks[0].paragraphs;
    ASSERT_EQ(paragraphs.size(), 5u);
    EXPECT_EQ(paragraphs[1].list, L::kBullet);
    EXPECT_EQ(paragraphs[1].level, 1);
    EXPECT_EQ(paragraphs[1].language, "ko-KR");
    EXPECT_EQ(paragraphs[2].list, L::kNumber);
    EXPECT_EQ(paragraphs[3].level, 0) << "a level means nothing outside a list";
    const auto& runs = paragraphs[4].runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[1].link, "mailto:a@b.kr");
    EXPECT_EQ(runs[2].text, ", see this") << "a script link stays text, blanks at the end go";
    EXPECT_TRUE(text.blocks[1].table.headerRow);
    EXPECT_EQ(text.blocks[1].table.rows[1][1][0].Plain(), "120");
    EXPECT_EQ(text.blocks[2].description, "Enrolment rose from 120 to 180.");
    if (withNotes) {
      ASSERT_EQ(text.notes.size(), 2u);
      EXPECT_EQ(text.notes[0].Plain(), "첫 번째 메모");
      EXPECT_EQ(text.notes[0].language, "ko-KR");
      EXPECT_EQ(list.texts[1].kind, SlideText::Kind::kNotes);
      EXPECT_EQ(list.texts[2].kind, SlideText::Kind::kSlide);
    } else {
      EXPECT_TRUE(text.notes.empty());
    }
    // A Korean lecture that starts with "Java" is Korean.
    EXPECT_EQ(list.language, "ko-KR");
  }
}

TEST_F(SlideTextExport, NothingIsReadWithoutTwinsAndAFailingOutlineCostsOnlyTheText) {
  const ScriptedDeck deck = {{ScriptedSlide::Titled("one", "Hello")}};
  settings.GenHTML5 = 0;
  ScriptedServer quiet(deck);
  ASSERT_TRUE(Run(quiet));
  EXPECT_TRUE(list.texts.empty());
  EXPECT_EQ(std::count(quiet.calls.begin(), quiet.calls.end(), "Presentation.Outline"), 0);

  settings.GenHTML5 = 1;
  ScriptedServer failing(deck);
  failing.failMember = "Presentation.Outline";
  ASSERT_TRUE(Run(failing)) << "the pictures decide the conversion";
  EXPECT_TRUE(list.texts.empty());
  EXPECT_EQ(failing.quitCount, 1);
  EXPECT_EQ(failing.liveObjects(), 0);
  ASSERT_FALSE(notes.reasons.empty());
  EXPECT_NE(notes.reasons.back().find("scripted failure"), std::string::npos);
}

TEST(LanguageTally, TheLanguageOfMostLettersNotOfTheFirst) {
  LanguageTally tally;
  EXPECT_EQ(tally.Top(), "");
  tally.Add("en-US", CountLetters("Java 17, C++!"));  // 5 letters: digits and signs are none
  tally.Add("", CountLetters("무엇"));                // letters of no known language name none
  tally.Add("ja-JP", CountLetters("日本語の"));
  EXPECT_EQ(CountLetters("Java 17, C++!"), 5u);
  EXPECT_EQ(tally.Top(), "en-US");
  tally.Add("ja-JP", CountLetters("テスト"));
  EXPECT_EQ(tally.Top(), "ja-JP");
  LanguageTally tie;
  tie.Add("fr-FR", 3);
  tie.Add("zh-CN", 3);
  EXPECT_EQ(tie.Top(), "fr-FR") << "equals go to the first seen";
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
      slides_.texts = {SlideText::Plain("Opening <words>", {"Body"}), SlideText::Plain("Closing")};
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
