// The command line against faults, through the real LibreOffice: a missing
// source, a full disk, an output folder that cannot be made, and a cancel
// during the export. Each gives its message, loses no earlier output and
// leaves no LibreOffice behind.
#include <gtest/gtest.h>

#include "support/needs.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string_view>
#include <thread>

#include "base/language.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "cli_runner.h"
#include "support/files.h"
#include "support/pictures.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

class ConvertFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ORVANTA_NEEDS(OfficeAvailable(), "LibreOffice (soffice)");
    example_ = fs::path(ORVANTA_SOURCE_DIR) / "examples" / "orvanta-tour.odp";
    ASSERT_TRUE(fs::exists(example_));
  }
  std::string OutDir() const { return out_.path(); }

  test::ScratchFolder config_, out_, work_;
  fs::path example_;
};

TEST_F(ConvertFaults, MissingSourceIsSkippedAndTheNextFileConverts) {
  std::string missing = work_ / "gone.ppt";
  CliRun run = RunCli({"--output-dir", OutDir(), missing, example_.string()}, config_.path());
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("Orvanta: " + FormatMessage(msg::kSourceMissing, missing)), std::string::npos) << run.err;
  EXPECT_TRUE(fs::exists(out_ / "orvanta-tour.swf"));
  EXPECT_TRUE(fs::exists(out_ / "orvanta-tour.htm"));
  EXPECT_TRUE(fs::exists(out_ / "orvanta-tour-html5.html"));
  EXPECT_FALSE(OfficeOfProgramRunning(run.pid));
}

// As cron, a systemd unit or env -i run it: no locale at all. Names in
// Chinese, German, with blanks and dots still reach LibreOffice.
TEST_F(ConvertFaults, NamesInAnyScriptConvertWithoutALocale) {
  test::ScratchFolder tmp;
  std::vector<std::string> decks;
  for (const char* name : {"机器学习-第1讲.odp", "Übung 1.odp", "a b.c d.odp"}) {
    decks.push_back(work_ / name);
    fs::create_symlink(example_, decks.back());
  }
  CliOptions options;
  options.bare = true;
  options.tmpdir = tmp.path();
  std::vector<std::string> args = {"--output-dir", OutDir()};
  args.insert(args.end(), decks.begin(), decks.end());
  const CliRun run = RunCli(args, config_.path(), options);
  EXPECT_EQ(run.status, 0) << run.err;
  for (const char* movie : {"机器学习-第1讲.swf", "Übung 1.swf", "a b.c d.swf"}) {
    EXPECT_TRUE(fs::exists(out_ / movie)) << movie << "\n" << run.err;
  }
  ExpectNothingLeft(tmp.path(), OutDir());
}

TEST_F(ConvertFaults, FullDiskKeepsTheOlderMovieAndSaysWhichFile) {
  // A folder of slide pictures: the movie's own write is what hits the limit.
  std::string pictures = work_ / "pictures";
  fs::create_directories(pictures);
  for (int i = 1; i <= 3; ++i) {
    test::WriteSolidBmp(pictures + "/Slide" + std::to_string(i) + ".bmp", 320, 240, 40, 90, 200);
  }
  CliRun first = RunCli({"--output-dir", OutDir(), pictures}, config_.path());
  ASSERT_EQ(first.status, 0) << first.err;
  std::string older = test::ReadFile(out_ / "pictures.swf");
  std::string olderTwin = test::ReadFile(out_ / "pictures-html5.html");
  ASSERT_FALSE(olderTwin.empty());

  test::WriteSolidBmp(pictures + "/Slide2.bmp", 320, 240, 250, 10, 10);
  CliRun full = RunCli({"--output-dir", OutDir(), pictures}, config_.path(), older.size() / 2);
  EXPECT_EQ(full.status, 1) << full.err;
  EXPECT_NE(full.err.find(FormatMessage(msg::kFlashWriteFailed, out_ / "pictures.swf")), std::string::npos) << full.err;
  EXPECT_EQ(test::ReadFile(out_ / "pictures.swf"), older) << "the older movie was damaged";
  // The failed movie gets no twin: the older one stays as it was.
  EXPECT_EQ(test::ReadFile(out_ / "pictures-html5.html"), olderTwin);
  for (const std::string& name : test::FileNames(OutDir())) {
    EXPECT_TRUE(name == "pictures.swf" || name == "pictures.htm" || name == "pictures-html5.html" || name == "ruffle" ||
                name == "pictures-thumb.jpg" || name == "index.html")
        << "left behind: " << name;
  }
}

