// A list of real presentations in a folder tree, converted as an archive
// would be: in shards whose outputs together are one serial run's byte for
// byte, with a report line per entry, resumed after a kill without
// converting anything twice. Through the real LibreOffice and command line.
#include <gtest/gtest.h>

#include "support/needs.h"

#include <map>
#include <set>

#include "batchlist/entry_report.h"
#include "cli_runner.h"

namespace orv {
namespace {

using Tree = std::map<std::string, std::string>;  // relative path -> bytes

// Three course folders; three files share the name lecture.ppt, and one
// cannot be opened.
const std::vector<std::pair<std::string, std::string>> kArchive = {
    {"course1/lecture.ppt", "basic_test_ppt_file.ppt"},
    {"course1/intro.ppt", "slide_master.ppt"},
    {"course1/中文 课件.ppt", "54880_chinese.ppt"},
    {"course2/lecture.ppt", "incorrect_slide_order.ppt"},
    {"course2/locked.ppt", "Password_Protected-hello.ppt"},
    {"course2/sample show.ppt", "SampleShow.ppt"},
    {"course3/lecture.ppt", "52244.ppt"},
    {"course3/.hidden deck.ppt", "42520.ppt"},
};

Tree ReadTree(const fs::path& root) {
  Tree tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) tree[fs::relative(entry.path(), root).string()] = test::ReadFile(entry.path());
  }
  return tree;
}

std::vector<batchlist::EntryRecord> ReadReport(const fs::path& path) {
  std::vector<batchlist::EntryRecord> records;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    auto record = batchlist::ParseReportLine(line);
    EXPECT_TRUE(record) << "not a report line: " << line;
    if (record) records.push_back(*record);
  }
  return records;
}

class Archive : public ::testing::Test {
 protected:
  void SetUp() override {
    ORVANTA_NEEDS(OfficeAvailable(), "LibreOffice (soffice)");
    const fs::path corpus = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt";
    std::string list;
    for (const auto& [place, file] : kArchive) {
      ORVANTA_NEEDS(fs::exists(corpus / file), (corpus / file).string());
      const fs::path link = fs::path(InDir()) / place;
      fs::create_directories(link.parent_path());
      fs::create_symlink(corpus / file, link);  // read in place
      list += "in/" + place + "\n";
    }
    test::WriteFile(work_ / "list.txt", "# the archive\n" + list);
  }

  // One run over the list, from the work folder (the list's paths are relative).
  CliRun Convert(const std::string& out, std::vector<std::string> more, CliOptions options = {}) {
    std::vector<std::string> args = {
        "--files-from", work_ / "list.txt", "--source-root", InDir(), "--output-dir", out, "--width", "320", "--height",
        "240"};
    args.insert(args.end(), more.begin(), more.end());
    options.tmpdir = tmp_.path();
    const fs::path here = fs::current_path();
    fs::current_path(work_.path());
    CliRun run = RunCli(args, config_.path(), options);
    fs::current_path(here);
    return run;
  }

  std::string InDir() const { return work_ / "in"; }

  test::ScratchFolder config_, work_, tmp_;
};

