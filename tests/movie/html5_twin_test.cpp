// The HTML5 twin beside each movie: the very JPEG bytes of the movie, the
// names written into it escaped, and no twin for an abandoned movie.
#include <gtest/gtest.h>

#include <regex>

#include "base/messages.h"
#include "base/notifier.h"
#include "movie/exported_slides_fixture.h"
#include "movie/html5_twin.h"
#include "movie/player_config.h"
#include "movie/twin_labels.h"
#include "movie/twin_text.h"
#include "movie/web_names.h"
#include "movie_test_support.h"
#include "pipeline/write_movies.h"
#include "support/swf_reader.h"

namespace orv {
namespace {

using test::ByteVector;

ByteVector FromBase64(const std::string& text) {
  static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  ByteVector out;
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '=') break;
    const auto at = kAlphabet.find(c);
    if (at == std::string::npos) ADD_FAILURE() << "not base64: " << c;
    bits = bits << 6 | static_cast<std::uint32_t>(at);
    if ((count += 6) >= 8) {
      count -= 8;
      out.push_back(static_cast<std::uint8_t>(bits >> count));
    }
  }
  return out;
}

std::vector<std::string> Matches(const std::string& text, const std::string& pattern) {
  std::vector<std::string> found;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it) {
    found.push_back((*it)[1].str());
  }
  return found;
}

// The JPEG streams of a movie as its reader sees them.
std::vector<ByteVector> MovieJpegs(const ByteVector& bytes) {
  const test::SwfMovie movie = test::ReadSwf(bytes);
  EXPECT_TRUE(movie.ok());
  std::vector<ByteVector> jpegs;
  for (const auto& tag : movie.tags) {
    if (tag.code != test::swf_tag::kDefineBitsJpeg2) continue;
    const auto body = test::TagBody(bytes, tag);
    jpegs.emplace_back(body.begin() + 6, body.end());  // id and the empty table block
  }
  return jpegs;
}

class TwinTest : public test::ExportedSlidesFixture {
 protected:
  TwinTest() : ExportedSlidesFixture(30) { settings_.GenHTML5 = 1; }
  std::string Read(const std::string& name) const { return test::ReadFile(out_ + "/" + name); }
  bool Exists(const std::string& name) const { return std::filesystem::exists(out_ + "/" + name); }
};

