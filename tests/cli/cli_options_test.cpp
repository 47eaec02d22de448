#include <gtest/gtest.h>

#include "convert_options.h"

namespace orv::cli {
namespace {

ConvertOptions Parse(const std::vector<std::string>& args, std::string* error = nullptr) {
  ConvertOptions options;
  std::string message;
  const bool ok = ParseConvertOptions(args, options, message);
  if (error != nullptr) *error = ok ? "" : message;
  return options;
}

TEST(ConvertJobs, TakesACountFromZeroToTheLimit) {
  EXPECT_EQ(Parse({"a.ppt"}).jobs, 1);
  EXPECT_EQ(Parse({"--jobs", "4", "a.ppt"}).jobs, 4);
  EXPECT_EQ(Parse({"--jobs=0", "a.ppt"}).jobs, 0);
  EXPECT_EQ(Parse({"--jobs", "64"}).jobs, 64);

  std::string error;
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--jobs", "65"},
                                              {"--jobs", "-1"},
                                              {"--jobs", "2x"},
                                              {"--jobs", ""},
                                              {"--jobs"},
                                              {"--jobs", "99999999999"}}) {
    Parse(bad, &error);
    EXPECT_FALSE(error.empty()) << bad.back();
  }
  Parse({"--jobs", "x"}, &error);
  EXPECT_EQ(error, "--jobs: a number from 0 to 64 is needed");
}

// The workers get every option as given, but neither --jobs nor the files.
TEST(ConvertJobs, WorkersGetTheOptionsWithoutJobsAndFiles) {
  const ConvertOptions options =
      Parse({"--width", "800", "a.ppt", "--jobs", "2", "--no-fade", "--output-dir=out", "--", "--b.ppt"});
  EXPECT_EQ(options.optionArgs, (std::vector<std::string>{"--width", "800", "--no-fade", "--output-dir=out"}));
  EXPECT_EQ(options.files, (std::vector<std::string>{"a.ppt", "--b.ppt"}));
  EXPECT_EQ(options.overrides.at("Width"), 800);
}

// The shared player's address is checked as `settings set` checks it, goes
// to the workers, and lands on the record over the stored one.
TEST(ConvertWebPlayerUrl, CheckedPassedOnAndApplied) {
  const ConvertOptions options = Parse({"--web-player-url", "/shared/ruffle", "a.ppt"});
  EXPECT_EQ(options.optionArgs, (std::vector<std::string>{"--web-player-url", "/shared/ruffle"}));
  ConversionSettings settings;
  settings.WebPlayerUrl = "https://stored.example.org/p";
  ApplyTextOptions(options, settings);
  EXPECT_EQ(settings.WebPlayerUrl, "/shared/ruffle");
  // Empty on the command line: the copy beside the pages, whatever is stored.
  ApplyTextOptions(Parse({"--web-player-url="}), settings);
  EXPECT_EQ(settings.WebPlayerUrl, "");

  std::string error;
  for (const char* bad : {"/a b", "x\"y", "/p?q"}) {
    Parse({"--web-player-url", bad}, &error);
    EXPECT_TRUE(error.starts_with("--web-player-url: ")) << bad << ": " << error;
  }
  Parse({"--web-player-url"}, &error);
  EXPECT_EQ(error, "--web-player-url needs a value");
}

// The list, the report and the shard are the parent's; the source root goes
// to the workers, which name each entry's folder from it.
TEST(ConvertLists, ParentOnlyOptionsStayWithTheParent) {
  const ConvertOptions options = Parse({"--files-from", "list.txt", "--null", "--report=r.jsonl", "--resume", "--shard",
                                        "2/3", "--source-root", "/in", "--no-fade"});
  EXPECT_EQ(options.filesFrom, "list.txt");
  EXPECT_TRUE(options.nullSeparated);
  EXPECT_EQ(options.reportPath, "r.jsonl");
  EXPECT_TRUE(options.resume);
  EXPECT_EQ(options.shard, "2/3");
  EXPECT_EQ(options.sourceRoot, "/in");
  EXPECT_EQ(options.optionArgs, (std::vector<std::string>{"--source-root", "/in", "--no-fade"}));
  std::string error;
  Parse({"--resume", "a.ppt"}, &error);
  EXPECT_EQ(error, "--resume needs --report FILE");
  Parse({"--files-from"}, &error);
  EXPECT_EQ(error, "--files-from needs a value");
  Parse({"--null=1"}, &error);
  EXPECT_EQ(error, "--null takes no value");
}

TEST(ConvertJobs, WorkerDescriptorIsHiddenButChecked) {
  EXPECT_EQ(Parse({"--worker-fd", "3"}).workerFd, 3);
  std::string error;
  Parse({"--worker-fd", "1"}, &error);
  EXPECT_EQ(error, "--worker-fd: a descriptor number is needed");
}

}  // namespace
}  // namespace orv::cli
