// The report is the truth: what it says was converted lies on disk, whole;
// what failed says why and lists only what it wrote; a resume completes what
// a full disk stopped and converts again what other values would make
// otherwise; two decks of one name never overwrite each other; and what a
// killed write leaves is swept by the next run. Through the real LibreOffice
// and command line.
#include <gtest/gtest.h>

#include "support/needs.h"

#include <sys/mount.h>

#include <set>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/owner_tag.h"
#include "batchlist/entry_report.h"
#include "batchlist/report_merge.h"
#include "cli_runner.h"
#include "support/pictures.h"

namespace orv {
namespace {

using batchlist::EntryRecord;
using batchlist::EntryStatus;

std::vector<EntryRecord> ReadRecords(const fs::path& report) {
  std::vector<EntryRecord> records;
  std::ifstream in(report);
  std::string line;
  while (std::getline(in, line)) {
    const auto record = batchlist::ParseReportLine(line);
    EXPECT_TRUE(record) << line;
    if (record) records.push_back(*record);
  }
  return records;
}

// Every file under `root`, hidden ones included, by relative path.
std::set<std::string> EverythingUnder(const fs::path& root) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).string();
    if (relative.rfind("ruffle/", 0) == 0) continue;  // the player's own files
    names.insert(relative);
  }
  return names;
}

class ReportTruth : public ::testing::Test {
 protected:
  void SetUp() override {
    ORVANTA_NEEDS(OfficeAvailable(), "LibreOffice (soffice)");
    example_ = fs::path(ORVANTA_SOURCE_DIR) / "examples" / "orvanta-tour.odp";
  }
  void TearDown() override {
    if (mounted_) ::umount2(out_.path().c_str(), MNT_DETACH);
  }
  // A deck of the example under `relative` in the input tree.
  void AddDeck(const std::string& relative, const fs::path& from) {
    const fs::path place = in_ / relative;
    fs::create_directories(place.parent_path());
    fs::create_symlink(from, place);  // read in place
  }
  CliRun Convert(std::vector<std::string> more, CliOptions options = {}) {
    std::vector<std::string> args = {"--source-root", in_.path(), "--output-dir",
                                     out_.path(),     "--report", work_ / "report.jsonl"};
    args.insert(args.end(), more.begin(), more.end());
    options.tmpdir = tmp_.path();
    return RunCli(args, config_.path(), options);
  }

  test::ScratchFolder config_, in_, out_, work_, tmp_;
  fs::path example_;
  bool mounted_ = false;
};

