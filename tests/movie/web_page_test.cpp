// The web page and autorun.inf writers.
#include <gtest/gtest.h>

#include "base/language.h"

#include <sys/resource.h>
#include <csignal>

#include "base/messages.h"
#include "base/notifier.h"
#include "movie/html5_twin.h"
#include "movie/web_page.h"
#include "movie/web_player_markup.h"
#include "movie_test_support.h"

namespace orv {
namespace {

// The links a page of `movie` gets when a conversion with `settings` writes
// its twin and copies the player beside it.
PageLinks Links(const ConversionSettings& settings, const std::string& movie, const std::string& previous = "",
                const std::string& next = "") {
  PageLinks links;
  links.movie = movie;
  if (settings.GenHTML5 != 0) links.twin = TwinName(movie);
  links.previous = previous;
  links.next = next;
  if (settings.WebPlayer != 0) {
    links.player = SharedWebPlayerBase(settings).empty() ? std::string("ruffle/") : SharedWebPlayerBase(settings);
  }
  return links;
}

// The player's lines of such a page, loading the player from `player`.
std::string HeadLines(const ConversionSettings& settings, const std::string& player = "") {
  const std::string shared = SharedWebPlayerBase(settings);
  return WebPlayerHeadLines(!player.empty()  ? player
                            : shared.empty() ? "ruffle/"
                                             : shared,
                            settings.GenHTML5 != 0, settings.PreviewProgram);
}

const char kS1[] =
    "<HTML>\r\n<HEAD>\r\n<meta http-equiv=Content-Type content=\"text/html\">\r\n"
    "<TITLE>This presentation was converted by Orvanta</TITLE>\r\n</HEAD>\r\n<BODY>\r\n";
const char kS2Start[] = "<OBJECT classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\"\r\n codebase=\"";
const char kS2End[] = "#version=6,0,0,0\"\r\n WIDTH=\"";
const char kS5[] = "\"> \r\n <PARAM NAME=quality VALUE=best> \r\n <EMBED src=\"";
const char kS8Start[] = "\"\r\n TYPE=\"application/x-shockwave-flash\" PLUGINSPAGE=\"";

TEST(WebPage, TemplateCutsIntoTheEightSegments) {
  const auto s = PageTemplateSegments();
  ASSERT_TRUE(s);
  EXPECT_EQ(s->at(0), kS1);
  EXPECT_TRUE(s->at(1).starts_with(kS2Start));
  EXPECT_TRUE(s->at(1).ends_with(kS2End));
  EXPECT_EQ(s->at(2), "\" HEIGHT=\"");
  EXPECT_EQ(s->at(3), "\">\r\n <PARAM NAME=movie VALUE=\"");
  EXPECT_EQ(s->at(4), kS5);
  EXPECT_EQ(s->at(5), "\" quality=best WIDTH=\"");
  EXPECT_EQ(s->at(6), "\" HEIGHT=\"");
  EXPECT_TRUE(s->at(7).starts_with(kS8Start));
  EXPECT_TRUE(s->at(7).ends_with("\">Orvanta</a>.\r\n</BODY>\r\n</HTML>\r\n"));
  // Every line ends in CR LF.
  for (auto segment : *s) {
    for (std::size_t at = segment.find('\n'); at != std::string_view::npos; at = segment.find('\n', at + 1)) {
      ASSERT_GT(at, 0u);
      EXPECT_EQ(segment[at - 1], '\r');
    }
  }
}

TEST(WebPage, SingleMoviePage) {
  test::ScratchFolder folder;
  ConversionSettings settings;
  const std::string page = folder / "Talk.htm";
  ASSERT_EQ(WriteWebPage(Links(settings, "Talk.swf", "", ""), page, settings), 1);
  const auto s = PageTemplateSegments();
  ASSERT_TRUE(s);
  std::string expected;
  for (std::string_view piece : {s->at(0), s->at(1), std::string_view("640"), s->at(2), std::string_view("480"),
                                 s->at(3), std::string_view("Talk.swf"), s->at(4), std::string_view("Talk.swf"),
                                 s->at(5), std::string_view("640"), s->at(6), std::string_view("480"), s->at(7)}) {
    expected += piece;
  }
  EXPECT_EQ(test::ReadFile(page), expected);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"Talk.htm"});  // no temporary left
}