TEST_F(ConvertFaults, FullDiskDuringTheExportFailsClearlyAndLeavesNoLibreOffice) {
  test::ScratchFolder tmp;
  CliOptions options;
  options.fileSizeLimit = 64 * 1024;
  options.tmpdir = tmp.path();
  CliRun run = RunCli({"--output-dir", OutDir(), example_.string()}, config_.path(), options);
  EXPECT_EQ(run.status, 75) << "the run could not go through its list: " << run.err;
  // LibreOffice cannot even write its profile: the server cannot be started
  // (CO_E_SERVER_EXEC_FAILURE), which ends the batch with that question.
  EXPECT_NE(run.err.find("Orvanta: 您是否已经安装了 LibreOffice？ \n\n错误代码:0x80080005.\n"), std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(out_ / "orvanta-tour.swf"));
  EXPECT_FALSE(OfficeOfProgramRunning(run.pid));
  ExpectNothingLeft(tmp.path(), OutDir());
}

// An output folder that cannot be made, or that its user cannot write, is
// found before LibreOffice starts: one message with the system's reason.
TEST_F(ConvertFaults, AnOutputFolderThatCannotTakeTheMoviesIsRefusedBeforeAnyExport) {
  std::string blocker = work_ / "not-a-folder";
  std::ofstream(blocker) << "a file where the output folder should go";
  const uid_t nobody = 65534;
  std::string locked = work_ / "locked";
  fs::create_directories(locked);
  fs::permissions(work_.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  ASSERT_EQ(::chown(config_.path().c_str(), nobody, nobody), 0);
  struct Case {
    std::string folder;
    uid_t user;
    std::string says;
  };
  for (const Case& c : {Case{blocker + "/movies", 0, "cannot make the output folder " + blocker + "/movies: "},
                        Case{locked, nobody, "cannot write in the output folder " + locked + ": Permission denied"}}) {
    if (c.user != 0 && ::geteuid() != 0) continue;  // only root can become another user
    test::ScratchFolder tmp;
    ASSERT_EQ(::chown(tmp.path().c_str(), nobody, nobody), 0);
    CliOptions options;
    options.tmpdir = tmp.path();
    options.user = c.user;
    CliRun run = RunCli({"--output-dir", c.folder, example_.string(), example_.string()}, config_.path(), options);
    EXPECT_EQ(run.status, 75) << "nothing was converted: a retry may do better " << run.err;
    EXPECT_EQ(run.err, "Orvanta: " + c.says + (c.user == 0 ? "Not a directory\n" : "\n")) << "one message only";
    EXPECT_FALSE(OfficeOfProgramRunning(run.pid));
    EXPECT_EQ(test::FileNames(tmp.path()), std::vector<std::string>{}) << "left in the temporary folder";
  }
}

TEST_F(ConvertFaults, CtrlCDuringTheExportCancelsThatPresentationOnly) {
  fs::path deck = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt" / "41246-1.ppt";
  ORVANTA_NEEDS(fs::exists(deck), "the corpus presentation " + deck.string());
  // The status line of the slide export comes before the slides are written.
  CliRun run = RunCli({"--output-dir", OutDir(), deck.string(), example_.string()}, config_.path(), 0, "41246-1.ppt: ");
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("41246-1.ppt: cancelled"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(out_ / "41246-1.swf"));
  EXPECT_FALSE(fs::exists(out_ / "41246-1.htm"));
  EXPECT_TRUE(fs::exists(out_ / "orvanta-tour.swf")) << "the next presentation was not converted";
  EXPECT_FALSE(OfficeOfProgramRunning(run.pid));
}

// A Ctrl-C while LibreOffice is still starting and opening a large deck
// cancels in the middle of that call: it ends that LibreOffice, shows no
// message, and the next presentation converts on a fresh one.
TEST_F(ConvertFaults, CtrlCInTheMiddleOfALibreOfficeCallCancelsAtOnce) {
  fs::path deck = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt" / "23884_defense_FINAL_OOimport_edit.ppt";
  ORVANTA_NEEDS(fs::exists(deck), "the corpus presentation " + deck.string());
  CliOptions options;
  std::chrono::steady_clock::time_point sent{};
  std::chrono::steady_clock::duration took{};
  options.watch = [&](pid_t pid, const std::string& err) {
    if (sent == std::chrono::steady_clock::time_point{} && OfficeOfProgramRunning(pid)) {
      sent = std::chrono::steady_clock::now();
      ::kill(pid, SIGINT);
    }
    if (took == std::chrono::steady_clock::duration{} && err.find(": cancelled") != std::string::npos) {
      took = std::chrono::steady_clock::now() - sent;
    }
  };
  CliRun run =
      RunCli({"--output-dir", OutDir(), "--width", "2048", "--height", "1536", deck.string(), example_.string()},
             config_.path(), options);
  std::printf("the cancel came %lld ms after the Ctrl-C\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("23884_defense_FINAL_OOimport_edit.ppt: cancelled"), std::string::npos) << run.err;
  // A cancel shows no message: only the hint for a second Ctrl-C and the summary.
  std::istringstream lines(run.err);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("Orvanta: ")) continue;
    EXPECT_TRUE(line == "Orvanta: Ctrl-C again within 3 s stops the whole batch" ||
                line == "Orvanta: 1 converted, 0 failed, 1 cancelled")
        << line;
  }
  EXPECT_FALSE(fs::exists(out_ / "23884_defense_FINAL_OOimport_edit.swf"));
  EXPECT_TRUE(fs::exists(out_ / "orvanta-tour.swf")) << "the next presentation was not converted";
  EXPECT_FALSE(OfficeOfProgramRunning(run.pid));
}

