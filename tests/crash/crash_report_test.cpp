#include "base/crash_report.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orv {
namespace {

TEST(CrashReportPath, ReplacesOrAppendsTheExtensionButNeverNamesTheProgram) {
  EXPECT_EQ(CrashReportPath("/opt/tools/orvanta.exe"), "/opt/tools/orvanta.RPT");
  // Only the first three characters after the dot are overwritten; the path ends there.
  EXPECT_EQ(CrashReportPath("/opt/tools/orvanta.binary"), "/opt/tools/orvanta.RPT");
  // No extension, or one too short to replace: ".RPT" is appended.
  EXPECT_EQ(CrashReportPath("/usr/bin/orvanta"), "/usr/bin/orvanta.RPT");
  EXPECT_EQ(CrashReportPath("/usr/bin/orvanta.x"), "/usr/bin/orvanta.x.RPT");
  EXPECT_EQ(CrashReportPath("/usr/bin/orvanta."), "/usr/bin/orvanta..RPT");
  // A dot in a folder name is not an extension of the program.
  EXPECT_EQ(CrashReportPath("/home/me/build.dir/orvanta"), "/home/me/build.dir/orvanta.RPT");
  for (const char* program : {"/a/b.exe", "/a/b", "/a/b.c", "/a.d/b"}) {
    EXPECT_NE(CrashReportPath(program), program);
  }
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int RunProbe(const std::string& how) {
  std::string command = std::string("'") + CRASH_PROBE + "' " + how + " 2>/dev/null";
  return std::system(command.c_str());
}

std::vector<std::string> SplitReports(const std::string& text) {
  const std::string separator = "//=====================================================\n";
  std::vector<std::string> reports;
  std::size_t at = text.find(separator);
  while (at != std::string::npos) {
    std::size_t next = text.find(separator, at + separator.size());
    reports.push_back(text.substr(at, next == std::string::npos ? std::string::npos : next - at));
    at = next;
  }
  return reports;
}

TEST(CrashReporter, TwoCrashesLeaveTwoReportsInOrderAndTheSignalStillKills) {
  const std::string report = CrashReportPath(CRASH_PROBE);
  std::filesystem::remove(report);

  int first = RunProbe("segv");
  int second = RunProbe("fpe");
  // The signal went on to the default disposition: the probe died of it.
  ASSERT_TRUE(WIFSIGNALED(first) || (WIFEXITED(first) && WEXITSTATUS(first) >= 128)) << first;
  ASSERT_TRUE(WIFSIGNALED(second) || (WIFEXITED(second) && WEXITSTATUS(second) >= 128)) << second;

  std::vector<std::string> reports = SplitReports(ReadAll(report));
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[0].find("Exception code: C0000005 ACCESS_VIOLATION\n"), std::string::npos) << reports[0];
  EXPECT_NE(reports[1].find("Exception code: C0000094 INT_DIVIDE_BY_ZERO\n"), std::string::npos) << reports[1];

  for (const std::string& text : reports) {
    EXPECT_NE(text.find("Fault address:  "), std::string::npos);
    EXPECT_NE(text.find("\nRegisters:\nRAX:"), std::string::npos);
    EXPECT_NE(text.find("\nCS:RIP:"), std::string::npos);
    EXPECT_NE(text.find("\nSS:RSP:"), std::string::npos);
    EXPECT_NE(text.find("\nFlags:"), std::string::npos);
    EXPECT_NE(text.find("\nCall stack:\nAddress           Frame\n"), std::string::npos);
    // The fault lies in the probe's code section, so it has a logical address.
    EXPECT_NE(text.find(CRASH_PROBE), std::string::npos) << text;
  }
  // The faulting functions are named on the stack.
  EXPECT_NE(reports[0].find("ProbeWriteThroughNull+"), std::string::npos) << reports[0];
  EXPECT_NE(reports[1].find("ProbeDivide+"), std::string::npos) << reports[1];
  std::filesystem::remove(report);
}

TEST(CrashReporter, AbortIsReportedWithTheSignalsOwnName) {
  const std::string report = CrashReportPath(CRASH_PROBE);
  std::filesystem::remove(report);
  int status = RunProbe("abort");
  ASSERT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) >= 128));
  std::string text = ReadAll(report);
  EXPECT_NE(text.find("Exception code: 00000006 "), std::string::npos) << text;
  std::filesystem::remove(report);
}

}  // namespace
}  // namespace orv