// Three decks on an output disk too small for all they write and for the web
// player: each entry's record names exactly the files it left, none says
// converted, nothing half written stays; with room, a resume converts them
// all and copies the player. Other values convert again; the same ones not.
TEST_F(ReportTruth, AFullDiskFailsEntriesTruthfullyAndAResumeCompletesThem) {
  ORVANTA_NEEDS(::geteuid() == 0, "root, to mount a small tmpfs as the output folder");
  ASSERT_EQ(::mount("tmpfs", out_.path().c_str(), "tmpfs", 0, "size=160k"), 0) << std::strerror(errno);
  mounted_ = true;
  const std::vector<std::string> decks = {"课程 1/第一讲.odp", "课程 1/lecture 2.v1.odp", "c2/Übung.odp"};
  for (const std::string& deck : decks) AddDeck(deck, example_);
  std::vector<std::string> args;
  for (const std::string& deck : decks) args.push_back(in_ / deck);
  args.insert(args.end(), {"--width", "320", "--height", "240"});

  const CliRun full = Convert(args);
  EXPECT_EQ(full.status, 1) << full.err;
  EXPECT_NE(full.err.find("0 converted, 3 failed, 0 cancelled"), std::string::npos) << full.err;
  const std::vector<EntryRecord> failed = ReadRecords(work_ / "report.jsonl");
  ASSERT_EQ(failed.size(), decks.size());
  std::set<std::string> listed;
  bool diskFullSaid = false;
  for (const EntryRecord& record : failed) {
    EXPECT_EQ(record.status, EntryStatus::kFailed) << record.source;
    ASSERT_TRUE(record.message) << record.source;
    diskFullSaid = diskFullSaid || record.message->find("(磁盘已满)") != std::string::npos;
    for (const std::string& output : record.outputs) {
      EXPECT_TRUE(fs::is_regular_file(out_ / output)) << output << " is listed but not there";
      listed.insert(output);
    }
  }
  EXPECT_TRUE(diskFullSaid) << full.err;
  for (const std::string& name : EverythingUnder(out_.path())) {
    if (fs::is_directory(out_ / name)) continue;
    EXPECT_EQ(listed.count(name), 1u) << name << " is on disk but no record lists it (half written?)";
  }

  // More room: the resume converts every entry and copies the player.
  ASSERT_EQ(::mount("tmpfs", out_.path().c_str(), "tmpfs", MS_REMOUNT, "size=96m"), 0) << std::strerror(errno);
  args.push_back("--resume");
  const CliRun resumed = Convert(args);
  EXPECT_EQ(resumed.status, 0) << resumed.err;
  EXPECT_TRUE(fs::is_regular_file(out_ / "ruffle/ruffle.js"));
  for (const char* page : {"课程 1/第一讲.htm", "课程 1/lecture 2.v1.htm", "c2/Übung.htm"}) {
    EXPECT_TRUE(fs::is_regular_file(out_ / page)) << page;
  }
  batchlist::ReportMerge merge;
  merge.Add(test::ReadFile(work_ / "report.jsonl"));
  EXPECT_EQ(merge.Counts()[EntryStatus::kConverted], decks.size());

  // Nothing changed: nothing converts, but a player that went missing is
  // put back. Another frame size: everything converts.
  fs::remove_all(out_ / "ruffle");
  const CliRun again = Convert(args);
  EXPECT_TRUE(fs::is_regular_file(out_ / "ruffle/ruffle.js"));
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.err.find("已有 3 个文件转换过且未改动，已略过"), std::string::npos) << again.err;
  EXPECT_NE(again.err.find("Orvanta: 0 converted, 0 failed, 0 cancelled, 3 already converted\n"), std::string::npos)
      << again.err;
  const std::size_t before = ReadRecords(work_ / "report.jsonl").size();
  std::vector<std::string> wider = args;
  wider.insert(wider.end(), {"--width", "400", "--height", "300", "--notes"});
  const CliRun changed = Convert(wider);
  EXPECT_EQ(changed.status, 0) << changed.err;
  EXPECT_EQ(ReadRecords(work_ / "report.jsonl").size(), before + decks.size()) << changed.err;
  ExpectNothingLeft(tmp_.path(), out_.path());
}

// c1/lecture1.ppt and c1/lecture1.pps would write the same files: the later
// one fails before anything is written, and `report` names it.
TEST_F(ReportTruth, TwoDecksOfOneNameNeverOverwriteEachOther) {
  const fs::path corpus = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt";
  for (const char* file : {"basic_test_ppt_file.ppt", "SampleShow.ppt"}) {
    ORVANTA_NEEDS(fs::exists(corpus / file), (corpus / file).string());
  }
  AddDeck("c1/lecture1.ppt", corpus / "basic_test_ppt_file.ppt");
  AddDeck("c1/lecture1.pps", corpus / "SampleShow.ppt");
  const std::string first = in_ / "c1/lecture1.ppt", second = in_ / "c1/lecture1.pps";
  const CliRun run = Convert({first, second, "--no-web-player"});
  EXPECT_EQ(run.status, 1) << run.err;
  const std::string refusal = FormatMessage(msg::kOutputsWouldReplace, first);
  EXPECT_NE(run.err.find(second + ": " + refusal), std::string::npos) << run.err;
  const std::vector<EntryRecord> records = ReadRecords(work_ / "report.jsonl");
  ASSERT_EQ(records.size(), 2u);
  for (const EntryRecord& record : records) {
    if (record.source == first) {
      EXPECT_EQ(record.status, EntryStatus::kConverted);
      EXPECT_EQ(record.outputs, (std::vector<std::string>{"c1/lecture1.swf", "c1/lecture1-html5.html",
                                                          "c1/lecture1.htm", "c1/lecture1-thumb.jpg"}));
    } else {
      EXPECT_EQ(record.status, EntryStatus::kFailed);
      EXPECT_EQ(record.message, refusal);
      EXPECT_TRUE(record.outputs.empty());
    }
  }

  CliOptions read;
  read.command = "report";
  std::string out;
  read.out = &out;
  const CliRun report = RunCli({work_ / "report.jsonl"}, config_.path(), read);
  EXPECT_EQ(report.status, 1) << report.err;
  EXPECT_NE(out.find(second + "\tfailed\t" + refusal), std::string::npos) << out;
  const CliRun failed = RunCli({"--failed", work_ / "report.jsonl"}, config_.path(), read);
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(out, second + "\n");
}

