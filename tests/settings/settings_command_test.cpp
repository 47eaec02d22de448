// Drives the built orvanta-cli binary: `settings` against a store of its own.
#include <gtest/gtest.h>

#include "support/needs.h"

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli_shell.h"
#include "settings/settings_store.h"
#include "settings/settings_values.h"
#include "support/files.h"

namespace orv {
namespace {

using test::ReadFile;
using test::ScratchFolder;

using test::CliRun;

// The cells of a line of `settings list` (two blanks or more between them) with
// the terminal column each starts at: a Chinese character takes two.
std::vector<std::pair<std::size_t, std::string>> Cells(const std::string& line) {
  std::vector<std::pair<std::size_t, std::string>> cells;
  std::size_t column = 0, blanks = 0;
  for (std::size_t i = 0; i < line.size();) {
    const auto lead = static_cast<unsigned char>(line[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (line[i] == ' ') {
      ++blanks;
    } else {
      if (cells.empty() || blanks >= 2) cells.push_back({column, {}});
      if (blanks == 1) cells.back().second += ' ';
      blanks = 0;
      cells.back().second += line.substr(i, length);
    }
    column += length >= 3 ? 2 : 1;
    i += length;
  }
  return cells;
}

// A folder as the list shows it: under the home folder, as "~/...".
std::string ShownFolder(const std::string& path) {
  const std::string home = std::string(std::getenv("HOME") != nullptr ? std::getenv("HOME") : "") + "/";
  return home != "/" && path.starts_with(home) ? "~/" + path.substr(home.size()) : path;
}

class SettingsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { ORVANTA_NEEDS(std::filesystem::exists(cli_), "orvanta-cli, built at " + cli_); }

  // Arguments are quoted for the shell; none of them holds a single quote.
  // The texts are the Chinese ones unless English is asked, whatever the locale.
  CliRun Cli(const std::vector<std::string>& args, const std::string& language = "zh") {
    return test::RunCliInShell("'" + cli_ + "' --language " + language + " settings --store '" + store_ + "'", args,
                               folder_.path());
  }

  // The cells of the list's row of `name`, in `language`.
  std::vector<std::string> Row(const std::string& name, const std::string& language) {
    std::istringstream lines(Cli({"list"}, language).out);
    for (std::string line; std::getline(lines, line);) {
      auto cells = Cells(line);
      if (cells.empty() || cells.front().second != name) continue;
      std::vector<std::string> texts;
      for (auto& cell : cells) texts.push_back(cell.second);
      return texts;
    }
    return {};
  }

  ScratchFolder folder_;
  std::string store_ = folder_ / "cfg/Orvanta.json";
  std::string cli_ = test::CliPath();
};

// Every value has its row, with its default as value and default, and every
// cell of every row starts at its heading's column, in both languages.
TEST_F(SettingsCommandTest, ListOnAnEmptyStoreShowsEveryValueWithItsDefaultInColumns) {
  for (const std::string language : {"zh", "en"}) {
    CliRun run = Cli({"list"}, language);
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::vector<std::vector<std::pair<std::size_t, std::string>>> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(Cells(line));
    ASSERT_EQ(rows.size(), SettingTable().size() + 1) << run.out;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      ASSERT_EQ(rows[r].size(), rows[0].size()) << language << " row " << r << "\n" << run.out;
      for (std::size_t c = 0; c < rows[r].size(); ++c) {
        EXPECT_EQ(rows[r][c].first, rows[0][c].first) << language << " row " << r << " cell " << c << "\n" << run.out;
      }
    }
    for (std::size_t k = 0; k < SettingTable().size(); ++k) {
      const SettingInfo& setting = SettingTable()[k];
      const std::string value = setting.kind == SettingKind::Integer ? SettingNumberText(setting, setting.defaultValue)
                                : setting.field == "OutputFolder"    ? ShownFolder(DefaultOutputFolder())
                                : setting.field == "Language"        ? "auto"
                                                                     : "\"\"";
      EXPECT_EQ(rows[k + 1][1].second, value) << setting.field;
      EXPECT_EQ(rows[k + 1][2].second, value) << setting.field;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(store_));
}

// Three values in both languages: the name read, what `set` says, the
// refusal that names the value, its range and an example, and the list's row.
TEST_F(SettingsCommandTest, ThreeValuesReadForwardsInBothLanguages) {
  struct Case {
    std::vector<std::string> args;
    const char* english;
    const char* chinese;
  };
  for (const Case& c : {
           Case{{"set", "ShowNav", "0"}, "ShowNav = 0: the navigation panel is shown\n", "ShowNav = 0：显示导航面板\n"},
           Case{{"set", "loop", "1"},
                "Loop = 1: wraps from the last slide to the first\n",
                "循环 = 1：从最后一张回到第一张\n"},
           Case{{"set", "Jobs", "2"},
                "Jobs = 2: 2 LibreOffices per presentation (read by the desktop program only)\n",
                "Jobs = 2：每个演示文稿 2 个 LibreOffice（只有桌面程序读取）\n"},
           Case{{"set", "Delay", "5s"},
                "Orvanta: Delay takes whole seconds from 0 to 9999, e.g. 5\n",
                "Orvanta: 延迟 须为 0 到 9999 之间的整数秒，例如 5\n"},
           Case{{"set", "循环", "2"}, "Orvanta: Loop takes 0 or 1, e.g. 1\n", "Orvanta: 循环 须为 0 或 1，例如 1\n"},
           Case{{"set", "Jobs", "9"},
                "Orvanta: Jobs takes whole numbers from 0 to 8, e.g. 2\n",
                "Orvanta: Jobs 须为 0 到 8 之间的整数，例如 2\n"},
       }) {
    for (const auto& [language, expected] : {std::pair{"en", c.english}, std::pair{"zh", c.chinese}}) {
      const CliRun run = Cli(c.args, language);
      const bool refused = std::string(expected).starts_with("Orvanta: ");
      EXPECT_EQ(run.status, refused ? 2 : 0) << c.args[1];
      EXPECT_EQ(refused ? run.err : run.out, expected) << language;
    }
  }
  using Texts = std::vector<std::string>;
  EXPECT_EQ(Row("ShowNav", "zh"), (Texts{"ShowNav", "0", "1", "0 或 1", "显示面板", "--show-nav / --hide-nav"}));
  EXPECT_EQ(Row("循环", "zh"), (Texts{"循环", "1", "0", "0 或 1", "从最后一张回到第一张", "--loop / --no-loop"}));
  EXPECT_EQ(Row("Jobs", "zh"), (Texts{"Jobs", "2", "1", "0 到 8", "每个演示文稿 2 个 LibreOffice", "仅桌面程序读取"}));
  // The stored file keeps the stored names.
  EXPECT_NE(ReadFile(store_).find("\"循环\": 1"), std::string::npos) << ReadFile(store_);
  const std::string help = Cli({"--help"}, "en").out;
  EXPECT_NE(help.find("orvanta-cli settings set Delay 5"), std::string::npos) << help;
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
  EXPECT_EQ(range.err, "Orvanta: Width 须为 16 到 2048 之间的整数像素，例如 800\n");
  CliRun interval = Cli({"set", "Delay", "-1"});
  EXPECT_EQ(interval.status, 2);
  EXPECT_EQ(interval.err, "Orvanta: 延迟 须为 0 到 9999 之间的整数秒，例如 5\n");
  EXPECT_EQ(Cli({"set", "Bogus", "1"}).status, 2);
  EXPECT_EQ(Cli({"get", "延"}).status, 2);
  EXPECT_EQ(Cli({"set", "OutputDir", ""}).status, 2);
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
TEST_F(SettingsCommandTest, ListExplainsEveryValueAndItsOptionInEnglish) {
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
  // The default output folder is a known one, so that the columns are too.
  CliRun run = test::RunCliInShell("env HOME=/home/teacher XDG_DOCUMENTS_DIR=/home/teacher/Documents '" + cli_ +
                                       "' --language en settings --store '" + store_ + "'",
                                   {"list"}, folder_.path());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, ReadFile(std::string(ORVANTA_SOURCE_DIR) + "/tests/settings/settings_list.golden"));

  EXPECT_EQ(Cli({"get", "ShowNav", "--explain"}, "en").out,
            "ShowNav: 0\n  the navigation panel: 0 shown, 1 hidden\n  meaning now: panel shown\n"
            "  set by: --show-nav / --hide-nav\n");
  EXPECT_EQ(Cli({"--explain", "get", "延迟 "}, "en").out,
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
    EXPECT_NE(run.err.find("WebPlayerUrl 须为只含英文字母"), std::string::npos) << run.err;
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
  const std::string chinese = "Orvanta: Width 须为 16 到 2048 之间的整数像素，例如 800\n",
                    english = "Orvanta: Width takes whole pixels from 16 to 2048, e.g. 800\n";
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
  EXPECT_EQ(wrong.err, "Orvanta: Language 须为 auto、zh 或 en，例如 en\n");
  EXPECT_EQ(Cli({"get", "language"}).out, "en\n");
  EXPECT_NE(refusal("C", "--language fr").find("not auto, zh or en"), std::string::npos);
}

}  // namespace
}  // namespace orv
