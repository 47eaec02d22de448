// The SCORM 1.2 package: the manifest's text, its escaping and identifiers,
// and the package a conversion writes beside the HTML5 version (whole and
// split presentations), which changes nothing else the conversion writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "base/messages.h"
#include "movie/exported_slides_fixture.h"
#include "scorm/scorm_manifest.h"
#include "support/files.h"
#include "support/unzip.h"

// The whole movie below has a help slide, drawn through pango, whose font
// cache lives as long as the process: not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libpango\n"; }

namespace orv {
namespace {

std::string TitleOf(const std::string& manifest) {
  std::smatch match;
  return std::regex_search(manifest, match, std::regex("<title>([^<]*)</title>")) ? match[1].str() : "(none)";
}

TEST(ScormManifest, TheExactTextOfAOneLessonPackage) {
  const auto manifest = BuildScormManifest("Talk", "Talk-scorm.zip", {"index.html"});
  ASSERT_TRUE(manifest.has_value());
  EXPECT_EQ(*manifest,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<manifest identifier=\"ORVANTA_ab6d166909e093a5\" version=\"1.0\"\n"
            "          xmlns=\"http://www.imsproject.org/xsd/imscp_rootv1p1p2\"\n"
            "          xmlns:adlcp=\"http://www.adlnet.org/xsd/adlcp_rootv1p2\">\n"
            "  <metadata>\n"
            "    <schema>ADL SCORM</schema>\n"
            "    <schemaversion>1.2</schemaversion>\n"
            "  </metadata>\n"
            "  <organizations default=\"ORVANTA_ab6d166909e093a5_ORG\">\n"
            "    <organization identifier=\"ORVANTA_ab6d166909e093a5_ORG\">\n"
            "      <title>Talk</title>\n"
            "      <item identifier=\"ORVANTA_ab6d166909e093a5_ITEM\" identifierref=\"ORVANTA_ab6d166909e093a5_SCO\" "
            "isvisible=\"true\">\n"
            "        <title>Talk</title>\n"
            "      </item>\n"
            "    </organization>\n"
            "  </organizations>\n"
            "  <resources>\n"
            "    <resource identifier=\"ORVANTA_ab6d166909e093a5_SCO\" type=\"webcontent\" adlcp:scormtype=\"sco\" "
            "href=\"index.html\">\n"
            "      <file href=\"index.html\"/>\n"
            "    </resource>\n"
            "  </resources>\n"
            "</manifest>\n");
}

// Titles are the deck's words: anything may be in them.
TEST(ScormManifest, HostileTitlesAndFileNames) {
  const struct {
    const char* title;
    const char* shown;
  } titles[] = {
      {"Q&A <live> \"now\" 'here'", "Q&amp;A &lt;live&gt; &quot;now&quot; &apos;here&apos;"},
      {"年度 报告 – café", "年度 报告 – café"},
      {"</title><item identifier=\"x\">", "&lt;/title&gt;&lt;item identifier=&quot;x&quot;&gt;"},
      {"a\x01\x1f\x7f"
       "b\tc",
       "a   b c"},
      {" ", " "},
  };
  for (const auto& c : titles) {
    const auto manifest = BuildScormManifest(c.title, "x", {"index.html"});
    ASSERT_TRUE(manifest.has_value()) << c.title;
    EXPECT_EQ(TitleOf(*manifest), c.shown);
    EXPECT_EQ(manifest->find("</title><item"), std::string::npos);
  }

  // Every identifier is an XML ID made of safe characters, and packages differ.
  std::set<std::string> ids;
  for (const char* identity : {"Talk-scorm.zip", "年度 报告-scorm.zip", "", "../\"<>"}) {
    const std::string manifest = *BuildScormManifest("t", identity, {"index.html"});
    const std::regex identifier(R"re((?:identifier|identifierref|default)="([^"]*)")re");
    for (auto it = std::sregex_iterator(manifest.begin(), manifest.end(), identifier); it != std::sregex_iterator();
         ++it) {
      EXPECT_TRUE(std::regex_match((*it)[1].str(), std::regex("[A-Za-z][A-Za-z0-9_]*"))) << (*it)[1];
    }
    ids.insert(manifest.substr(manifest.find("identifier="), 40));
  }
  EXPECT_EQ(ids.size(), 4u);

  // A file that could lie outside the package is refused; the others are URI references.
  for (const char* name : {"", "/index.html", "../index.html", "a/../b.html", "a//b.html", "a\\b.html", "./a.html"}) {
    EXPECT_FALSE(BuildScormManifest("t", "x", {name}).has_value()) << name;
  }
  const std::string manifest = *BuildScormManifest("t", "x", {"第一 课/页&1.html", "a.css"});
  EXPECT_NE(manifest.find("href=\"%E7%AC%AC%E4%B8%80%20%E8%AF%BE/%E9%A1%B5%261.html\">"), std::string::npos);
  EXPECT_NE(manifest.find("<file href=\"a.css\"/>"), std::string::npos);
  EXPECT_EQ(manifest.find("href=\"/"), std::string::npos);
}

class ScormPackageTest : public test::ExportedSlidesFixture {
 protected:
  ScormPackageTest() : ExportedSlidesFixture(30) {
    settings_.GenHTML5 = 1;
    settings_.UseTitle = 0;
  }
  // What a conversion leaves in the output folder, by name.
  std::map<std::string, std::string> ConvertAndRead() {
    std::filesystem::remove_all(out_);
    std::filesystem::create_directories(out_);
    slides_.paths.clear();
    EXPECT_EQ(Convert(), 1);
    std::map<std::string, std::string> files;
    for (const auto& file : std::filesystem::directory_iterator(out_)) {
      if (file.is_regular_file()) files[file.path().filename()] = test::ReadFile(file.path());
    }
    return files;
  }
};

// The lesson's page is the HTML5 version with the bridge: nothing else differs.
std::string WithoutBridge(const std::string& page) {
  const std::size_t begin = page.rfind("<script", page.rfind("\n// The SCORM 1.2 bridge"));
  const std::size_t end = page.find("</script>\n", begin);
  if (begin == std::string::npos || end == std::string::npos) return "(no bridge)";
  return page.substr(0, begin) + page.substr(end + 10);
}

TEST_F(ScormPackageTest, BesideTheWholeMovieAndNothingElseChanges) {
  AddSlides(3);
  settings_.InsHelp = 1;
  settings_.BlankEnd = 1;
  settings_.ShowNav = 1;
  const auto without = ConvertAndRead();
  settings_.GenScorm = 1;
  const auto with = ConvertAndRead();
  ASSERT_TRUE(notes_.reports.empty()) << notes_.reports.front();

  auto others = with;
  ASSERT_EQ(others.erase("Talk-scorm.zip"), 1u);
  EXPECT_TRUE(others == without) << "a file besides the package changed";
  const auto package = test::Unzip(with.at("Talk-scorm.zip"));
  ASSERT_EQ(package.size(), 2u);
  EXPECT_EQ(TitleOf(package.at("imsmanifest.xml")), "Talk") << "a folder without titles goes by its name";
  EXPECT_EQ(WithoutBridge(package.at("index.html")), with.at("Talk-html5.html"));

  // The first slide's own title names the lesson; GenScorm without the HTML5 version makes none.
  slides_.texts = {SlideText::Plain("Intro & <more>")};
  EXPECT_EQ(TitleOf(test::Unzip(ConvertAndRead().at("Talk-scorm.zip")).at("imsmanifest.xml")),
            "Intro &amp; &lt;more&gt;");
  settings_.GenHTML5 = 0;
  EXPECT_EQ(ConvertAndRead().count("Talk-scorm.zip"), 0u);
}

// Two lectures of one name in two course folders are two lessons to a
// platform; every entry unpacks as a plain file, whatever the umask; the
// share of slides that completes the lesson is in its page.
TEST_F(ScormPackageTest, IdentifiersFromThePathAndPlainFiles) {
  AddSlides(2);
  settings_.GenScorm = 1;
  settings_.ScormCompletion = 80;
  const std::string root = out_;
  std::vector<std::string> identifiers;
  for (const char* course : {"物理 101", "chemistry"}) {
    placement_ = OutputPlacement{root, course, ""};
    std::filesystem::create_directories(placement_.Folder());
    slides_.paths.clear();
    ASSERT_EQ(Convert(), 1);
    const std::string zip = test::ReadFile(placement_.Folder() + "/Talk-scorm.zip");
    const auto package = test::Unzip(zip);
    std::smatch id;
    ASSERT_TRUE(std::regex_search(package.at("imsmanifest.xml"), id, std::regex("identifier=\"(ORVANTA_[0-9a-f]+)\"")));
    identifiers.push_back(id[1]);
    EXPECT_NE(package.at("index.html").find("<script data-completion=\"80\">"), std::string::npos);
    for (const auto& [name, mode] : test::ZipModes(zip)) EXPECT_EQ(mode, 0100644u) << name;
  }
  EXPECT_NE(identifiers[0], identifiers[1]);
  EXPECT_EQ(identifiers[0], BuildScormManifest("", "物理 101/Talk-scorm.zip", {"index.html"})->substr(61, 24))
      << "the identity is the path under the output folder";
}

TEST_F(ScormPackageTest, OneLessonForASplitPresentationOfItsSlidesInOrder) {
  AddSlides(3);
  settings_.SplitPPT = 1;
  settings_.GenScorm = 1;
  const auto files = ConvertAndRead();
  ASSERT_TRUE(notes_.reports.empty()) << notes_.reports.front();
  EXPECT_EQ(files.count("Talk_1.swf") + files.count("Talk_3.swf") + files.count("Talk-scorm.zip"), 3u);
  const std::string page = test::Unzip(files.at("Talk-scorm.zip")).at("index.html");

  // The lesson shows the movies' own pictures, one after the other, with no neighbour links.
  std::vector<std::string> lesson, movies;
  const std::regex uri(R"re(src="data:image/jpeg;base64,([^"]*)")re");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), uri); it != std::sregex_iterator(); ++it) {
    lesson.push_back((*it)[1]);
  }
  for (const char* twin : {"Talk_1-html5.html", "Talk_2-html5.html", "Talk_3-html5.html"}) {
    const std::string& text = files.at(twin);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), uri); it != std::sregex_iterator(); ++it) {
      movies.push_back((*it)[1]);
    }
  }
  EXPECT_EQ(lesson.size(), 3u);
  EXPECT_EQ(lesson, movies);
  EXPECT_EQ(page.find("class=\"neighbours\""), std::string::npos);
}

TEST_F(ScormPackageTest, AFailedPackageIsReportedAndTheRestStays) {
  AddSlides(2);
  settings_.GenScorm = 1;
  std::filesystem::create_directories(out_ + "/Talk-scorm.zip/in the way");
  slides_.paths.clear();
  ASSERT_EQ(Convert(), 1);
  EXPECT_EQ(notes_.reports, std::vector<std::string>{FormatMessage(msg::kScormWriteFailed, out_ + "/Talk-scorm.zip")});
  EXPECT_TRUE(std::filesystem::exists(out_ + "/Talk.swf"));
  EXPECT_TRUE(std::filesystem::exists(out_ + "/Talk-html5.html"));
  EXPECT_TRUE(std::filesystem::is_directory(out_ + "/Talk-scorm.zip"));

  // A movie abandoned for an unreadable picture leaves no lesson behind.
  std::filesystem::remove_all(out_ + "/Talk-scorm.zip");
  notes_.reports.clear();
  test::WriteFile(work_ + "/Slide2.BMP", "not a picture");
  slides_.paths.clear();
  ASSERT_EQ(Convert(), 1);
  EXPECT_EQ(notes_.reports.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(out_ + "/Talk-scorm.zip"));
}

}  // namespace
}  // namespace orv