TEST_F(TwinTest, HoldsTheMoviesOwnJpegBytesItsDocumentAndNothingFromOutside) {
  AddSlides(3);
  settings_.UseTitle = 1;
  slides_.titles = {"Intro", "Q&A <live>", ""};
  ASSERT_EQ(Convert(), 1);
  ASSERT_TRUE(notes_.reports.empty()) << notes_.reports.front();
  const std::string twin = Read("Talk-html5.html");
  ASSERT_FALSE(twin.empty());

  const auto movieJpegs = MovieJpegs(test::ReadFileBytes(out_ + "/Talk.swf"));
  const auto uris = Matches(twin, R"re(src="data:image/jpeg;base64,([A-Za-z0-9+/=]*)")re");
  ASSERT_EQ(uris.size(), 3u);
  std::size_t jpegBytes = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(FromBase64(uris[k]), movieJpegs[k]) << "slide " << k + 1;
    jpegBytes += movieJpegs[k].size();
  }
  EXPECT_LE(twin.size(), jpegBytes * 137 / 100 + 64 * 1024);

  // The tests speak Chinese, the in-process interface language.
  EXPECT_EQ(Matches(twin, R"re(<img class="slide" alt="([^"]*)")re"),
            (std::vector<std::string>{"第 1 张，共 3 张: Intro", "第 2 张，共 3 张: Q&amp;A &lt;live&gt;",
                                      "第 3 张，共 3 张"}));
  EXPECT_NE(twin.find("<title>Talk</title>"), std::string::npos);
  ConversionSettings copy = settings_;
  EXPECT_NE(twin.find("data-config=\"" + EscapeHtml(BuildPlayerConfig(copy, slides_)) + "\""), std::string::npos);
  // Nothing is fetched: no src or href but data: URIs, and no marks left over.
  EXPECT_EQ(Matches(twin, R"re(src="((?!data:)[^"]*)")re"), std::vector<std::string>{});
  EXPECT_EQ(Matches(twin, R"re(href="([^"]*)")re"), std::vector<std::string>{});
  EXPECT_EQ(Matches(twin, R"re((@(?:L:)?[A-Za-z-]+@))re"), std::vector<std::string>{});
}

TEST_F(TwinTest, SplitTwinsLinkTheirNeighboursWithEscapedNames) {
  AddSlides(3);
  settings_.SplitPPT = 1;
  settings_.UseTitle = 1;
  slides_.titles = {"a&b", "x\"<y>#1", "50%"};
  ASSERT_EQ(Convert(), 1);
  const std::string first = Read("a&b-html5.html");
  const std::string middle = Read("x\"<y>#1-html5.html");
  const std::string last = Read("50%-html5.html");
  EXPECT_EQ(Matches(first, R"re(href="([^"]*)")re"), std::vector<std::string>{"x%22%3Cy%3E%231-html5.html"});
  EXPECT_EQ(Matches(middle, R"re(href="([^"]*)")re"),
            (std::vector<std::string>{"a%26b-html5.html", "50%25-html5.html"}));
  EXPECT_EQ(Matches(last, R"re(rel="(\w+)")re"), std::vector<std::string>{"prev"});
  EXPECT_NE(middle.find("alt=\"第 1 张，共 1 张: x&quot;&lt;y&gt;#1\""), std::string::npos);
  EXPECT_EQ(MovieJpegs(test::ReadFileBytes(out_ + "/50%.swf")).size(), 1u);
}

TEST_F(TwinTest, NoTwinForAnAbandonedMovieOrWithTheOptionOff) {
  AddSlides(2);
  settings_.UseTitle = 0;
  settings_.GenHTML5 = 0;
  ASSERT_EQ(Convert(), 1);
  EXPECT_TRUE(Exists("Talk.swf"));
  EXPECT_FALSE(Exists("Talk-html5.html"));

  // A picture that cannot be read abandons the movie, and so its twin.
  std::filesystem::remove_all(out_);
  std::filesystem::create_directories(out_);
  settings_.GenHTML5 = 1;
  slides_ = SlideList();
  test::WriteFile(work_ + "/Slide2.BMP", "not a picture");
  ASSERT_EQ(Convert(), 1);
  EXPECT_FALSE(notes_.reports.empty());
  EXPECT_FALSE(Exists("Talk.swf"));
  EXPECT_FALSE(Exists("Talk-html5.html"));
}

TEST_F(TwinTest, AMissingPartOfThePlayerIsReportedAndTheMovieStays) {
  AddSlides(1);
  settings_.UseTitle = 0;
  table_.Remove(222, "JS");
  ASSERT_EQ(Convert(), 1);
  EXPECT_EQ(notes_.reports, std::vector<std::string>{"无法定位资源！"});
  EXPECT_TRUE(Exists("Talk.swf"));
  EXPECT_FALSE(Exists("Talk-html5.html"));
}

TEST(TwinParts, ScriptsAndStyleCannotEndTheirElementAndEveryMarkIsThere) {
  const auto text = [](int id, const char* type) {
    const auto bytes = Resources().Find(id, type);
    EXPECT_TRUE(bytes.has_value()) << id;
    return bytes ? std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size()) : std::string();
  };
  const std::regex closing("</(script|style)", std::regex::icase);
  for (int id : {221, 222}) EXPECT_FALSE(std::regex_search(text(id, "JS"), closing)) << id;
  EXPECT_FALSE(std::regex_search(text(223, "CSS"), closing));
  const std::string page = text(220, "HTML");
  for (const char* mark : {"@TITLE@", "@CONFIG@", "@STYLE@", "@LOGIC@", "@PAGE@", "@SLIDES@", "@LINKS@", "@TEXTS@",
                           "@LANG@", "@SCORM@", "@COUNT@", "@BYTES@", "@NOTES-AID@"}) {
    EXPECT_NE(page.find(mark), std::string::npos) << mark;
    EXPECT_EQ(page.find(mark), page.rfind(mark)) << mark;
  }
  // Every label the page names exists in both languages.
  const auto keys = Matches(page, "@L:([a-z-]+)@");
  EXPECT_GT(keys.size(), 25u);
  for (const auto& key : keys) {
    EXPECT_FALSE(TwinLabel(key, UiLanguage::kEnglish).empty()) << key;
    EXPECT_FALSE(TwinLabel(key, UiLanguage::kChinese).empty()) << key;
  }
}

// What a screen reader gets of each slide: the alt names it, the element it
// points at holds the deck's words (escaped; notes only when given), the help
// and end slides point at the page's own words, and the labels keep their
// language when the deck's differs.
// A slide of `kind` with plain paragraphs and notes.
SlideText Slide(SlideText::Kind kind, std::string title, const std::vector<std::string>& paragraphs = {},
                const std::vector<std::string>& notes = {}) {
  SlideText text = SlideText::Plain(std::move(title), paragraphs);
  text.kind = kind;
  for (const auto& words : SlideText::Plain("", notes).blocks) text.notes = words.paragraphs;
  return text;
}

TEST(TwinText, AltsDescriptionsAndLanguage) {
  using Kind = SlideText::Kind;
  const std::string longText(100000, 'x');
  struct Case {
    const char* name;
    std::vector<SlideText> slides;
    std::string language;
    std::vector<std::string> alts;  // "alt|described-by" per picture
    std::string htmlLang;
    bool labelsMarked;
    std::vector<std::string> present, absent;
    UiLanguage labels = UiLanguage::kEnglish;
  };
  const std::vector<Case> cases = {
      {"pictures without titles",
       {},
       "",
       {"Slide 1 of 3|", "Slide 2 of 3|", "Slide 3 of 3|"},
       "en",
       false,
       {"<div id=\"texts\" hidden></div>"},
       {"<div id=\"d"}},
      {"titles of a folder, fewer than the pictures",
       {Slide(Kind::kSlide, "Intro"), Slide(Kind::kSlide, "", {""})},
       "",
       {"Slide 1 of 3: Intro|d1", "Slide 2 of 3|", "Slide 3 of 3|"},
       "en",
       false,
       {"<div id=\"d1\"><h3>Intro</h3></div>"},
       {"id=\"d2\"", "class=\"notes\"", "id=\"open-notes\""}},
      {"help, a Chinese slide with notes, end",
       {Slide(Kind::kHelp, ""), Slide(Kind::kSlide, "欢迎", {"第一段", "", "第二段"}, {"讲稿"}), Slide(Kind::kEnd, "")},
       "zh-CN",
       {"Slide 1 of 3|say-help", "Slide 2 of 3: 欢迎|d2", "Slide 3 of 3|say-end"},
       "zh-CN",
       true,
       {"<div id=\"d2\"><h3>欢迎</h3><p>第一段</p><p>第二段</p></div>\n<div id=\"n2\" "
        "class=\"notes\"><p>讲稿</p></div>",
        "id=\"open-notes\"", "<div id=\"say\" hidden lang=\"en\">", "aria-label=\"Slide navigation\" lang=\"en\"",
        "<div id=\"say-help\" lang=\"en\"><h3>How to move through the slides</h3>", "End of the slides"},
       {}},
      {"hostile text, no title, British English",
       {Slide(Kind::kSlide, "", {"<script>alert(\"x\")</script> & 'q'", std::string("a\x01\x7f\0b", 5), longText}),
        Slide(Kind::kSlide, "</h3><img src=x onerror=alert(1)>")},
       "en-GB",
       {"Slide 1 of 3|d1", "Slide 2 of 3: &lt;/h3&gt;&lt;img src=x onerror=alert(1)&gt;|d2", "Slide 3 of 3|"},
       "en-GB",
       false,
       {"<p>&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#39;q&#39;</p><p>a   b</p><p>" + longText},
       {"<script>alert", "\x01", "class=\"notes\""}},
      {"a malformed language tag",
       {Slide(Kind::kSlide, "Hi")},
       "zh_CN\"><x",
       {"Slide 1 of 3: Hi|d1", "Slide 2 of 3|", "Slide 3 of 3|"},
       "en",
       false,
       {},
       {"zh_CN", "<x"}},
      {"Chinese labels amid an English deck",
       {Slide(Kind::kHelp, ""), Slide(Kind::kSlide, "Hello")},
       "en-US",
       {"第 1 张，共 3 张|say-help", "第 2 张，共 3 张: Hello|d2", "第 3 张，共 3 张|"},
       "en-US",
       true,
       {"<div id=\"say\" hidden lang=\"zh-CN\">", "<h3>如何翻阅幻灯片</h3>",
        "aria-label=\"上一张幻灯片\">上一张</button>", "<i data-k=\"found\">找到的幻灯片：%1 张</i>"},
       {"@L:", "How to move", "PREV", "AUTOPLAY"},
       UiLanguage::kChinese},
      {"Chinese labels, a deck of no known language",
       {},
       "",
       {"第 1 张，共 3 张|", "第 2 张，共 3 张|", "第 3 张，共 3 张|"},
       "zh-CN",
       false,
       {"<h3>幻灯片结束</h3>"},
       {"@L:", "End of the slides"},
       UiLanguage::kChinese},
  };
  const std::vector<ByteVector> jpegs = {ByteVector(300, 1), ByteVector(200, 2), ByteVector(100, 3)};
  const std::vector<std::span<const std::uint8_t>> spans(jpegs.begin(), jpegs.end());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TwinPage page;
    page.title = "Talk";
    page.slides = c.slides;
    page.language = c.language;
    page.labels = c.labels;
    const auto built = BuildTwinPage("<config/>", spans, page);
    ASSERT_TRUE(built.has_value());
    const std::string& twin = *built;

    std::vector<std::string> alts;
    const std::regex img(R"re(<img class="slide" alt="([^"]*)"(?: aria-describedby="([^"]*)")? src=)re");
    for (auto it = std::sregex_iterator(twin.begin(), twin.end(), img); it != std::sregex_iterator(); ++it) {
      alts.push_back((*it)[1].str() + "|" + (*it)[2].str());
    }
    EXPECT_EQ(alts, c.alts);
    // Every picture's description is in the page, once.
    for (const auto& alt : alts) {
      const std::string id = alt.substr(alt.find('|') + 1);
      if (!id.empty()) {
        EXPECT_EQ(Matches(twin, "id=\"(" + id + ")\"").size(), 1u) << id;
      }
    }
    EXPECT_EQ(Matches(twin, R"re(<html lang="([^"]*)">)re"), std::vector<std::string>{c.htmlLang});
    // Labels amid the deck's words of another language say so; a page of their language needs no more.
    EXPECT_EQ(Matches(twin, R"re([^l] (lang="(en|zh-CN)"))re").size() > 0, c.labelsMarked);
    for (const auto& text : c.present) EXPECT_NE(twin.find(text), std::string::npos) << text.substr(0, 200);
    for (const auto& text : c.absent) EXPECT_EQ(twin.find(text), std::string::npos) << text;

    std::size_t textBytes = 0;
    for (const auto& slide : c.slides) {
      textBytes += slide.title.size();
      for (const auto& block : slide.blocks) {
        for (const auto& text : block.paragraphs) textBytes += text.Plain().size();
      }
      for (const auto& text : slide.notes) textBytes += text.Plain().size();
    }
    EXPECT_LE(twin.size(), (300 + 200 + 100) * 137 / 100 + 64 * 1024 + textBytes);
  }
}

// The deck's structure as markup: lists nested by level, a table with its
// header cells, what a picture shows, links a reader may follow and the
// language of words that are not in the page's.
TEST(TwinText, StructureBecomesMarkup) {
  using L = TextParagraph::List;
  SlideText slide;
  slide.title = "Hello";
  slide.titleLanguage = "en-GB";
  TextBlock list;
  list.paragraphs = {
      {{{"One", ""}}, L::kBullet, 0, ""},
      {{{"Deep", ""}}, L::kBullet, 2, "fr-FR"},  // a skipped level is the next one down
      {{{"First", ""}}, L::kNumber, 1, ""},
      {{{"Two", ""}}, L::kBullet, 0, ""},
      {{{"After", ""}, {"site", "https://example.org/?a=1&b=\"2\""}, {"\nline", ""}}, L::kNone, 0, "ko-KR"}};
  TextBlock table;
  table.kind = TextBlock::Kind::kTable;
  table.table.headerRow = true;
  const auto cell = [](std::string words) {
    return std::vector<TextParagraph>{{{{std::move(words), ""}}, L::kNone, 0, ""}};
  };
  table.table.rows = {{cell("Year"), cell("n")}, {cell("2024"), {}}};
  TextBlock picture;
  picture.kind = TextBlock::Kind::kPicture;
  picture.title = "Enrolment";
  picture.description = "It rose <fast>.";
  slide.blocks = {list, table, picture};
  std::string out;
  AppendSlideText(out, 4, slide, "en-US", UiLanguage::kEnglish);
  EXPECT_EQ(out,
            "<div id=\"d4\"><h3>Hello</h3>"
            "<ul><li>One<ul><li lang=\"fr-FR\">Deep</li></ul><ol><li>First</li></ol></li><li>Two</li></ul>"
            "<p lang=\"ko-KR\">After<a href=\"https://example.org/?a=1&amp;b=&quot;2&quot;\" target=\"_blank\" "
            "rel=\"noopener noreferrer\">site</a><br>line</p>"
            "<table><thead><tr><th scope=\"col\">Year</th><th scope=\"col\">n</th></tr></thead>"
            "<tr><td>2024</td><td></td></tr></table>"
            "<p class=\"picture\"><span class=\"what\">Picture:</span> Enrolment. It rose &lt;fast&gt;.</p></div>\n");
}

// The notes slides of a movie are not slides of its twin: their notes are
// beside their slide, and the player's entries for them go too.
TEST(TwinText, NotesSlidesGiveWayToTheNotesPanel) {
  using Kind = SlideText::Kind;
  const std::vector<ByteVector> jpegs = {ByteVector(30, 1), ByteVector(20, 2), ByteVector(10, 3)};
  const std::vector<std::span<const std::uint8_t>> spans(jpegs.begin(), jpegs.end());
  TwinPage page;
  page.slides = {Slide(Kind::kSlide, "Welcome", {"Hi"}, {"Greet them"}),
                 Slide(Kind::kNotes, "Speaker Notes", {"Greet them"}), Slide(Kind::kSlide, "Thanks")};
  const auto built = BuildTwinPage(
      "<config fixDelay=\"-1\"><slideProp delay=\"4\"></slideProp><slideProp delay=\"1\"></slideProp><slideProp "
      "delay=\"6\"></slideProp></config>",
      spans, page);
  ASSERT_TRUE(built.has_value());
  EXPECT_EQ(Matches(*built, R"re(alt="([^"]*)")re"),
            (std::vector<std::string>{"Slide 1 of 2: Welcome", "Slide 2 of 2: Thanks"}));
  EXPECT_NE(built->find("data-count=\"2\""), std::string::npos);
  EXPECT_NE(built->find("&lt;slideProp delay=&quot;4&quot;&gt;&lt;/slideProp&gt;&lt;slideProp delay=&quot;6&quot;"),
            std::string::npos);
  EXPECT_NE(
      built->find("<div id=\"d1\"><h3>Welcome</h3><p>Hi</p></div>\n<div id=\"n1\" class=\"notes\"><p>Greet them</p>"),
      std::string::npos);
  EXPECT_EQ(built->find("Speaker Notes"), std::string::npos);
  EXPECT_NE(built->find("id=\"open-notes\""), std::string::npos);
  const auto bytes = Matches(*built, R"re(data-bytes="(\d+)")re");
  ASSERT_EQ(bytes.size(), 1u);
  EXPECT_EQ(bytes[0], std::to_string(2 * 23 + 40 + 16)) << "the pictures' data: URIs that the loader counts";
}

// The page's fixed part leaves room in the 64 KiB that the twin may add to its pictures.
TEST(TwinText, FixedPartStaysWellUnderItsAllowance) {
  const ByteVector jpeg(3, 0);
  const std::vector<std::span<const std::uint8_t>> spans = {jpeg};
  const auto built = BuildTwinPage("", spans, TwinPage{});
  ASSERT_TRUE(built.has_value());
  EXPECT_LT(built->size(), 56u * 1024) << "fixed part: " << built->size() << " bytes";
}

TEST(TwinHelpers, Base64EscapingAndNames) {
  const auto b64 = [](std::string_view s) {
    return Base64(std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()));
  };
  EXPECT_EQ(b64(""), "");
  EXPECT_EQ(b64("f"), "Zg==");
  EXPECT_EQ(b64("fo"), "Zm8=");
  EXPECT_EQ(b64("foo"), "Zm9v");
  EXPECT_EQ(b64("foobar"), "Zm9vYmFy");
  EXPECT_EQ(b64("\xff\xfe\xfd"), "//79");
  EXPECT_EQ(EscapeHtml("<a href=\"x\">'&'</a>"), "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
  EXPECT_EQ(EscapeHtml(std::string("a\0b", 3)),
            "a\xef\xbf\xbd"
            "b");
  // A name that looks like a scheme stays a file beside the page.
  EXPECT_EQ(UrlAttribute("javascript:alert(1)"), "javascript%3Aalert(1)");
  EXPECT_EQ(UrlAttribute("幻灯片 1.html"), "%E5%B9%BB%E7%81%AF%E7%89%87%201.html");
  EXPECT_EQ(TwinName("Talk.swf"), "Talk-html5.html");
  EXPECT_EQ(TwinName("swf"), "swf-html5.html");
}

}  // namespace
}  // namespace orv