// The whole page for Talk.ppt at 640 x 480, written out by hand rather than
// put together from the template's own pieces.
TEST(WebPage, SingleMoviePageByteForByte) {
  ConversionSettings settings;
  const std::string expected =
      "<HTML>\r\n<HEAD>\r\n<meta http-equiv=Content-Type content=\"text/html\">\r\n"
      "<TITLE>This presentation was converted by Orvanta</TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
      "<OBJECT classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\"\r\n"
      " codebase=\"https://download.velloran.com/orvanta/player/flashplayer.cab#version=6,0,0,0\"\r\n"
      " WIDTH=\"640\" HEIGHT=\"480\">\r\n"
      " <PARAM NAME=movie VALUE=\"Talk.swf\"> \r\n"
      " <PARAM NAME=quality VALUE=best> \r\n"
      " <EMBED src=\"Talk.swf\" quality=best WIDTH=\"640\" HEIGHT=\"480\"\r\n"
      " TYPE=\"application/x-shockwave-flash\" PLUGINSPAGE=\"https://www.velloran.com/orvanta/player/\"></EMBED>\r\n"
      "</OBJECT>\r\n"
      "<P>This presentation was converted by <a href=\"https://www.velloran.com/orvanta/\">Orvanta</a>.\r\n"
      "</BODY>\r\n</HTML>\r\n";
  EXPECT_EQ(*BuildWebPage(Links(settings, "Talk.swf", "", ""), settings), expected);
}

TEST(WebPage, SplitPagesLinkTheirNeighbours) {
  ConversionSettings settings;
  const std::string first = *BuildWebPage(Links(settings, "Talk_1.swf", "", "Talk_2.htm"), settings);
  const std::string middle = *BuildWebPage(Links(settings, "Talk_2.swf", "Talk_1.htm", "Talk_3.htm"), settings);
  const std::string last = *BuildWebPage(Links(settings, "Talk_3.swf", "Talk_2.htm", ""), settings);
  const auto afterS1 = [](const std::string& page) { return page.substr(sizeof kS1 - 1); };
  const std::string object = kS2Start;
  EXPECT_TRUE(first.starts_with(kS1));
  EXPECT_TRUE(afterS1(first).starts_with("<a href=\"Talk_2.htm\">Next</a><p>\r\n" + object));
  EXPECT_TRUE(
      afterS1(middle).starts_with("<a href=\"Talk_1.htm\">Prev</a> <a href=\"Talk_3.htm\">Next</a><p>\r\n" + object));
  EXPECT_TRUE(afterS1(last).starts_with("<a href=\"Talk_2.htm\">Prev</a> <p>\r\n" + object));
  EXPECT_NE(middle.find("VALUE=\"Talk_2.swf\""), std::string::npos);
  EXPECT_NE(middle.find("src=\"Talk_2.swf\""), std::string::npos);
}

