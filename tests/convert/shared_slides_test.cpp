// One presentation's slides shared among several LibreOffices by the command
// line: the files are byte for byte those of one LibreOffice, and a Ctrl-C
// ends every one of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/files.h"
#include "support/needs.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

class SharedSlides : public ::testing::Test {
 protected:
  void SetUp() override {
    ORVANTA_NEEDS(OfficeAvailable(), "LibreOffice (soffice)");
    ORVANTA_NEEDS(fs::exists(deck_), "the corpus presentation " + deck_.string());
    // Read in place under a name with Chinese, a blank and an accent.
    fs::create_symlink(deck_, named_);
    options_.tmpdir = tmp_.path();
  }

  const fs::path corpus_ = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt";
  const fs::path deck_ = corpus_ / "41246-1.ppt";  // 36 slides, some with notes
  test::ScratchFolder config_, tmp_, links_;
  const fs::path named_ = fs::path(links_.path()) / "讲义 été.ppt";
  CliOptions options_;
};

// Two and three LibreOffices for one presentation, with and without the
// notes slides: the movie, the page and the twin equal one LibreOffice's.
TEST_F(SharedSlides, TheFilesEqualThoseOfOneLibreOffice) {
  for (const bool notes : {false, true}) {
    std::map<std::string, std::string> alone;
    for (const char* jobs : {"1", "2", "3"}) {
      SCOPED_TRACE(std::string(jobs) + " LibreOffice(s)" + (notes ? ", notes" : ""));
      test::ScratchFolder out;
      std::vector<std::string> args = {"--jobs", jobs, "--output-dir", out.path(), named_.string()};
      if (notes) args.insert(args.begin(), "--notes");
      const CliRun run = RunCli(args, config_.path(), options_);
      ASSERT_EQ(run.status, 0) << run.err;
      const auto files = FilesUnder(out.path());
      EXPECT_TRUE(files.count("讲义 été.swf")) << run.err;
      if (alone.empty()) {
        alone = files;
        continue;
      }
      ASSERT_EQ(files.size(), alone.size());
      for (const auto& [name, bytes] : alone) {
        // The index page names its own folder.
        if (name != "index.html") {
          EXPECT_TRUE(files.at(name) == bytes) << name << " differs";
        }
      }
      ExpectNothingLeft(tmp_.path(), out.path());
    }
  }
}

// Ctrl-C in the middle of the export cancels the presentation, and every
// LibreOffice sharing it ends with it.
TEST_F(SharedSlides, CtrlCEndsEveryLibreOfficeOfThePresentation) {
  const fs::path longDeck = corpus_ / "bug56240.ppt";  // 105 slides
  ORVANTA_NEEDS(fs::exists(longDeck), "the corpus presentation " + longDeck.string());
  test::ScratchFolder out;
  options_.interruptOn = "bug56240.ppt: 1%";
  const CliRun run = RunCli({"--jobs", "3", "--output-dir", out.path(), longDeck.string()}, config_.path(), options_);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("bug56240.ppt: cancelled"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(fs::path(out.path()) / "bug56240.swf"));
  ExpectNothingLeft(tmp_.path(), out.path());
}

}  // namespace
}  // namespace orv
