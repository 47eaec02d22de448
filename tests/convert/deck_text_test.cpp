// The deck's text through the command line and the real LibreOffice: it
// reaches the twin, and the movie and the page are the same bytes as a
// conversion that never reads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/files.h"
#include "support/needs.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

TEST(DeckText, ReachesTheTwinAndLeavesMovieAndPageByteForByte) {
  const fs::path deck = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt" / "basic_test_ppt_file.ppt";
  ORVANTA_NEEDS(OfficeAvailable(), "LibreOffice (soffice)");
  ORVANTA_NEEDS(fs::exists(deck), "the corpus presentation " + deck.string());
  test::ScratchFolder config, tmp, links;
  const fs::path named = fs::path(links.path()) / ".讲义 été";  // a leading dot, Chinese, a blank, an accent
  fs::create_symlink(deck, named);
  CliOptions options;
  options.tmpdir = tmp.path();

  std::map<std::string, std::string> files[2];
  for (const bool twin : {false, true}) {
    test::ScratchFolder out;
    const CliRun run = RunCli(
        {"--notes", "--no-web-player", twin ? "--html5" : "--no-html5", "--output-dir", out.path(), named.string()},
        config.path(), options);
    ASSERT_EQ(run.status, 0) << run.err;
    files[twin] = FilesUnder(out.path());
  }
  for (const char* name : {".讲义 été.swf", ".讲义 été.htm"}) {
    ASSERT_TRUE(files[0].count(name) && files[1].count(name)) << name;
    EXPECT_TRUE(files[0].at(name) == files[1].at(name)) << name << " changed with the deck's text read";
  }
  ASSERT_TRUE(files[1].count(".讲义 été-html5.html"));
  const std::string& page = files[1].at(".讲义 été-html5.html");
  // The notes beside their slide, not as the movie's notes slide.
  EXPECT_NE(page.find("class=\"notes\""), std::string::npos);
  EXPECT_EQ(page.find("Speaker Notes"), std::string::npos);
  EXPECT_NE(page.find("<html lang=\"en"), std::string::npos) << page.substr(0, 200);
}

}  // namespace
}  // namespace orv
