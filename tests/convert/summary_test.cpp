// What a batch tells at its end, and two Ctrl-C that stop it: through the
// real command line and LibreOffice, serial and with two workers.
#include <gtest/gtest.h>

#include <sstream>

#include "support/needs.h"

#include <atomic>
#include <set>
#include <thread>

#include "base/messages.h"
#include "base/notifier.h"
#include "batchlist/entry_report.h"
#include "cli_runner.h"

namespace orv {
namespace {

fs::path Corpus(const std::string& name) { return fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt" / name; }

// The summary's lines: its first line, then the reasons in any order.
std::pair<std::string, std::set<std::string>> Summary(const std::string& err) {
  const auto at = err.rfind("Orvanta: ", err.find(" converted, "));
  if (at == std::string::npos || err.find(" converted, ") == std::string::npos) return {"(no summary)", {}};
  std::istringstream lines(err.substr(at));
  std::string first, line;
  std::getline(lines, first);
  std::set<std::string> reasons;
  while (std::getline(lines, line) && line.starts_with("  ")) reasons.insert(line.substr(2));
  return {first, reasons};
}

// The LibreOffices of a run, whose private profiles lie in its temporary folder.
std::vector<pid_t> OfficesUnder(const std::string& tmp) { return ProcessesWhoseCommandHas(tmp + "/orvanta-office-"); }

class BatchEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ORVANTA_NEEDS(OfficeAvailable(), "LibreOffice (soffice)");
    for (const char* name :
         {"basic_test_ppt_file.ppt", "Password_Protected-hello.ppt", "23884_defense_FINAL_OOimport_edit.ppt"}) {
      ORVANTA_NEEDS(fs::exists(Corpus(name)), Corpus(name).string());
    }
  }
  test::ScratchFolder config_, out_, tmp_;
};

TEST_F(BatchEnd, TheSummaryCountsEveryEntryAndSaysWhyEachOneDidNotConvert) {
  const std::string good = Corpus("basic_test_ppt_file.ppt"), locked = Corpus("Password_Protected-hello.ppt");
  const std::string large = Corpus("23884_defense_FINAL_OOimport_edit.ppt");
  for (const char* jobs : {"1", "2"}) {
    CliOptions options;
    options.tmpdir = tmp_.path();
    bool sent = false;
    options.watch = [&](pid_t pid, const std::string& err) {
      if (!sent && err.find(large) != std::string::npos && !OfficesUnder(tmp_.path()).empty()) {
        // The large deck is under way: one Ctrl-C cancels it (with two
        // workers, the other running entry too, unless it has ended).
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(pid, SIGINT);
        sent = true;
      }
    };
    CliRun run = RunCli(
        {"--jobs", jobs, "--width", "2048", "--height", "1536", "--output-dir", out_.path(), good, locked, large},
        config_.path(), options);
    EXPECT_EQ(run.status, 1) << run.err;
    const auto [first, reasons] = Summary(run.err);
    const std::string lockedReason = locked + ": " + FormatMessage(msg::kPasswordProtected, locked);
    // With two workers the locked file may be the other entry running at
    // the Ctrl-C (its LibreOffice still starting): then it is cancelled too.
    const bool lockedFailed = reasons.count(lockedReason) != 0;
    const bool lockedCancelled = reasons.count(locked + ": cancelled") != 0;
    EXPECT_TRUE(lockedFailed || (jobs == std::string("2") && lockedCancelled)) << jobs << " job(s):\n" << run.err;
    EXPECT_TRUE(reasons.count(large + ": cancelled")) << jobs << " job(s):\n" << run.err;
    const int failed = lockedFailed ? 1 : 0;
    EXPECT_EQ(first, "Orvanta: " + std::to_string(3 - reasons.size()) + " converted, " + std::to_string(failed) +
                         " failed, " + std::to_string(reasons.size() - failed) + " cancelled")
        << jobs << " job(s)";
    ExpectNothingLeft(tmp_.path(), out_.path());
  }
}

TEST_F(BatchEnd, TwoCtrlCWithinThreeSecondsStopTheWholeBatch) {
  const std::string large = Corpus("23884_defense_FINAL_OOimport_edit.ppt");
  std::vector<std::string> decks;
  for (const char* name : {"a.ppt", "b.ppt", "c.ppt", "d.ppt"}) {
    const std::string link = tmp_ / ("decks/" + std::string(name));
    fs::create_directories(fs::path(link).parent_path());
    fs::create_symlink(large, link);
    decks.push_back(link);
  }
  for (const char* jobs : {"1", "2"}) {
    test::ScratchFolder tmp, out, reports;
    CliOptions options;
    options.tmpdir = tmp.path();
    std::atomic<int> sent{0};
    // The second Ctrl-C goes once the first one's hint shows: a person
    // presses again on reading it.
    options.watch = [&](pid_t pid, const std::string& err) {
      if (sent == 0 && !OfficesUnder(tmp.path()).empty()) {
        ::kill(pid, SIGINT);
        sent = 1;
      } else if (sent == 1 && err.find("Ctrl-C again within 3 s stops the whole batch") != std::string::npos) {
        ::kill(pid, SIGINT);
        sent = 2;
      }
    };
    std::vector<std::string> args = {"--jobs", jobs,           "--width",  "2048",     "--height",
                                     "1536",   "--output-dir", out.path(), "--report", reports / "report.jsonl"};
    args.insert(args.end(), decks.begin(), decks.end());
    CliRun run = RunCli(args, config_.path(), options);
    EXPECT_EQ(run.signal, SIGINT) << "a shell loop around it must stop too: " << run.err;
    EXPECT_EQ(sent.load(), 2) << run.err;
    const auto [summaryLine, reasons] = Summary(run.err);
    // Nothing converts: the running entries are cancelled, the rest never start.
    EXPECT_EQ(summaryLine, "Orvanta: 0 converted, 0 failed, 4 cancelled") << jobs << " job(s)\n" << run.err;
    EXPECT_EQ(reasons.size(), 4u) << run.err;
    // The report holds every entry too, the ones never started included.
    std::istringstream lines(test::ReadFile(reports / "report.jsonl"));
    std::size_t records = 0;
    for (std::string line; std::getline(lines, line); ++records) {
      const auto record = batchlist::ParseReportLine(line);
      ASSERT_TRUE(record) << line;
      EXPECT_TRUE(record->status == batchlist::EntryStatus::kCancelled ||
                  record->status == batchlist::EntryStatus::kNotStarted)
          << line;
    }
    EXPECT_EQ(records, decks.size()) << jobs << " job(s)";
    ExpectNothingLeft(tmp.path(), out.path());
  }
}

// One Ctrl-C cancels the presentation at hand whatever step it is in, and
// never the next one: sent by the kernel as the program renames each of its
// files into place (the movie, its HTML5 version, the lesson).
TEST_F(BatchEnd, ACtrlCAtAnyStepCancelsThePresentationAtHandOnly) {
  ORVANTA_NEEDS(fs::exists("/usr/bin/strace"), "strace (scripts/setup.sh installs it)");
  const fs::path example = fs::path(ORVANTA_SOURCE_DIR) / "examples" / "orvanta-tour.odp";
  struct Step {
    const char* what;
    int rename;                     // the program's n-th rename
    std::vector<const char*> kept;  // what the cancelled deck leaves
  };
  for (const Step& step :
       {Step{"writing the movie", 1, {"a.swf"}}, Step{"writing the HTML5 version", 2, {"a.swf", "a-html5.html"}},
        Step{"writing the lesson", 3, {"a.swf", "a-html5.html", "a-scorm.zip"}}}) {
    SCOPED_TRACE(step.what);
    test::ScratchFolder tmp, out, in;
    for (const char* name : {"a.odp", "b 第二.odp"}) fs::create_symlink(example, in / name);
    CliOptions options;
    options.tmpdir = tmp.path();
    options.launcher = {"/usr/bin/strace",
                        "-qq",
                        "-o",
                        "/dev/null",
                        "-e",
                        "trace=rename,renameat,renameat2",
                        "-e",
                        "inject=rename,renameat,renameat2:signal=INT:when=" + std::to_string(step.rename)};
    const CliRun run = RunCli({"--scorm", "--no-web-player", "--width", "320", "--height", "240", "--output-dir",
                               out.path(), in / "a.odp", in / "b 第二.odp"},
                              config_.path(), options);
    EXPECT_EQ(run.status, 1) << run.err;
    const auto [summary, reasons] = Summary(run.err);
    EXPECT_EQ(summary, "Orvanta: 1 converted, 0 failed, 1 cancelled") << run.err;
    EXPECT_EQ(reasons, std::set<std::string>{in / "a.odp" + std::string(": cancelled")}) << run.err;
    EXPECT_NE(run.err.find("Ctrl-C again within 3 s stops the whole batch"), std::string::npos) << run.err;
    std::set<std::string> left;
    for (const std::string& name : test::FileNames(out.path())) {
      if (name.starts_with("a")) left.insert(name);
    }
    EXPECT_EQ(left, std::set<std::string>(step.kept.begin(), step.kept.end())) << run.err;
    EXPECT_TRUE(fs::exists(out / "b 第二-scorm.zip")) << "the next deck was cancelled instead: " << run.err;
    ExpectNothingLeft(tmp.path(), out.path());
  }
}

}  // namespace
}  // namespace orv
