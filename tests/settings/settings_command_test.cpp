// Drives the built orvanta-cli binary: `settings` against a store of its own.
#include <gtest/gtest.h>

#include "support/needs.h"

#include <sys/wait.h>
#include <cstdio>
#include <filesystem>

#include "cli_shell.h"
#include "settings/settings_store.h"
#include "settings/settings_values.h"
#include "support/files.h"

namespace orv {
namespace {

using test::ReadFile;
using test::ScratchFolder;

using test::CliRun;

class SettingsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { ORVANTA_NEEDS(std::filesystem::exists(cli_), "orvanta-cli, built at " + cli_); }

  // Arguments are quoted for the shell; none of them holds a single quote.
  // The messages are the original Chinese ones, whatever the locale.
  CliRun Cli(const std::vector<std::string>& args) {
    return test::RunCliInShell("'" + cli_ + "' --language zh settings --store '" + store_ + "'", args, folder_.path());
  }

  ScratchFolder folder_;
  std::string store_ = folder_ / "cfg/Orvanta.json";
  std::string cli_ = test::CliPath();
};

TEST_F(SettingsCommandTest, ListOnAnEmptyStoreShowsEveryValueWithItsDefault) {
  CliRun run = Cli({"list"});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const auto& setting : SettingTable()) {
    std::string name(setting.kind == SettingKind::Text ? setting.name : setting.field);
    auto line = run.out.find("\n" + name);
    ASSERT_NE(line, std::string::npos) << name << "\n" << run.out;
    std::string rest = run.out.substr(line + 1, run.out.find('\n', line + 1) - line - 1);
    if (setting.kind == SettingKind::Integer) {
      std::string value = SettingNumberText(setting, setting.defaultValue);
      EXPECT_NE(rest.find(" " + value + " "), std::string::npos) << rest;
    } else {
      const std::string text = setting.field == "OutputFolder" ? DefaultOutputFolder()
                               : setting.field == "Language"   ? "auto"
                                                               : "\"\"";
      EXPECT_NE(rest.find("(default " + text + ")"), std::string::npos) << rest;
    }
  }
  EXPECT_NE(run.out.find("\"延迟 \""), std::string::npos) << "the stored name shows its blank";
  EXPECT_FALSE(std::filesystem::exists(store_));
}

TEST_F(SettingsCommandTest, SetAndGetRoundTripThroughTheJsonFile) {
  EXPECT_EQ(Cli({"set", "Width", "800"}).status, 0);
  EXPECT_EQ(Cli({"set", "Delay", "12"}).status, 0);
  EXPECT_EQ(Cli({"set", "OutputDir", "/srv/movies"}).status, 0);
  EXPECT_EQ(Cli({"get", "Width"}).out, "800\n");
  EXPECT_EQ(Cli({"get", "延迟 "}).out, "12\n");
  EXPECT_EQ(Cli({"get", "outputfolder"}).out, "/srv/movies\n");

  SettingsStore store(store_);
  EXPECT_EQ(store.GetInt("Width", 0), 800);
  EXPECT_EQ(store.GetInt("延迟 ", 0), 12);
  EXPECT_NE(ReadFile(store_).find("\"延迟 \": 12"), std::string::npos);

  EXPECT_EQ(Cli({"reset"}).status, 0);
  EXPECT_EQ(Cli({"get", "Width"}).out, "640\n");
}

TEST_F(SettingsCommandTest, BadUsageExitsWithTwoAndLeavesTheStoreAlone) {
  ASSERT_EQ(Cli({"set", "Width", "1024"}).status, 0);
  std::string before = ReadFile(store_);

  CliRun range = Cli({"set", "Width", "15"});
  EXPECT_EQ(range.status, 2);
  EXPECT_EQ(range.err, "Orvanta: 请输入一个16到2048间的整数\n");
  CliRun interval = Cli({"set", "Delay", "-1"});
  EXPECT_EQ(interval.status, 2);
  EXPECT_EQ(interval.err, "Orvanta: 请输入一正整数\n");
  EXPECT_EQ(Cli({"set", "Bogus", "1"}).status, 2);
  EXPECT_EQ(Cli({"get", "延迟"}).status, 2);
  EXPECT_EQ(Cli({"get"}).status, 2);
  EXPECT_EQ(Cli({"frobnicate"}).status, 2);
  EXPECT_EQ(Cli({"--bogus", "list"}).status, 2);
  EXPECT_EQ(ReadFile(store_), before);

  CliRun help = Cli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("settings"), std::string::npos);
}