// Every name reaches its file and none adds markup: each character that a
// URL path segment or HTML would take for something else is percent-encoded,
// in the movie's two references and in both links alike, and so is every
// byte of a non-ASCII name, which the page's unnamed charset would garble.
// ASCII names are written as they are.
TEST(WebPage, NamesAreEncodedForTheirPlaceInThePage) {
  ConversionSettings settings;
  struct Case {
    const char* name;
    const char* written;
  };
  for (const Case& c :
       {Case{"say \"hi\"", "say%20%22hi%22"}, Case{"a<b>", "a%3Cb%3E"}, Case{"Q&A", "Q%26A"}, Case{"it's", "it%27s"},
        Case{"Step #3", "Step%20%233"}, Case{"why?", "why%3F"}, Case{"100%", "100%25"},
        Case{"two words", "two%20words"}, Case{"a\\b\tc", "a%5Cb%09c"},
        Case{"javascript:alert(1)", "javascript%3Aalert(1)"}, Case{"演示文稿", "%E6%BC%94%E7%A4%BA%E6%96%87%E7%A8%BF"},
        Case{"Präsentation", "Pr%C3%A4sentation"}, Case{"Talk_1-a.b", "Talk_1-a.b"}}) {
    const std::string name = c.name;
    const std::string written = c.written;
    const std::string single = *BuildWebPage(Links(settings, name + ".swf", "", ""), settings);
    const std::string split =
        *BuildWebPage(Links(settings, name + "_2.swf", name + "_1.htm", name + "_3.htm"), settings);
    const auto afterS1 = [](const std::string& page) { return page.substr(sizeof kS1 - 1); };
    EXPECT_TRUE(afterS1(single).starts_with(kS2Start)) << name;
    EXPECT_NE(single.find("VALUE=\"" + written + ".swf\"> \r\n"), std::string::npos) << name;
    EXPECT_NE(single.find("<EMBED src=\"" + written + ".swf\" quality=best"), std::string::npos) << name;
    EXPECT_TRUE(afterS1(split).starts_with("<a href=\"" + written + "_1.htm\">Prev</a> <a href=\"" + written +
                                           "_3.htm\">Next</a><p>\r\n" + kS2Start))
        << name;
    EXPECT_NE(split.find("VALUE=\"" + written + "_2.swf\">"), std::string::npos) << name;
    // Nothing of the name survives raw where it could end an attribute or a tag.
    EXPECT_EQ(single.find(name + ".swf"), name == written ? single.find("VALUE=\"") + 7 : std::string::npos) << name;
  }
  // A name that needs nothing is the template's page byte for byte.
  const auto s = PageTemplateSegments();
  std::string expected;
  for (std::string_view piece : {s->at(0), s->at(1), std::string_view("640"), s->at(2), std::string_view("480"),
                                 s->at(3), std::string_view("Talk_1.swf"), s->at(4), std::string_view("Talk_1.swf"),
                                 s->at(5), std::string_view("640"), s->at(6), std::string_view("480"), s->at(7)}) {
    expected += piece;
  }
  EXPECT_EQ(*BuildWebPage(Links(settings, "Talk_1.swf", "", ""), settings), expected);
}

TEST(WebPage, AutorunRefusesNamesItCannotHold) {
  RecordingNotifier notes;
  ScopedNotifier scope(notes);
  test::ScratchFolder folder;
  const std::string autorun = folder / "autorun.inf";
  ASSERT_EQ(WriteAutorun(folder / "Q&A #1 (50% done) 'x'.htm", autorun), 1);
  EXPECT_EQ(test::ReadFile(autorun), "[autorun]\r\nShellExecute=\"Q&A #1 (50% done) 'x'.htm\"");
  for (const std::string name : {"say \"hi\".htm", "two\nlines.htm"}) {
    EXPECT_EQ(WriteAutorun(folder / name, autorun), 0) << name;
  }
  EXPECT_EQ(notes.reports, (std::vector<std::string>{FormatMessage(msg::kAutorunNameUnsafe, "say \"hi\".htm"),
                                                     FormatMessage(msg::kAutorunNameUnsafe, "two\nlines.htm")}));
  // The earlier file stays as it was.
  EXPECT_EQ(test::ReadFile(autorun), "[autorun]\r\nShellExecute=\"Q&A #1 (50% done) 'x'.htm\"");
}