// A run killed between writing a movie and renaming it into place leaves a
// hidden file named after it; the next run on this host removes it, and
// leaves what live runs and other hosts left.
TEST_F(ReportTruth, WhatAKilledWriteLeftIsSweptByTheNextRun) {
  ORVANTA_NEEDS(fs::exists("/usr/bin/strace"), "strace (scripts/setup.sh installs it)");
  const std::string pictures = in_ / "讲义 3.v2";
  fs::create_directories(pictures);
  for (int i = 1; i <= 3; ++i) {
    test::WriteSolidBmp(pictures + "/Slide" + std::to_string(i) + ".bmp", 320, 240, 30, 90,
                        static_cast<std::uint8_t>(60 * i));
  }
  CliOptions killer;
  // SIGKILL at the program's first rename: its movie's, written and not yet in place.
  killer.launcher = {"/usr/bin/strace",
                     "-qq",
                     "-o",
                     "/dev/null",
                     "-e",
                     "trace=rename,renameat,renameat2",
                     "-e",
                     "inject=rename,renameat,renameat2:signal=KILL:when=1"};
  Convert({pictures, "--no-html", "--no-html5", "--no-index"}, killer);
  std::vector<std::string> leftovers;
  for (const std::string& name : test::FileNames(out_.path())) {
    if (name.rfind(".讲义 3.v2.swf.orvanta-tmp~", 0) == 0) leftovers.push_back(name);
  }
  ASSERT_EQ(leftovers.size(), 1u) << ::testing::PrintToString(test::FileNames(out_.path()));
  const std::string ours = "." + std::string("a.swf.orvanta-tmp~") + "other-host~1~00000000";
  test::WriteFile(out_ / ours, "another machine's");
  const std::string live = ".b.swf.orvanta-tmp~" + ThisHost() + "~" + std::to_string(::getpid()) + "~00000000";
  test::WriteFile(out_ / live, "a live run's");

  const CliRun next = Convert({pictures, "--no-html", "--no-html5", "--no-index"});
  EXPECT_EQ(next.status, 0) << next.err;
  EXPECT_EQ(test::FileNames(out_.path()), (std::vector<std::string>{ours, live, "讲义 3.v2.swf"}));
}

// Folders given to convert: one of presentations stands for them (its own
// level only, or its tree with --recursive, kept under the output folder);
// presentations beside pictures win; a folder of pictures stays a movie of
// its own; a folder of neither says what was looked for.
TEST_F(ReportTruth, FoldersOfPresentationsPicturesBothAndNeither) {
  AddDeck("讲义 一/Übung 1.odp", example_);
  AddDeck("讲义 一/第二.章/c.ODP", example_);
  AddDeck("both/d.odp", example_);
  for (const char* folder : {"pictures", "both"}) {
    fs::create_directories(in_ / folder);
    for (const char* slide : {"Slide1.bmp", "Slide2.bmp"})
      test::WriteSolidBmp(fs::path(in_.path()) / folder / slide, 64, 48, 200, 0, 0);
  }
  fs::create_directories(in_ / "empty");
  const auto swfs = [](const fs::path& root) {
    std::set<std::string> names;
    for (const std::string& name : EverythingUnder(root)) {
      if (name.ends_with(".swf")) names.insert(name);
    }
    return names;
  };
  struct Case {
    std::vector<std::string> args;
    std::set<std::string> movies;
    int status;
  };
  const std::string lectures = in_ / "讲义 一";
  for (const Case& c : {
           Case{{lectures + "/", in_ / "both", in_ / "pictures", in_ / "empty"},
                {"Übung 1.swf", "d.swf", "pictures.swf"},
                1},
           Case{{"--recursive", lectures}, {"Übung 1.swf", "第二.章/c.swf"}, 0},
       }) {
    test::ScratchFolder out;
    std::vector<std::string> args = {"--output-dir", out.path(), "--no-web-player"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliOptions options;
    options.tmpdir = tmp_.path();
    const CliRun run = RunCli(args, config_.path(), options);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(swfs(out.path()), c.movies) << run.err;
    const bool none = run.err.find(FormatMessage(msg::kFolderHoldsNothing, in_ / "empty")) != std::string::npos;
    EXPECT_EQ(none, c.status == 1) << run.err;
  }
}

}  // namespace
}  // namespace orv