// The list says what each value does now and which convert option sets it;
// the whole text is pinned in settings_list.golden.
TEST_F(SettingsCommandTest, ListExplainsEveryValueAndItsOption) {
  for (const auto& [name, value] :
       std::initializer_list<std::pair<const char*, const char*>>{{"ShowNav", "0"},
                                                                  {"UsePptTime", "1"},
                                                                  {"JpgQlt", "75"},
                                                                  {"Delay", "12"},
                                                                  {"TimeLimit", "0"},
                                                                  {"UnProtect", "7"},
                                                                  {"WebPlayerUrl", "/shared/ruffle/"},
                                                                  {"OutputDir", "/srv/movies"}}) {
    ASSERT_EQ(Cli({"set", name, value}).status, 0) << name;
  }
  CliRun run = Cli({"list"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::string golden = ReadFile(std::string(ORVANTA_SOURCE_DIR) + "/tests/settings/settings_list.golden");
  const std::string mark = "@DEFAULT_OUTPUT_FOLDER@";
  golden.replace(golden.find(mark), mark.size(), DefaultOutputFolder());
  EXPECT_EQ(run.out, golden);

  EXPECT_EQ(Cli({"get", "ShowNav", "--explain"}).out,
            "ShowNav: 0\n  the navigation panel: 0 shown, 1 hidden\n  meaning now: panel shown\n"
            "  set by: --show-nav / --hide-nav\n");
  EXPECT_EQ(Cli({"--explain", "get", "延迟 "}).out,
            "Delay (\"延迟 \"): 12\n  seconds each slide plays with UsePptTime 1\n  meaning now: 12 s per slide when "
            "fixed\n  set by: --delay N\n");
  EXPECT_EQ(Cli({"get", "WebPlayerUrl"}).out, "/shared/ruffle/\n");
  EXPECT_EQ(Cli({"list", "--explain"}).status, 2);
}

// The shared player's address goes into the pages' script as it is: an
// address that would need escaping is refused, an empty one clears it.
TEST_F(SettingsCommandTest, WebPlayerUrlTakesOnlyPlainAddresses) {
  for (const char* bad : {"/a b", "x\"y", "/p</script>", "/p?q=1", "\\\\host\\share"}) {
    CliRun run = Cli({"set", "WebPlayerUrl", bad});
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.err.find("网页播放器地址"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(store_));
  for (const char* good : {"/shared/ruffle", "https://cdn.example.org/ruffle/0.6", "../player", ""}) {
    EXPECT_EQ(Cli({"set", "WebPlayerUrl", good}).status, 0) << good;
    EXPECT_EQ(Cli({"get", "webplayerurl"}).out, std::string(good) + "\n");
  }
}

// The language: the option over the stored value over the locale, which
// need not be installed to count; workers and messages follow it.
TEST_F(SettingsCommandTest, TheLanguageComesFromTheOptionTheStoredValueOrTheLocale) {
  const std::string chinese = "Orvanta: 请输入一个整数\n", english = "Orvanta: Enter a whole number\n";
  auto refusal = [&](const std::string& locale, const std::string& option) {
    std::string command = "env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=" + locale + " '" + cli_ + "' " + option +
                          " settings --store '" + store_ + "' set Width abc 2>'" + folder_ / "err" + "'";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 2) << command;
    return ReadFile(folder_ / "err");
  };
  EXPECT_EQ(refusal("zh_CN.UTF-8", ""), chinese);
  EXPECT_EQ(refusal("en_US.UTF-8", ""), english);
  EXPECT_EQ(refusal("C", ""), english);
  EXPECT_EQ(refusal("en_US.UTF-8", "--language zh"), chinese);
  EXPECT_EQ(refusal("zh_CN.UTF-8", "--language=en"), english);
  EXPECT_EQ(refusal("zh_CN.UTF-8", "--language auto"), chinese);

  CliRun stored = Cli({"set", "Language", "en"});
  ASSERT_EQ(stored.status, 0) << stored.err;
  EXPECT_EQ(refusal("zh_CN.UTF-8", ""), english);
  EXPECT_EQ(refusal("en_US.UTF-8", "--language zh"), chinese);
  CliRun wrong = Cli({"set", "Language", "fr"});
  EXPECT_EQ(wrong.status, 2);
  EXPECT_EQ(wrong.err, "Orvanta: 语言只能是 auto、zh 或 en！\n");
  EXPECT_EQ(Cli({"get", "language"}).out, "en\n");
  EXPECT_NE(refusal("C", "--language fr").find("not auto, zh or en"), std::string::npos);
}

}  // namespace
}  // namespace orv