// --verbose adds the reason behind each fixed message: the path with the
// system's reason, the picture decoder's error text. Without it the messages
// stand alone.
TEST_F(ConvertFaults, VerboseGivesTheReasonBehindEachMessage) {
  std::string missing = work_ / "gone.ppt";
  std::string pictures = work_ / "pictures";
  fs::create_directories(pictures);
  std::ofstream(pictures + "/Slide1.bmp") << "BM but not a picture";
  CliRun plain = RunCli({"--output-dir", OutDir(), missing, pictures}, config_.path());
  EXPECT_EQ(plain.status, 1) << plain.err;
  EXPECT_EQ(plain.err.find("because:"), std::string::npos) << plain.err;

  CliRun verbose = RunCli({"--verbose", "--output-dir", OutDir(), missing, pictures}, config_.path());
  EXPECT_EQ(verbose.status, 1) << verbose.err;
  const std::string sourceMessage = "Orvanta: " + FormatMessage(msg::kSourceMissing, missing) + "\n";
  EXPECT_NE(verbose.err.find(sourceMessage + "Orvanta:   because: " + missing + ": No such file or directory"),
            std::string::npos)
      << verbose.err;
  std::size_t load = verbose.err.find(FormatMessage(msg::kCannotLoadImage, pictures + "/Slide1.bmp"));
  ASSERT_NE(load, std::string::npos) << verbose.err;
  EXPECT_NE(verbose.err.find("Orvanta:   because: ", load), std::string::npos) << verbose.err;
}

// Each file that cannot be converted costs only itself, and its message says
// why, as LibreOffice or the file itself tells it: a password, not a
// presentation, damaged, empty, unreadable. The report carries the same
// message; --verbose adds LibreOffice's words and never our member names.
TEST_F(ConvertFaults, BadPresentationsFailAloneAndEachSaysWhy) {
  struct Row {
    std::string file;
    const char* message;
  };
  std::vector<Row> rows = {{work_ / "讲义 a.b.ppt", msg::kNotPresentation},
                           {work_ / "空白 a.b.pps", msg::kSourceEmpty}};
  test::WriteFile(rows[0].file, "This is a text file, not a slide show.\n");
  test::WriteFile(rows[1].file, "");
  if (::geteuid() != 0) {  // root reads every file
    rows.push_back({work_ / "锁住 a.b.ppt", msg::kSourceUnreadable});
    fs::copy_file(example_, rows.back().file);
    fs::permissions(rows.back().file, fs::perms::none);
  }
  const fs::path corpus = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt";
  for (const Row& row :
       {Row{corpus / "Password_Protected-hello.ppt", msg::kPasswordProtected},
        Row{corpus / "clusterfuzz-testcase-minimized-POIFuzzer-5429732352851968.ppt", msg::kPresentationDamaged}}) {
    ORVANTA_WANTS(fs::exists(row.file), "the corpus presentation " + row.file);
    if (fs::exists(row.file)) rows.push_back(row);
  }
  const std::string second = work_ / "second.odp";
  fs::copy_file(example_, second);
  const std::string report = work_ / "report.jsonl";
  std::vector<std::string> args = {"--language", "en",           "--verbose", "--report",
                                   report,       "--output-dir", OutDir(),    example_.string()};
  for (const Row& row : rows) args.push_back(row.file);
  args.push_back(second);
  test::ScratchFolder tmp;
  CliOptions options;
  options.tmpdir = tmp.path();
  CliRun run = RunCli(args, config_.path(), options);

  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.err.find("Presentations.Open"), std::string::npos) << run.err;
  CliOptions read;
  read.command = "report";
  std::string listed;
  read.out = &listed;
  EXPECT_EQ(RunCli({"--language", "en", report}, config_.path(), read).status, 1);
  ASSERT_TRUE(UseLanguage(UiLanguage::kEnglish)) << "no English catalog found";
  for (const Row& row : rows) {
    const std::string message = FormatMessage(row.message, row.file);
    const std::size_t at = run.err.find("Orvanta: " + message + "\nOrvanta:   because: ");
    EXPECT_NE(at, std::string::npos) << message << "\n" << run.err;
    EXPECT_NE(listed.find(row.file + "\tfailed\t" + message + "\n"), std::string::npos) << listed;
  }
  UseLanguage(UiLanguage::kChinese);
  const std::string password = corpus / "Password_Protected-hello.ppt";
  if (fs::exists(password)) {
    EXPECT_NE(run.err.find(password + " is protected by a password; remove the password and convert again"),
              std::string::npos);
  }
  EXPECT_TRUE(fs::exists(out_ / "orvanta-tour.swf"));
  EXPECT_TRUE(fs::exists(out_ / "second.swf")) << "the batch stopped at a bad file\n" << run.err;
  EXPECT_EQ(test::FileNames(tmp.path()), std::vector<std::string>{}) << "left in the temporary folder";
  EXPECT_FALSE(OfficeOfProgramRunning(run.pid));
}

