// The help in both languages. Every orvanta-cli command's help, read from the
// built binary: the English one holds no Chinese, the Chinese one is Chinese,
// and the two name the same options and placeholders, so that nothing can be
// documented in one language only. The user guides: the English one has the
// Chinese one's sections and links.
#include <gtest/gtest.h>

#include "support/needs.h"

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "cli_shell.h"
#include "settings/settings_values.h"
#include "support/chinese_text.h"
#include "support/files.h"

namespace orv {
namespace {

using test::ReadFile;
using test::ScratchFolder;

using test::ChineseCharacters;
using test::CliRun;

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
  std::set<std::string> found;
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) found.insert(it->str());
  return found;
}

// The names of `some` that `others` lacks, one line for a failure message.
std::string Lacking(const std::set<std::string>& some, const std::set<std::string>& others) {
  std::string lacking;
  for (const std::string& name : some) {
    if (!others.contains(name)) lacking += (lacking.empty() ? "" : " ") + name;
  }
  return lacking;
}

std::set<std::string> LongOptions(const std::string& text) {
  static const std::regex kOption("--[a-z0-9-]+");
  return Matches(text, kOption);
}

// FILE, NAME, JSON, XDG_CONFIG_HOME ...: the placeholders and the names that
// stay as they are in every language.
std::set<std::string> CapitalWords(const std::string& text) {
  static const std::regex kWord("\\b[A-Z][A-Z0-9_]+\\b");
  return Matches(text, kWord);
}

// The text without the stored names that are Chinese themselves ("延迟 "):
// they are names, the same in every language.
std::string WithoutStoredNames(std::string text) {
  for (const auto& setting : SettingTable()) {
    std::string name(setting.name);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (ChineseCharacters(name) == 0) continue;
    for (auto at = text.find(name); at != std::string::npos; at = text.find(name)) text.erase(at, name.size());
  }
  return text;
}

class CliHelpTest : public ::testing::Test {
 protected:
  void SetUp() override { ORVANTA_NEEDS(std::filesystem::exists(cli_), "orvanta-cli, built at " + cli_); }

  // Arguments are quoted for the shell; none of them holds a single quote.
  CliRun Cli(const std::string& language, const std::vector<std::string>& args) {
    return test::RunCliInShell("'" + cli_ + "' --language " + language, args, folder_.path());
  }

  // The help of `command` ("" for the program's own) in `language`.
  std::string Help(const std::string& language, const std::string& command) {
    std::vector<std::string> args;
    if (!command.empty()) args.push_back(command);
    args.push_back("--help");
    CliRun run = Cli(language, args);
    EXPECT_EQ(run.status, 0) << command << " --help in " << language << ": " << run.err;
    EXPECT_EQ(run.err, "") << command << " --help in " << language;
    return run.out;
  }

  ScratchFolder folder_;
  std::string cli_ = test::CliPath();
};

const std::vector<std::string> kCommands = {"", "convert", "settings", "preview", "serve"};

TEST_F(CliHelpTest, EveryHelpIsEnglishOrChineseAsAsked) {
  for (const std::string& command : kCommands) {
    SCOPED_TRACE("orvanta-cli " + command + " --help");
    const std::string english = Help("en", command);
    const std::string chinese = Help("zh", command);
    EXPECT_TRUE(english.starts_with("Usage: orvanta-cli")) << english;
    EXPECT_EQ(ChineseCharacters(WithoutStoredNames(english)), 0u) << english;
    EXPECT_TRUE(chinese.starts_with("用法：orvanta-cli")) << chinese;
    // Chinese prose, not an English text with a Chinese first line.
    EXPECT_GT(ChineseCharacters(WithoutStoredNames(chinese)), chinese.size() / 8) << chinese;
  }
}

TEST_F(CliHelpTest, BothLanguagesNameTheSameOptionsAndPlaceholders) {
  for (const std::string& command : kCommands) {
    SCOPED_TRACE("orvanta-cli " + command + " --help");
    const std::string english = Help("en", command);
    const std::string chinese = Help("zh", command);
    EXPECT_FALSE(LongOptions(english).empty());
    EXPECT_EQ(Lacking(LongOptions(english), LongOptions(chinese)), "") << "options only in English";
    EXPECT_EQ(Lacking(LongOptions(chinese), LongOptions(english)), "") << "options only in Chinese";
    EXPECT_EQ(Lacking(CapitalWords(english), CapitalWords(chinese)), "") << "names only in English";
    EXPECT_EQ(Lacking(CapitalWords(chinese), CapitalWords(english)), "") << "names only in Chinese";
  }
}