TEST(WebPage, AutorunText) {
  test::ScratchFolder folder;
  const std::string autorun = folder / "autorun.inf";
  ASSERT_EQ(WriteAutorun(folder / "Talk.htm", autorun), 1);
  EXPECT_EQ(test::ReadFile(autorun), "[autorun]\r\nShellExecute=\"Talk.htm\"");
  // The next presentation's page replaces it.
  ASSERT_EQ(WriteAutorun(folder / "Other.htm", autorun), 1);
  EXPECT_EQ(test::ReadFile(autorun), "[autorun]\r\nShellExecute=\"Other.htm\"");
  // A name near the file system's limit still gets its temporary beside it.
  const std::string longName = folder / (std::string(250, 'n') + ".inf");
  ASSERT_EQ(WriteAutorun("Talk.htm", longName), 1);
  EXPECT_EQ(test::ReadFile(longName), "[autorun]\r\nShellExecute=\"Talk.htm\"");
}

TEST(WebPage, MissingFolderGivesTheMessageWithThePath) {
  RecordingNotifier notes;
  ScopedNotifier scope(notes);
  test::ScratchFolder folder;
  const std::string page = folder / "missing/Talk.htm";
  const std::string autorun = folder / "missing/autorun.inf";
  ConversionSettings settings;
  EXPECT_EQ(WriteWebPage(Links(settings, "Talk.swf", "", ""), page, settings), 0);
  EXPECT_EQ(WriteAutorun(page, autorun), 0);
  EXPECT_EQ(notes.reports, (std::vector<std::string>{FormatMessage(msg::kHtmlWriteFailed, page),
                                                     FormatMessage(msg::kAutorunWriteFailed, autorun)}));
}

TEST(WebPage, FailedWriteKeepsTheOlderPage) {
  RecordingNotifier notes;
  ScopedNotifier scope(notes);
  test::ScratchFolder folder;
  const std::string page = folder / "Talk.htm";
  test::WriteFile(page, "older page");
  ConversionSettings settings;
  {
    test::FileSizeLimit limit(100);
    EXPECT_EQ(WriteWebPage(Links(settings, "Talk.swf", "", ""), page, settings), 0);
  }
  EXPECT_EQ(notes.reports, std::vector<std::string>{FormatMessage(msg::kHtmlWriteFailed, page)});
  EXPECT_EQ(test::ReadFile(page), "older page");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"Talk.htm"});
}

TEST(WebPage, BrokenTemplateIsReportedNotWritten) {
  RecordingNotifier notes;
  ScopedNotifier scope(notes);
  test::OverlayResources table;
  ScopedResourceTable tableScope(table);
  test::ScratchFolder folder;
  ConversionSettings settings;

  table.Remove(216, "HTML");
  EXPECT_EQ(WriteWebPage(Links(settings, "Talk.swf", "", ""), folder / "a.htm", settings), 0);
  table.Set(216, "HTML", {});
  EXPECT_EQ(WriteWebPage(Links(settings, "Talk.swf", "", ""), folder / "b.htm", settings), 0);
  const std::string cut = "<HTML>{{links}}{{width}}";
  table.Set(216, "HTML", test::ByteVector(cut.begin(), cut.end()));
  EXPECT_EQ(WriteWebPage(Links(settings, "Talk.swf", "", ""), folder / "c.htm", settings), 0);
  EXPECT_EQ(notes.reports,
            (std::vector<std::string>{msg::kResourceNotFound, msg::kResourceSizeUnknown, msg::kResourceNotLoaded}));
  EXPECT_TRUE(folder.Names().empty());
}

// With the web player the page is the plain page plus the emulator's lines,
// which close the head; everything else stays byte for byte.
TEST(WebPage, WebPlayerLinesGoDirectlyBeforeTheHeadEnd) {
  test::ScratchFolder folder;
  ConversionSettings plain;
  plain.Width = 800;
  plain.Height = 600;
  ConversionSettings withPlayer = plain;
  withPlayer.WebPlayer = 1;
  const std::string lines = HeadLines(withPlayer);
  const std::string headEnd = "</HEAD>\r\n<BODY>\r\n";

  struct Case {
    const char* prev;
    const char* next;
  };
  for (const Case& c :
       {Case{"", ""}, Case{"", "Talk_2.htm"}, Case{"Talk_1.htm", "Talk_3.htm"}, Case{"Talk_2.htm", ""}}) {
    const auto expectedBase = BuildWebPage(Links(plain, "Talk_2.swf", c.prev, c.next), plain);
    ASSERT_TRUE(expectedBase);
    std::string expected = *expectedBase;
    const auto at = expected.find(headEnd);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(expected.find("</HEAD>"), at) << "the head ends once";
    expected.insert(at, lines);

    const std::string page = folder / "page.htm";
    ASSERT_EQ(WriteWebPage(Links(withPlayer, "Talk_2.swf", c.prev, c.next), page, withPlayer), 1);
    EXPECT_EQ(test::ReadFile(page), expected) << c.prev << " / " << c.next;
  }
}