// A presentation in a folder its user cannot write converts, and the folder
// stays as it was. Run as an ordinary user: root writes anywhere.
TEST_F(ConvertFaults, PresentationInAReadOnlyFolderConvertsForAnOrdinaryUser) {
  const uid_t nobody = 65534;
  ORVANTA_NEEDS(::geteuid() == 0, "root, to become another user");
  fs::permissions(work_.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  std::string shelf = work_ / "shelf";
  fs::create_directories(shelf);
  std::string deck = shelf + "/talk.odp";
  fs::copy_file(example_, deck);
  fs::permissions(deck, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(shelf, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
  std::string unreadable = shelf + "/secret.odp";
  // Made before the folder was closed: the owner only may read it.
  for (const std::string& folder : {config_.path(), out_.path()}) {
    ASSERT_EQ(::chown(folder.c_str(), nobody, nobody), 0);
  }
  test::ScratchFolder tmp;
  ASSERT_EQ(::chown(tmp.path().c_str(), nobody, nobody), 0);

  CliOptions options;
  options.user = nobody;
  options.tmpdir = tmp.path();
  // With the notes, whose slides are added to LibreOffice's copy.
  CliRun run = RunCli({"--notes", "--output-dir", OutDir(), deck}, config_.path(), options);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::exists(out_ / "talk.swf")) << run.err;
  EXPECT_EQ(test::FileNames(shelf), std::vector<std::string>{"talk.odp"}) << "the source folder was touched";
  EXPECT_FALSE(OfficeOfProgramRunning(run.pid));

  // A file its user may not read gets a message that says so.
  fs::permissions(shelf, fs::perms::owner_write, fs::perm_options::add);
  fs::copy_file(example_, unreadable);
  fs::permissions(unreadable, fs::perms::owner_read | fs::perms::owner_write);
  CliRun refused = RunCli({"--output-dir", OutDir(), unreadable}, config_.path(), options);
  EXPECT_EQ(refused.status, 1) << refused.err;
  EXPECT_NE(refused.err.find(FormatMessage(msg::kSourceUnreadable, unreadable)), std::string::npos) << refused.err;
  EXPECT_FALSE(OfficeOfProgramRunning(refused.pid));
}

// A presentation that another program holds locked (open in an office
// suite, or in a second run of ours) still converts.
TEST_F(ConvertFaults, PresentationLockedByAnotherProgramConverts) {
  const std::string deck = work_ / "locked.odp";
  fs::copy_file(example_, deck);
  const int fd = ::open(deck.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  ASSERT_EQ(::fcntl(fd, F_SETLK, &lock), 0) << std::strerror(errno);
  CliRun run = RunCli({"--output-dir", OutDir(), deck}, config_.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::exists(out_ / "locked.swf")) << run.err;
  lock.l_type = F_UNLCK;
  EXPECT_EQ(::fcntl(fd, F_SETLK, &lock), 0);
  ::close(fd);
}

// Two runs of the same presentation at once, to two output folders: each
// works in a folder of its own and both convert.
TEST_F(ConvertFaults, TwoRunsOfTheSamePresentationAtOnceBothConvert) {
  test::ScratchFolder secondOut, secondConfig, tmp;
  CliOptions options;
  options.tmpdir = tmp.path();
  CliRun first, second;
  std::thread other([&] {
    second = RunCli({"--output-dir", secondOut.path(), example_.string()}, secondConfig.path(), options);
  });
  first = RunCli({"--output-dir", OutDir(), example_.string()}, config_.path(), options);
  other.join();
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_TRUE(fs::exists(out_ / "orvanta-tour.swf"));
  EXPECT_TRUE(fs::exists(secondOut / "orvanta-tour.swf"));
  EXPECT_EQ(test::FileNames(tmp.path()), std::vector<std::string>{}) << "left in the temporary folder";
  EXPECT_FALSE(OfficeOfProgramRunning(first.pid));
  EXPECT_FALSE(OfficeOfProgramRunning(second.pid));
}

// A LibreOffice that stops answering in the middle of an export (SIGSTOP)
// costs that presentation after the time limit; the next one converts on a
// fresh LibreOffice.
TEST_F(ConvertFaults, HungLibreOfficeIsEndedAtTheTimeLimitAndTheNextFileConverts) {
  fs::path deck = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt" / "41246-1.ppt";
  ORVANTA_NEEDS(fs::exists(deck), "the corpus presentation " + deck.string());
  test::ScratchFolder tmp;
  CliOptions options;
  options.tmpdir = tmp.path();
  std::vector<pid_t> stopped;
  // The status line of the slide export comes before the slides are written.
  options.watch = [&](pid_t program, const std::string& err) {
    if (!stopped.empty() || err.find("41246-1.ppt: ") == std::string::npos) return;
    stopped = OfficeProcessesOf(program);
    for (pid_t pid : stopped) ::kill(pid, SIGSTOP);
  };
  const int limit = 40;
  auto started = std::chrono::steady_clock::now();
  CliRun run =
      RunCli({"--time-limit", std::to_string(limit), "--output-dir", OutDir(), deck.string(), example_.string()},
             config_.path(), options);
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ASSERT_FALSE(stopped.empty()) << run.err;
  EXPECT_EQ(run.status, 1) << run.err;
  std::string message = FormatMessage(FormatMessage(msg::kTimeLimitExceeded, limit), deck.string());
  EXPECT_NE(run.err.find("Orvanta: " + message), std::string::npos) << run.err;
  EXPECT_GE(seconds, limit);
  EXPECT_FALSE(fs::exists(out_ / "41246-1.swf"));
  EXPECT_TRUE(fs::exists(out_ / "orvanta-tour.swf")) << "the next presentation was not converted\n" << run.err;
  EXPECT_EQ(test::FileNames(tmp.path()), std::vector<std::string>{}) << "left in the temporary folder";
  for (pid_t pid : stopped) EXPECT_NE(::kill(pid, 0), 0) << "stopped LibreOffice process " << pid << " lives on";
  EXPECT_FALSE(OfficeOfProgramRunning(run.pid));
}

// A run killed outright leaves its LibreOffice's pipe socket and profile;
// the next run of the program sweeps them away.
TEST_F(ConvertFaults, KilledRunLeavesNothingOnceTheProgramStartsAgain) {
  test::ScratchFolder tmp;
  CliOptions options;
  options.tmpdir = tmp.path();
  std::vector<std::string> socketsBeforeKill;
  std::vector<pid_t> office;
  options.watch = [&](pid_t program, const std::string& err) {
    if (!socketsBeforeKill.empty() || err.find("orvanta-tour.odp: ") == std::string::npos) return;
    socketsBeforeKill = PipeSocketsOf(program);
    office = OfficeProcessesOf(program);
    ::kill(program, SIGKILL);
  };
  CliRun killed = RunCli({"--output-dir", OutDir(), example_.string()}, config_.path(), options);
  ASSERT_EQ(killed.status, -1) << killed.err;
  EXPECT_FALSE(socketsBeforeKill.empty()) << "no pipe socket seen while LibreOffice ran";
  // The watchdog ends LibreOffice when its program dies: every process of it
  // goes, not only its command line.
  auto gone = [&] { return std::all_of(office.begin(), office.end(), [](pid_t pid) { return ::kill(pid, 0) != 0; }); };
  for (int i = 0; i < 100 && !gone(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(gone());

  CliRun next = RunCli({"--output-dir", OutDir(), example_.string()}, config_.path(), options);
  EXPECT_EQ(next.status, 0) << next.err;
  EXPECT_EQ(PipeSocketsOf(killed.pid), std::vector<std::string>{});
  EXPECT_EQ(PipeSocketsOf(next.pid), std::vector<std::string>{});
  EXPECT_EQ(test::FileNames(tmp.path()), std::vector<std::string>{}) << "left in the temporary folder";
}

// Parallel runs: the same files as a serial run, byte for byte, the same exit
// status, each message whole and named after its file, no LibreOffice left.

// The processes of every LibreOffice that a program of ours started with
// `tmpdir` as its temporary folder. Other tests run beside this one and
// start LibreOffices of their own, so only this test's are counted.
std::set<pid_t> OfficeProcessesUnder(const std::string& tmpdir) {
  const std::vector<pid_t> pids = ProcessesWhoseCommandHas(tmpdir + "/orvanta-office-");
  return std::set<pid_t>(pids.begin(), pids.end());
}

std::vector<std::string> Keys(const std::map<std::string, std::string>& files) {
  std::vector<std::string> keys;
  for (const auto& [name, bytes] : files) keys.push_back(name);
  return keys;
}

TEST_F(ConvertFaults, TwoWorkersLeaveWhatOneLeaves) {
  const fs::path corpus = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt";
  ORVANTA_NEEDS(fs::exists(corpus / "SampleShow.ppt"), "the corpus in " + corpus.string());
  // A second "SampleShow" from another folder shares every output name with
  // the first: the later one in the list must win, as in a serial run.
  const fs::path again = fs::path(work_.path()) / "again" / "SampleShow.odp";
  fs::create_directories(again.parent_path());
  fs::copy_file(example_, again);
  const std::vector<std::string> files = {(corpus / "SampleShow.ppt").string(),
                                          (corpus / "Password_Protected-hello.ppt").string(),
                                          (corpus / "42486.ppt").string(), example_.string(), again.string()};
  test::ScratchFolder serialOut, parallelOut, tmp;
  CliOptions options;
  options.tmpdir = tmp.path();
  std::vector<std::string> serialArgs = {"--output-dir", serialOut.path()};
  serialArgs.insert(serialArgs.end(), files.begin(), files.end());
  std::vector<std::string> parallelArgs = {"--jobs", "2", "--output-dir", parallelOut.path()};
  parallelArgs.insert(parallelArgs.end(), files.begin(), files.end());
  const CliRun serial = RunCli(serialArgs, config_.path(), options);
  const CliRun parallel = RunCli(parallelArgs, config_.path(), options);

  EXPECT_EQ(serial.status, 1) << serial.err;
  EXPECT_EQ(parallel.status, serial.status) << parallel.err;
  const auto serialFiles = FilesUnder(serialOut.path());
  const auto parallelFiles = FilesUnder(parallelOut.path());
  EXPECT_EQ(Keys(parallelFiles), Keys(serialFiles));
  for (const auto& [name, bytes] : serialFiles) {
    auto other = parallelFiles.find(name);
    if (other != parallelFiles.end() && name != "index.html") {  // the index page names its own folder
      EXPECT_TRUE(other->second == bytes) << name << " differs";
    }
  }
  EXPECT_TRUE(serialFiles.count("SampleShow.swf") && serialFiles.count("42486.swf") &&
              serialFiles.count("orvanta-tour.swf"));
  // The message of the file LibreOffice cannot open, whole, after its file.
  const std::string encrypted = (corpus / "Password_Protected-hello.ppt").string();
  const std::string message = FormatMessage(msg::kPasswordProtected, encrypted);
  EXPECT_NE(serial.err.find("\nOrvanta: " + message + "\n"), std::string::npos) << serial.err;
  EXPECT_NE(parallel.err.find("\n" + encrypted + ": " + message + "\n"), std::string::npos) << parallel.err;
  EXPECT_EQ(OfficeProcessesUnder(tmp.path()), std::set<pid_t>{}) << "a LibreOffice lives on";
  EXPECT_EQ(test::FileNames(tmp.path()), std::vector<std::string>{}) << "left in the temporary folder";
}

// Ctrl-C cancels every entry being converted; the entries after them go on.
TEST_F(ConvertFaults, CtrlCWithTwoWorkersCancelsBothRunningEntriesOnly) {
  const fs::path corpus = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt";
  ORVANTA_NEEDS(fs::exists(corpus / "41246-1.ppt"), "the corpus in " + corpus.string());
  test::ScratchFolder tmp;
  CliOptions options;
  options.tmpdir = tmp.path();
  options.interruptOn = "42486.ppt: ";
  const std::string first = (corpus / "41246-1.ppt").string();
  const std::string second = (corpus / "42486.ppt").string();
  // Both workers have begun their export when the second one says so.
  CliRun run =
      RunCli({"--jobs", "2", "--output-dir", OutDir(), first, second, example_.string()}, config_.path(), options);
  EXPECT_EQ(run.status, 1) << run.err;
  const bool firstCancelled = run.err.find("41246-1.ppt: cancelled") != std::string::npos;
  const bool secondCancelled = run.err.find("42486.ppt: cancelled") != std::string::npos;
  EXPECT_TRUE(firstCancelled || secondCancelled) << run.err;
  EXPECT_EQ(fs::exists(out_ / "41246-1.swf"), !firstCancelled) << run.err;
  EXPECT_EQ(fs::exists(out_ / "42486.swf"), !secondCancelled) << run.err;
  EXPECT_TRUE(fs::exists(out_ / "orvanta-tour.swf")) << "the next presentation was not converted\n" << run.err;
  EXPECT_EQ(OfficeProcessesUnder(tmp.path()), std::set<pid_t>{}) << "a LibreOffice lives on";
  EXPECT_EQ(test::FileNames(tmp.path()), std::vector<std::string>{}) << "left in the temporary folder";
}

// A worker of a parallel run, started by hand: the entries go to `input`,
// its events come from `events`.
struct WorkerRun {
  pid_t pid = 0;
  int input = -1;
  int events = -1;
};

// `pendingCtrlC`: a Ctrl-C is already waiting when the worker starts, held
// back as the parent starts its workers.
WorkerRun StartWorker(const std::string& configHome, const std::string& outDir, bool pendingCtrlC) {
  std::vector<std::string> env = CliEnvironment(configHome, "");
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argStrings = {ORVANTA_CLI, "convert", "--output-dir", outDir, "--worker-fd", "3"};
  std::vector<char*> argv;
  for (auto& a : argStrings) argv.push_back(a.data());
  argv.push_back(nullptr);
  int input[2];
  int events[2];
  if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(events, O_CLOEXEC) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(input[0], STDIN_FILENO);
    ::dup2(events[1], 3);
    const int devnull = ::open("/dev/null", O_WRONLY);
    ::dup2(devnull, STDOUT_FILENO);
    ::dup2(devnull, STDERR_FILENO);
    sigset_t interrupt;
    ::sigemptyset(&interrupt);
    ::sigaddset(&interrupt, SIGINT);
    ::sigprocmask(SIG_BLOCK, &interrupt, nullptr);
    if (pendingCtrlC) ::raise(SIGINT);  // held back, it stays pending through exec
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(input[0]);
  ::close(events[1]);
  return {pid, input[1], events[0]};
}

void SendEntry(const WorkerRun& worker, const std::string& path) {
  const std::string entry = path + '\0';
  ASSERT_EQ(::write(worker.input, entry.data(), entry.size()), static_cast<ssize_t>(entry.size()));
}

// Reads the worker's events into `said` until it holds `until` (when given)
// or the pipe ends.
void ReadEvents(const WorkerRun& worker, std::string& said, const std::string& until = "") {
  char buffer[512];
  ssize_t n;
  while ((until.empty() || said.find(until) == std::string::npos) &&
         (n = ::read(worker.events, buffer, sizeof buffer)) > 0) {
    said.append(buffer, static_cast<std::size_t>(n));
  }
}

// A worker is started with Ctrl-C held back. One passed on to it before its
// handler is in place must wait for the handler and cancel the entry it was
// meant for, not end the worker nor be forgotten.
TEST_F(ConvertFaults, WorkerTakesACtrlCThatCameWhileItStarted) {
  const WorkerRun worker = StartWorker(config_.path(), OutDir(), true);
  ASSERT_GT(worker.pid, 0);
  SendEntry(worker, example_.string());
  ::close(worker.input);
  std::string said = "\n";  // every event then starts after a newline
  ReadEvents(worker, said);
  ::close(worker.events);
  int status = 0;
  ::waitpid(worker.pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "the worker was ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(said.find("\ncancelled\n"), std::string::npos) << said;
  EXPECT_NE(said.find("\ndone 0\n"), std::string::npos) << said;
  EXPECT_FALSE(fs::exists(out_ / "orvanta-tour.swf"));
}

// A Ctrl-C that the parent passed on for an entry the worker has just
// finished: the worker lives on, and the next entry converts.
TEST_F(ConvertFaults, CtrlCForAFinishedEntryCancelsNothingElse) {
  const std::string second = work_ / "second.odp";
  fs::copy_file(example_, second);
  const WorkerRun worker = StartWorker(config_.path(), OutDir(), false);
  ASSERT_GT(worker.pid, 0);
  SendEntry(worker, example_.string());
  std::string said = "\n";
  ReadEvents(worker, said, "\ndone ");
  sigval first{};
  first.sival_int = 1;  // the parent's tag: the worker's first entry
  ASSERT_EQ(::sigqueue(worker.pid, SIGINT, first), 0);
  SendEntry(worker, second);
  ::close(worker.input);
  ReadEvents(worker, said);
  ::close(worker.events);
  int status = 0;
  ::waitpid(worker.pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "the worker was ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(said.find("\ncancelled\n"), std::string::npos) << said;
  EXPECT_TRUE(fs::exists(out_ / "second.swf")) << said;
}

// Runs that are stopped, or lose a worker, account for every entry and leave
// nothing behind. The long presentation gives the signals time to land in
// the middle of its export.

// The child of `program` that holds `path` open: the worker converting the
// presentation whose working folder lock that is.
pid_t WorkerHolding(pid_t program, const std::string& path) {
  std::error_code ec;
  for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream statFile(it->path() / "stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos || std::atol(stat.c_str() + close + 4) != program) continue;
    std::error_code fdError;
    for (fs::directory_iterator fd(it->path() / "fd", fdError), last; !fdError && fd != last; fd.increment(fdError)) {
      std::error_code linkError;
      if (fs::read_symlink(fd->path(), linkError).string() == path) {
        return static_cast<pid_t>(std::atol(it->path().filename().c_str()));
      }
    }
  }
  return 0;
}

class StoppedRuns : public ConvertFaults {
 protected:
  void SetUp() override {
    ConvertFaults::SetUp();
    if (IsSkipped()) return;
    ORVANTA_NEEDS(fs::exists(longDeck_), "the corpus presentation " + longDeck_.string());
    options_.tmpdir = tmp_.path();
  }
  const fs::path corpus_ = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt";
  const fs::path longDeck_ = corpus_ / "bug56240.ppt";  // 105 slides
  const std::string exporting_ = "bug56240.ppt: 1%";
  test::ScratchFolder tmp_;
  CliOptions options_;
};

TEST_F(StoppedRuns, KilledWorkerCostsOnlyItsEntry) {
  const std::vector<std::string> others = {(corpus_ / "SampleShow.ppt").string(), (corpus_ / "42486.ppt").string(),
                                           (corpus_ / "basic_test_ppt_file.ppt").string(), example_.string()};
  pid_t killed = 0;
  options_.watch = [&](pid_t program, const std::string& err) {
    if (killed != 0 || err.find(exporting_) == std::string::npos) return;
    killed = WorkerHolding(program, tmp_.path() + "/bug56240_zzz_.lock");
    if (killed != 0) ::kill(killed, SIGKILL);
  };
  std::vector<std::string> args = {"--jobs", "2", "--output-dir", OutDir(), longDeck_.string()};
  args.insert(args.end(), others.begin(), others.end());
  const CliRun run = RunCli(args, config_.path(), options_);
  ASSERT_NE(killed, 0) << run.err;
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find(longDeck_.string() + ": the worker converting this file ended unexpectedly"),
            std::string::npos)
      << run.err;
  for (const std::string& other : others) {
    EXPECT_TRUE(fs::exists(out_ / (fs::path(other).stem().string() + ".swf"))) << other << "\n" << run.err;
  }
  ExpectNothingLeft(tmp_.path(), OutDir());
}

// Everything the run started ends, and the run ends by the same signal.
TEST_F(StoppedRuns, TermAndHangupEndAParallelRunAndAllItStarted) {
  for (const int signal : {SIGTERM, SIGHUP}) {
    test::ScratchFolder out;
    bool sent = false;
    options_.watch = [&](pid_t program, const std::string& err) {
      if (sent || err.find(exporting_) == std::string::npos) return;
      sent = ::kill(program, signal) == 0;
    };
    const CliRun run = RunCli({"--jobs", "2", "--output-dir", out.path(), longDeck_.string(),
                               (corpus_ / "pp40only.ppt").string(), example_.string()},
                              config_.path(), options_);
    const std::vector<std::string> atTheEnd = out.Names();
    ASSERT_TRUE(sent) << run.err;
    EXPECT_EQ(run.signal, signal) << run.err;
    // The workers and their guardians are gone before the run ends.
    EXPECT_EQ(ProcessesWhoseCommandHas(out.path()), std::vector<pid_t>{}) << "workers live on";
    ExpectNothingLeft(tmp_.path(), out.path());
    EXPECT_EQ(out.Names(), atTheEnd) << "written after the run ended";
  }
}

// The export is under way: its slide pictures are in the working folder.
TEST_F(StoppedRuns, CtrlCInTheMiddleOfTheExportLeavesNoWorkingFolder) {
  options_.interruptOn = exporting_;
  const CliRun run = RunCli({"--output-dir", OutDir(), longDeck_.string()}, config_.path(), options_);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("bug56240.ppt: cancelled"), std::string::npos) << run.err;
  ExpectNothingLeft(tmp_.path(), OutDir());
}

// As a shell ends a job: SIGTERM to the program's whole process group.
TEST_F(StoppedRuns, TermToTheProcessGroupOfASerialRunLeavesNoLibreOffice) {
  options_.ownGroup = true;
  bool sent = false;
  options_.watch = [&](pid_t program, const std::string& err) {
    if (sent || err.find(exporting_) == std::string::npos) return;
    sent = ::kill(-program, SIGTERM) == 0;
  };
  const CliRun run =
      RunCli({"--output-dir", OutDir(), longDeck_.string(), example_.string()}, config_.path(), options_);
  ASSERT_TRUE(sent) << run.err;
  EXPECT_EQ(run.signal, SIGTERM) << run.err;
  ExpectNothingLeft(tmp_.path(), OutDir());
}

// The first start keeps LibreOffice's extension registration in the user's
// cache; later starts plant it in their fresh profile. A damaged seed costs
// only time.
TEST_F(ConvertFaults, ExtensionRegistrationIsKeptForLaterStarts) {
  CliRun first = RunCli({"--output-dir", OutDir(), example_.string()}, config_.path());
  ASSERT_EQ(first.status, 0) << first.err;
  std::vector<fs::path> seeds;
  const fs::path cache = fs::path(config_.path()) / ".cache" / "orvanta";
  for (const auto& entry : fs::directory_iterator(cache)) seeds.push_back(entry.path());
  ASSERT_EQ(seeds.size(), 1u);
  EXPECT_EQ(seeds[0].filename().string().rfind("office-extensions-", 0), 0u) << seeds[0];
  EXPECT_TRUE(fs::is_regular_file(seeds[0] / "buildid"));
  EXPECT_FALSE(fs::exists(seeds[0] / "tmp"));

  std::ofstream(seeds[0] / "buildid", std::ios::trunc) << "not a build id";
  fs::remove(out_ / "orvanta-tour.swf");
  CliRun damaged = RunCli({"--output-dir", OutDir(), example_.string()}, config_.path());
  EXPECT_EQ(damaged.status, 0) << damaged.err;
  EXPECT_TRUE(fs::exists(out_ / "orvanta-tour.swf"));
}

}  // namespace
}  // namespace orv