TEST_F(Archive, ShardsTogetherAreOneSerialRunAndEachEntryIsReportedOnce) {
  const std::string serial = work_ / "serial", sharded = work_ / "sharded";
  const CliRun whole = Convert(serial, {"--report", work_ / "serial.jsonl"});
  EXPECT_EQ(whole.status, 1) << "the locked deck fails: " << whole.err;
  const std::vector<batchlist::EntryRecord> serialReport = ReadReport(work_ / "serial.jsonl");
  ASSERT_EQ(serialReport.size(), kArchive.size());
  for (const auto& record : serialReport) {
    EXPECT_EQ(record.status == batchlist::EntryStatus::kConverted, record.source != "in/course2/locked.ppt")
        << record.source;
  }
  // The three lecture.ppt land in their own folders, the player once at the root.
  const Tree expected = ReadTree(serial);
  for (const char* name : {"course1/lecture.swf", "course2/lecture.swf", "course3/lecture.htm",
                           "course1/中文 课件-html5.html", "course3/.hidden deck.swf", "ruffle/ruffle.js"}) {
    EXPECT_EQ(expected.count(name), 1u) << name;
  }
  EXPECT_NE(expected.at("course2/lecture.htm").find("\"../ruffle/ruffle.js\""), std::string::npos);

  std::multiset<std::string> reported;
  for (int k = 1; k <= 3; ++k) {
    const std::string report = work_ / ("shard-" + std::to_string(k) + ".jsonl");
    Convert(sharded, {"--shard", std::to_string(k) + "/3", "--report", report});
    for (const auto& record : ReadReport(report)) {
      reported.insert(record.source);
      EXPECT_EQ(record.shard, std::to_string(k) + "/3");
    }
  }
  EXPECT_EQ(ReadTree(sharded), expected) << "the shards' outputs differ from the serial run's";
  std::multiset<std::string> every;
  for (const auto& record : serialReport) every.insert(record.source);
  EXPECT_EQ(reported, every) << "an entry is missing from the reports or in two";

  // A Kubernetes Indexed Job's pod 1 takes shard 2 of 3.
  CliOptions indexed;
  indexed.environment = {"JOB_COMPLETION_INDEX=1"};
  Convert(work_ / "auto", {"--shard", "auto/3", "--report", work_ / "auto.jsonl"}, indexed);
  std::vector<std::string> autoSources, secondSources;
  for (const auto& record : ReadReport(work_ / "auto.jsonl")) autoSources.push_back(record.source);
  for (const auto& record : ReadReport(work_ / "shard-2.jsonl")) secondSources.push_back(record.source);
  EXPECT_EQ(autoSources, secondSources);

  // Task 2 resubmitted: its slice again, resumed, into its own report. The
  // three reports read as one say what became of each source.
  Convert(sharded, {"--shard", "2/3", "--report", work_ / "shard-2.jsonl", "--resume"});
  CliOptions read;
  read.command = "report";
  std::string merged;
  read.out = &merged;
  const CliRun report =
      RunCli({work_ / "shard-1.jsonl", work_ / "shard-2.jsonl", work_ / "shard-3.jsonl"}, config_.path(), read);
  EXPECT_EQ(report.status, 1) << "the locked deck did not convert";
  EXPECT_NE(merged.find("8 source(s) in 3 report(s)\n  converted    7\n  failed       1\n"), std::string::npos)
      << merged;
  EXPECT_NE(merged.find("in/course2/locked.ppt\tfailed\t"), std::string::npos) << merged;
  ExpectNothingLeft(tmp_.path(), sharded);
}

TEST_F(Archive, AKilledRunResumesWithoutConvertingAnythingTwice) {
  const std::string serial = work_ / "serial", resumed = work_ / "resumed";
  const std::string report = work_ / "report.jsonl";
  Convert(serial, {});
  CliOptions killer;
  killer.ownGroup = true;
  killer.watch = [&report](pid_t pid, const std::string&) {
    std::ifstream in(report);
    const auto lines = std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
    if (lines >= 3) ::kill(pid, SIGKILL);
  };
  const CliRun killed = Convert(resumed, {"--report", report}, killer);
  ASSERT_EQ(killed.signal, SIGKILL) << "the run ended before its third entry: " << killed.err;
  const std::size_t before = ReadReport(report).size();
  ASSERT_GE(before, 3u);

  const CliRun again = Convert(resumed, {"--report", report, "--resume"});
  EXPECT_EQ(again.status, 1) << again.err;
  EXPECT_NE(again.err.find("个文件转换过且未改动，已略过"), std::string::npos) << again.err;
  std::map<std::string, int> converted;
  for (const auto& record : ReadReport(report)) {
    if (record.status == batchlist::EntryStatus::kConverted) ++converted[record.source];
  }
  EXPECT_EQ(converted.size(), kArchive.size() - 1);
  for (const auto& [source, times] : converted) EXPECT_EQ(times, 1) << source << " converted twice";
  EXPECT_EQ(ReadTree(resumed), ReadTree(serial));
  ExpectNothingLeft(tmp_.path(), resumed);
}

}  // namespace
}  // namespace orv