// With twins, a page that plays its movie links the twin under it, by its
// encoded name, and its notice speaks the program's language; both stay
// plain ASCII. The page of the plain plug-in stays as it was.
TEST(WebPage, APlayingPageLinksItsTwinAndSpeaksTheProgramsLanguage) {
  const struct {
    UiLanguage language;
    std::string link, notice;
  } cases[] = {
      {UiLanguage::kEnglish, "Text version and slides (HTML5)", "\"play the HTML5 version\""},
      {UiLanguage::kChinese, "&#25991;&#23383;&#29256;&#21644;&#24187;&#28783;&#29255;&#65288;HTML5&#65289;",
       "\"\\u64ad\\u653e HTML5 \\u7248\\u672c\""},  // 播放 HTML5 版本
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(LanguageName(c.language));
    UseLanguage(c.language);
    ConversionSettings settings;
    settings.GenHTML5 = 1;
    const std::string plain = *BuildWebPage(Links(settings, "讲义 #1.swf", "", ""), settings);
    EXPECT_EQ(plain.find("html5"), std::string::npos);
    settings.WebPlayer = 1;
    const std::string page = *BuildWebPage(Links(settings, "讲义 #1.swf", "", ""), settings);
    const std::string link =
        "</OBJECT>\r\n<P><a href=\"%E8%AE%B2%E4%B9%89%20%231-html5.html\">" + c.link + "</a>\r\n<P>";
    EXPECT_NE(page.find(link), std::string::npos) << page;
    EXPECT_NE(page.find(c.notice), std::string::npos) << page;
    for (const char ch : page) ASSERT_LT(static_cast<unsigned char>(ch), 0x80) << page;
    settings.GenHTML5 = 0;
    EXPECT_EQ(BuildWebPage(Links(settings, "讲义 #1.swf", "", ""), settings)->find("HTML5)"), std::string::npos);
  }
  UseLanguage(UiLanguage::kChinese);
}

