// The HTML5 twin beside each movie: the very JPEG bytes of the movie, the
// names written into it escaped, and no twin for an abandoned movie.
#include <gtest/gtest.h>

#include <regex>

#include "base/messages.h"
#include "base/notifier.h"
#include "movie/exported_slides_fixture.h"
#include "movie/html5_twin.h"
#include "movie/player_config.h"
#include "movie/web_names.h"
#include "movie_test_support.h"
#include "pipeline/convert_movies.h"
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

  EXPECT_EQ(Matches(twin, R"re(<img class="slide" alt="([^"]*)")re"),
            (std::vector<std::string>{"Slide 1 of 3: Intro", "Slide 2 of 3: Q&amp;A &lt;live&gt;", "Slide 3 of 3"}));
  EXPECT_NE(twin.find("<title>Talk</title>"), std::string::npos);
  ConversionSettings copy = settings_;
  EXPECT_NE(twin.find("data-config=\"" + EscapeHtml(BuildPlayerConfig(copy, slides_)) + "\""), std::string::npos);
  // Nothing is fetched: no src or href but data: URIs, and no marks left over.
  EXPECT_EQ(Matches(twin, R"re(src="((?!data:)[^"]*)")re"), std::vector<std::string>{});
  EXPECT_EQ(Matches(twin, R"re(href="([^"]*)")re"), std::vector<std::string>{});
  EXPECT_EQ(Matches(twin, R"re((@[A-Z]+@))re"), std::vector<std::string>{});
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
  EXPECT_NE(middle.find("alt=\"Slide 1 of 1: x&quot;&lt;y&gt;#1\""), std::string::npos);
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
  for (const char* mark : {"@TITLE@", "@CONFIG@", "@STYLE@", "@LOGIC@", "@PAGE@", "@SLIDES@", "@LINKS@"}) {
    EXPECT_NE(page.find(mark), std::string::npos) << mark;
    EXPECT_EQ(page.find(mark), page.rfind(mark)) << mark;
  }
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