// Both manual pages of orvanta-cli describe every option a help lists, and
// name the same options.
TEST_F(CliHelpTest, TheManualPagesDescribeEveryOptionOfEveryHelp) {
  std::set<std::string> options;
  for (const std::string& command : kCommands) options.merge(LongOptions(Help("en", command)));
  ASSERT_TRUE(options.contains("--web-player-url"));
  std::vector<std::set<std::string>> described;
  for (const char* page : {"docs/man/orvanta-cli.1", "docs/man/zh_CN/orvanta-cli.1"}) {
    SCOPED_TRACE(page);
    // groff writes a hyphen of an option as \-.
    std::string manual = ReadFile(std::string(ORVANTA_SOURCE_DIR) + "/" + page);
    ASSERT_FALSE(manual.empty());
    for (auto at = manual.find("\\-"); at != std::string::npos; at = manual.find("\\-", at)) manual.erase(at, 1);
    described.push_back(LongOptions(manual));
    EXPECT_EQ(Lacking(options, described.back()), "") << "options the manual page lacks";
  }
  EXPECT_EQ(Lacking(described[0], described[1]), "") << "options only in the English manual page";
  EXPECT_EQ(Lacking(described[1], described[0]), "") << "options only in the Chinese manual page";
}

// The usage printed after a mistake speaks the program's language too.
TEST_F(CliHelpTest, UsageAfterAMistakeFollowsTheLanguage) {
  CliRun none = Cli("zh", {});
  EXPECT_EQ(none.status, 2);
  EXPECT_TRUE(none.err.starts_with("用法：orvanta-cli COMMAND")) << none.err;

  CliRun unknown = Cli("zh", {"frobnicate"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("\n用法：orvanta-cli COMMAND"), std::string::npos) << unknown.err;

  const std::string store = folder_ / "Orvanta.json";
  CliRun english = Cli("en", {"settings", "--store", store, "get"});
  EXPECT_EQ(english.status, 2);
  EXPECT_NE(english.err.find("\nUsage: orvanta-cli settings"), std::string::npos) << english.err;
  CliRun chinese = Cli("zh", {"settings", "--store", store, "get"});
  EXPECT_EQ(chinese.status, 2);
  EXPECT_NE(chinese.err.find("\n用法：orvanta-cli settings"), std::string::npos) << chinese.err;

  // A command's own mistakes point at its help in the same language.
  for (const auto& [language, hint] : {std::pair{"zh", "\n运行 'orvanta-cli convert --help' 查看全部选项。\n"},
                                       std::pair{"en", "\nRun 'orvanta-cli convert --help' for the options.\n"}}) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"convert"}, {"convert", "--frobnicate"}}) {
      CliRun run = Cli(language, args);
      EXPECT_EQ(run.status, 2) << language;
      EXPECT_TRUE(run.err.ends_with(hint)) << language << ": " << run.err;
    }
  }

  // A lesson package without the HTML5 version it is made of is refused, not silently left out.
  CliRun scorm = Cli("en", {"convert", "--store", store, "--scorm", "--no-html5", "课件.ppt"});
  EXPECT_EQ(scorm.status, 2);
  EXPECT_EQ(scorm.err, "Orvanta: --scorm needs the HTML5 version it is made of (--html5)\n");
}

// The ids and the links of a page, in their order.
std::vector<std::string> Anchors(const std::string& page) {
  static const std::regex kAnchor(R"((id|href)="[^"]*")");
  std::vector<std::string> anchors;
  for (std::sregex_iterator it(page.begin(), page.end(), kAnchor), end; it != end; ++it) anchors.push_back(it->str());
  return anchors;
}

TEST(UserGuideTest, TheEnglishGuideHasTheSectionsAndLinksOfTheChineseOne) {
  const std::string chinese = ReadFile(std::string(ORVANTA_SOURCE_DIR) + "/resources/help/Orvanta.html");
  const std::string english = ReadFile(std::string(ORVANTA_SOURCE_DIR) + "/resources/help/Orvanta-en.html");
  ASSERT_FALSE(chinese.empty());
  ASSERT_FALSE(english.empty());
  EXPECT_NE(chinese.find("<html lang=\"zh-CN\">"), std::string::npos);
  EXPECT_NE(english.find("<html lang=\"en\">"), std::string::npos);
  EXPECT_EQ(Anchors(english), Anchors(chinese));
  EXPECT_EQ(ChineseCharacters(english), 0u);
  // Every link within the page leads to a section of it.
  for (const std::string& anchor : Anchors(english)) {
    if (!anchor.starts_with("href=\"#")) continue;
    const std::string id = "id=\"" + anchor.substr(7);
    EXPECT_NE(english.find(id), std::string::npos) << anchor;
  }
}

}  // namespace
}  // namespace orv
