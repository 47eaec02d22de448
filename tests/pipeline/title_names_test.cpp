#include "pipeline/title_names.h"

#include <gtest/gtest.h>

#include <set>

#include "pipeline/output_names.h"

namespace orv {
namespace {

std::vector<std::string> Names(std::vector<std::string> titles) {
  MakeTitleNames(titles);
  return titles;
}

TEST(MakeTitleNames, EqualNamesAreNumberedAndEmptyOnesNamed) {
  EXPECT_EQ(Names({"Intro", " Intro ", "intro", ""}),
            (std::vector<std::string>{"Intro_1", "Intro_2", "intro_3", "(untitled_1)"}));
  EXPECT_EQ(Names({"", "A", " \t\r\n", "a", "b"}),
            (std::vector<std::string>{"(untitled_1)", "A_1", "(untitled_2)", "a_2", "b"}));
  EXPECT_EQ(Names({}), std::vector<std::string>{});
  EXPECT_EQ(Names({"Only"}), std::vector<std::string>{"Only"});
}

TEST(MakeTitleNames, CharactersThatNoFileNameHoldsBecomeUnderscores) {
  EXPECT_EQ(Names({"Q&A: 1/2"}), std::vector<std::string>{"Q&A_ 1_2"});
  EXPECT_EQ(Names({"a\\b*c?d\"e<f>g|h"}), std::vector<std::string>{"a_b_c_d_e_f_g_h"});
  // A manual line break becomes "_" whether it comes as a vertical tab, a
  // line feed or a carriage return; no control character stays in a name.
  EXPECT_EQ(Names({"Line\vbreak", "two\rlines", "three\nlines", "crlf\r\nend", "tab\tand\x01\x7f"}),
            (std::vector<std::string>{"Line_break", "two_lines", "three_lines", "crlf__end", "tab_and__"}));
  EXPECT_EQ(Names({"\nLeading and trailing\r\n"}), std::vector<std::string>{"Leading and trailing"});
  // Multibyte characters pass untouched, and only ASCII letters fold.
  EXPECT_EQ(Names({"第一章：概述", "Été", "été"}), (std::vector<std::string>{"第一章：概述", "Été", "été"}));
  // The vertical tab counts as white space at either end.
  EXPECT_EQ(Names({"\v \v", "a \v b"}), (std::vector<std::string>{"(untitled_1)", "a _ b"}));
}

TEST(MakeTitleNames, EveryNameEndsUpUnique) {
  // The numbering pass alone would give "a_1" twice here.
  auto names = Names({"a_1", "a", "A", "(untitled_1)", "", "x", "X_2", "x"});
  std::set<std::string> folded;
  for (auto name : names) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(folded.insert(name).second) << name;
  }
  EXPECT_EQ(names[0], "a_1");
  EXPECT_EQ(names[2], "A_2");
}

TEST(MakeTitleNames, ASentenceLongTitleStillMakesAFileName) {
  std::string sentence;
  for (int i = 0; i < 100; ++i) sentence += "标题";  // 600 bytes
  auto names = Names({sentence, sentence});
  EXPECT_LE(names[0].size() + 4, 255u);
  EXPECT_EQ(names[0].size() % 3, 2u) << "cut at a character boundary, then _1";
  EXPECT_NE(names[0], names[1]);
}

TEST(OutputNames, ClassicAndNewerExtensions) {
  EXPECT_EQ(MovieName("/talks/Talk.ppt"), "Talk.swf");
  EXPECT_EQ(PageName("/talks/Show.pps"), "Show.htm");
  EXPECT_EQ(MovieName("/talks/talk.pptx"), "talk.swf");
  EXPECT_EQ(PageName("talk.PPSX"), "talk.htm");
  EXPECT_EQ(MovieName("/x/deck.odp"), "deck.swf");
  EXPECT_EQ(MovieName("/x/my.talk.ppt"), "my.talk.swf");
  EXPECT_EQ(MovieName("/pictures/slides/"), "slides.swf") << "a folder keeps its whole name";
  EXPECT_EQ(SplitMovieName("/t/Talk.ppt", 3), "Talk_3.swf");
  EXPECT_EQ(SplitPageName("/t/talk.pptx", 1), "talk_1.htm");
  EXPECT_EQ(AutorunPath("/out"), "/out/autorun.inf");
  EXPECT_EQ(OutputPath("/out/", "a.swf"), "/out/a.swf");
}

TEST(OutputNames, SlideNamesFallBackToNumbersWhereTitlesRunOut) {
  std::vector<std::string> titles{"Intro", ""};
  EXPECT_EQ(SlideMovieName("/t/talk.ppt", true, titles, 0), "Intro.swf");
  EXPECT_EQ(SlidePageName("/t/talk.ppt", true, titles, 0), "Intro.htm");
  EXPECT_EQ(SlideMovieName("/t/talk.ppt", true, titles, 1), "talk_2.swf");
  EXPECT_EQ(SlidePageName("/t/talk.ppt", true, titles, 5), "talk_6.htm");
  EXPECT_EQ(SlideMovieName("/t/talk.ppt", false, titles, 0), "talk_1.swf");
}

}  // namespace
}  // namespace orv
