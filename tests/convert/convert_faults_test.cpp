// The command line against faults, through the real LibreOffice: a missing
// source, a full disk, an output folder that cannot be made, and a cancel
// during the export. Each gives its message, loses no earlier output and
// leaves no LibreOffice behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "base/messages.h"
#include "base/notifier.h"
#include "support/test_files.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;  // exit status, or -1 when killed by a signal
  std::string err;
  pid_t pid = 0;
};

// Runs orvanta-cli with `args`. `fileSizeLimit` > 0 limits the size of every
// file it (and LibreOffice) may write; `interruptOn` sends one Ctrl-C as soon
// as standard error shows that text.
CliRun RunCli(const std::vector<std::string>& args, const std::string& configHome, rlim_t fileSizeLimit = 0,
              const std::string& interruptOn = "") {
  int pipefd[2];
  if (::pipe(pipefd) != 0) return {};
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipefd[1], STDERR_FILENO);
    int devnull = ::open("/dev/null", O_RDWR);
    ::dup2(devnull, STDIN_FILENO);
    ::close(pipefd[0]);
    ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    if (fileSizeLimit > 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{fileSizeLimit, fileSizeLimit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(ORVANTA_CLI));
    argv.push_back(const_cast<char*>("convert"));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(ORVANTA_CLI, argv.data());
    ::_exit(127);
  }
  ::close(pipefd[1]);
  CliRun run;
  run.pid = pid;
  bool interrupted = interruptOn.empty();
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(pipefd[0], buffer, sizeof buffer)) > 0) {
    run.err.append(buffer, static_cast<std::size_t>(n));
    if (!interrupted && run.err.find(interruptOn) != std::string::npos) {
      ::kill(pid, SIGINT);
      interrupted = true;
    }
  }
  ::close(pipefd[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// A LibreOffice started for the program with that pid carries the pid in its
// private profile's name.
bool OfficeOfProgramRunning(pid_t program) {
  const std::string marker = "orvanta-office-" + std::to_string(program) + "-";
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream cmdline(entry.path() / "cmdline", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    if (text.find(marker) != std::string::npos) return true;
  }
  return false;
}

bool OfficeAvailable() { return fs::exists("/usr/lib/libreoffice/program/soffice"); }

class ConvertFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OfficeAvailable()) GTEST_SKIP() << "LibreOffice is not installed";
    example_ = fs::path(ORVANTA_SOURCE_DIR) / "examples" / "orvanta-tour.odp";
    ASSERT_TRUE(fs::exists(example_));
  }
  std::string OutDir() const { return out_.path(); }

  testfiles::Scratch config_, out_, work_;
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

TEST_F(ConvertFaults, FullDiskKeepsTheOlderMovieAndSaysWhichFile) {
  // A folder of slide pictures: the movie's own write is what hits the limit.
  std::string pictures = work_ / "pictures";
  fs::create_directories(pictures);
  for (int i = 1; i <= 3; ++i) {
    testfiles::WriteSolidBmp(pictures + "/Slide" + std::to_string(i) + ".bmp", 320, 240, 40, 90, 200);
  }
  CliRun first = RunCli({"--output-dir", OutDir(), pictures}, config_.path());
  ASSERT_EQ(first.status, 0) << first.err;
  std::string older = testfiles::ReadText(out_ / "pictures.swf");
  std::string olderTwin = testfiles::ReadText(out_ / "pictures-html5.html");
  ASSERT_FALSE(olderTwin.empty());

  testfiles::WriteSolidBmp(pictures + "/Slide2.bmp", 320, 240, 250, 10, 10);
  CliRun full = RunCli({"--output-dir", OutDir(), pictures}, config_.path(), older.size() / 2);
  EXPECT_EQ(full.status, 1) << full.err;
  EXPECT_NE(full.err.find(FormatMessage(msg::kFlashWriteFailed, out_ / "pictures.swf")), std::string::npos)
      << full.err;
  EXPECT_EQ(testfiles::ReadText(out_ / "pictures.swf"), older) << "the older movie was damaged";
  // The failed movie gets no twin: the older one stays as it was.
  EXPECT_EQ(testfiles::ReadText(out_ / "pictures-html5.html"), olderTwin);
  for (const std::string& name : testfiles::FileNames(OutDir())) {
    EXPECT_TRUE(name == "pictures.swf" || name == "pictures.htm" || name == "pictures-html5.html" || name == "ruffle")
        << "left behind: " << name;
  }
}

TEST_F(ConvertFaults, FullDiskDuringTheExportFailsClearlyAndLeavesNoLibreOffice) {
  CliRun run = RunCli({"--output-dir", OutDir(), example_.string()}, config_.path(), 64 * 1024);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("Orvanta: "), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(out_ / "orvanta-tour.swf"));
  EXPECT_FALSE(OfficeOfProgramRunning(run.pid));
}

TEST_F(ConvertFaults, OutputFolderThatCannotBeMadeNamesTheMovie) {
  std::string blocker = work_ / "not-a-folder";
  std::ofstream(blocker) << "a file where the output folder should go";
  std::string outDir = blocker + "/movies";
  CliRun run = RunCli({"--output-dir", outDir, example_.string()}, config_.path());
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find(FormatMessage(msg::kFlashWriteFailed, outDir + "/orvanta-tour.swf")), std::string::npos)
      << run.err;
  EXPECT_FALSE(OfficeOfProgramRunning(run.pid));
}

TEST_F(ConvertFaults, CtrlCDuringTheExportCancelsThatPresentationOnly) {
  fs::path deck = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt" / "41246-1.ppt";
  if (!fs::exists(deck)) GTEST_SKIP() << "no corpus beside the checkout";
  // The status line of the slide export comes before the slides are written.
  CliRun run = RunCli({"--output-dir", OutDir(), deck.string(), example_.string()}, config_.path(), 0,
                      "41246-1.ppt: ");
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("41246-1.ppt: cancelled"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(out_ / "41246-1.swf"));
  EXPECT_FALSE(fs::exists(out_ / "41246-1.htm"));
  EXPECT_TRUE(fs::exists(out_ / "orvanta-tour.swf")) << "the next presentation was not converted";
  EXPECT_FALSE(OfficeOfProgramRunning(run.pid));
}

}  // namespace
}  // namespace orv