TEST(WebPage, WebPlayerLinesLoadTheEmulatorQuietlyAndOnlyOverHttp) {
  ConversionSettings settings;
  settings.WebPlayer = 1;
  const std::string lines = HeadLines(settings);
  ASSERT_FALSE(lines.empty());
  // Pure ASCII with CR LF line ends, like the template around them.
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto c = static_cast<unsigned char>(lines[i]);
    ASSERT_TRUE(c < 0x80 && c != 0) << "byte " << i;
    if (c == '\n') {
      ASSERT_TRUE(i > 0 && lines[i - 1] == '\r') << "bare LF at " << i;
    }
    if (c == '\r') {
      ASSERT_TRUE(i + 1 < lines.size() && lines[i + 1] == '\n') << "bare CR at " << i;
    }
  }
  EXPECT_TRUE(lines.ends_with("\r\n"));
  EXPECT_NE(lines.find("\"ruffle/ruffle.js\""), std::string::npos);
  EXPECT_NE(lines.find("\"autoplay\": \"on\""), std::string::npos);
  EXPECT_NE(lines.find("\"unmuteOverlay\": \"hidden\""), std::string::npos);
  EXPECT_NE(lines.find("location.protocol !== \"file:\""), std::string::npos);
  EXPECT_NE(lines.find("orvanta-cli preview "), std::string::npos);
  // The movie's own menu choice holds: nothing overrides it.
  EXPECT_EQ(lines.find("contextMenu"), std::string::npos);
  EXPECT_EQ(lines.find("menu"), std::string::npos);

  // The notice links the HTML5 twin only when twins are made.
  EXPECT_EQ(lines.find("-html5.html"), std::string::npos);
  settings.GenHTML5 = 1;
  const std::string withTwin = HeadLines(settings);
  EXPECT_NE(withTwin.find("-html5.html"), std::string::npos);
  EXPECT_TRUE(withTwin.starts_with(lines.substr(0, lines.find("movie.parentNode.replaceChild"))));

  // A program that PATH does not find is named by its path, as a string the
  // script holds exactly and the lines stay plain ASCII.
  ConversionSettings named;
  named.WebPlayer = 1;
  named.PreviewProgram = "/opt/演示 \"x\"/</script>/orvanta-cli";
  const std::string withPath = HeadLines(named);
  EXPECT_NE(withPath.find(R"("/opt/\u6f14\u793a \u0022x\u0022/\u003c/script\u003e/orvanta-cli preview " + page)"),
            std::string::npos)
      << withPath;
  for (const char c : withPath) EXPECT_LT(static_cast<unsigned char>(c), 0x80);

  // Pages of a subfolder load the player at the output's root; an address
  // that would need escaping in the script keeps the default.
  for (const auto& [base, expected] : {std::pair{"../../ruffle/", "../../ruffle/"}, std::pair{"x\"", "ruffle/"},
                                       std::pair{"a</script>/", "ruffle/"}}) {
    const std::string moved = HeadLines(settings, base);
    EXPECT_NE(moved.find(std::string("{\"publicPath\": \"") + expected + "\""), std::string::npos) << base;
    EXPECT_NE(moved.find(std::string("loader.src = \"") + expected + "ruffle.js\""), std::string::npos) << base;
  }
}

// A shared player: the lines are the copy's with the address changed in its
// two places, and an address that would need escaping falls back to the copy.
TEST(WebPage, SharedWebPlayerUrlIsTheOnlyChange) {
  ConversionSettings settings;
  settings.WebPlayer = 1;
  const std::string own = HeadLines(settings);
  const std::string ownLoad =
      "    window.RufflePlayer.config = {\"publicPath\": \"ruffle/\", \"autoplay\": \"on\", \"unmuteOverlay\": "
      "\"hidden\", \"splashScreen\": false};\r\n"
      "    var loader = document.createElement(\"script\");\r\n"
      "    loader.src = \"ruffle/ruffle.js\";\r\n";
  const std::size_t at = own.find(ownLoad);
  ASSERT_NE(at, std::string::npos);

  struct Case {
    const char* url;
    const char* base;  // as the pages load it
  };
  for (const Case& c : {Case{"/shared/ruffle", "/shared/ruffle/"}, Case{"/shared/ruffle//", "/shared/ruffle/"},
                        Case{"https://cdn.example.org/p/0.6", "https://cdn.example.org/p/0.6/"},
                        Case{"../../player", "../../player/"}, Case{"/", "/"}, Case{"", "ruffle/"},
                        Case{"/a b", "ruffle/"}, Case{"x\";alert(1);//", "ruffle/"}, Case{"/p</script>", "ruffle/"}}) {
    settings.WebPlayerUrl = c.url;
    std::string expected = own;
    expected.replace(at, ownLoad.size(),
                     "    window.RufflePlayer.config = {\"publicPath\": \"" + std::string(c.base) +
                         "\", \"autoplay\": \"on\", \"unmuteOverlay\": \"hidden\", \"splashScreen\": false};\r\n"
                         "    var loader = document.createElement(\"script\");\r\n"
                         "    loader.src = \"" +
                         c.base + "ruffle.js\";\r\n");
    EXPECT_EQ(HeadLines(settings), expected) << c.url;
  }
}

}  // namespace
}  // namespace orv
