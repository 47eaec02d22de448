// The program's language: the rule that picks it from the locale's
// variables, and every fixed message through the real notifier in both.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "base/language.h"
#include "base/notifier.h"
#include "support/chinese_text.h"

namespace orv {
namespace {

using Env = std::map<std::string, std::string>;

UiLanguage FromEnv(const Env& env, std::string_view setting = "auto") {
  return ResolveLanguage(setting, [&env](const char* name) -> const char* {
    auto found = env.find(name);
    return found == env.end() ? nullptr : found->second.c_str();
  });
}

TEST(Language, TheLocaleVariablesDecideAndTheSettingOverridesThem) {
  constexpr auto zh = UiLanguage::kChinese;
  constexpr auto en = UiLanguage::kEnglish;
  const struct {
    Env env;
    UiLanguage expected;
  } cases[] = {
      {{}, en},
      {{{"LANG", "zh_CN.UTF-8"}}, zh},
      {{{"LANG", "zh_TW.Big5"}}, zh},
      {{{"LANG", "en_US.UTF-8"}}, en},
      {{{"LANG", "de_DE.UTF-8"}}, en},
      {{{"LANG", "C"}}, en},
      {{{"LANG", "C.UTF-8"}}, en},
      {{{"LANG", "POSIX"}}, en},
      {{{"LANG", "zh_CN.UTF-8"}, {"LC_MESSAGES", "en_GB.UTF-8"}}, en},
      {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "zh_CN.UTF-8"}}, zh},
      {{{"LC_MESSAGES", "en_US.UTF-8"}, {"LC_ALL", "zh_CN.UTF-8"}}, zh},
      {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "zh_CN:en"}}, zh},
      {{{"LANG", "zh_CN.UTF-8"}, {"LANGUAGE", "fr:zh"}}, en},
      {{{"LANG", "zh_CN.UTF-8"}, {"LANGUAGE", ""}}, zh},
      // gettext's rule: under the C locale LANGUAGE is not read.
      {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "zh_CN"}}, en},
  };
  for (const auto& c : cases) {
    std::string shown;
    for (const auto& [name, value] : c.env) shown += name + "=" + value + " ";
    EXPECT_EQ(FromEnv(c.env), c.expected) << shown;
    EXPECT_EQ(FromEnv(c.env, "zh"), zh) << shown;
    EXPECT_EQ(FromEnv(c.env, "en"), en) << shown;
    EXPECT_EQ(FromEnv(c.env, "anything else"), c.expected) << shown;
  }
}

struct Message {
  std::string name, text;
};

// Every message of messages.h, read from the source so that a new one is
// checked the day it is added.
std::vector<Message> AllMessages() {
  std::ifstream in(std::string(ORVANTA_SOURCE_DIR) + "/src/base/messages.h");
  std::stringstream text;
  text << in.rdbuf();
  const std::string source = text.str();
  const std::regex entry(R"re(inline constexpr char (k\w+)\[\] =\s*"((?:[^"\\]|\\.)*)";)re");
  std::vector<Message> messages;
  for (auto it = std::sregex_iterator(source.begin(), source.end(), entry); it != std::sregex_iterator(); ++it) {
    std::string value = (*it)[2].str();
    for (std::size_t at; (at = value.find("\\n")) != std::string::npos;) value.replace(at, 2, "\n");
    messages.push_back({(*it)[1].str(), value});
  }
  return messages;
}

// What StderrNotifier prints for `text` said with the inserts filled.
std::string Said(const std::string& text) {
  std::FILE* capture = std::tmpfile();
  const int saved = ::dup(STDERR_FILENO);
  std::fflush(stderr);
  ::dup2(::fileno(capture), STDERR_FILENO);
  {
    StderrNotifier real;
    ScopedNotifier scoped(real);
    std::string shown = text;
    if (shown.find("%s") != std::string::npos) shown = FormatMessage(shown, "talk.ppt");
    if (shown.find("%s") != std::string::npos) shown = FormatMessage(shown, "busy");
    if (shown.find("%d") != std::string::npos) shown = FormatMessage(shown, 300);
    Notify(shown);
  }
  std::fflush(stderr);
  ::dup2(saved, STDERR_FILENO);
  ::close(saved);
  std::rewind(capture);
  std::string out;
  for (int c; (c = std::fgetc(capture)) != EOF;) out += static_cast<char>(c);
  std::fclose(capture);
  return out;
}

TEST(Language, EveryMessageIsEnglishUnderAnEnglishLocaleAndTheOriginalUnderAChineseOne) {
  const std::vector<Message> messages = AllMessages();
  ASSERT_GT(messages.size(), 50u);
  ASSERT_TRUE(UseLanguage(FromEnv({{"LANG", "en_US.UTF-8"}}))) << "no English catalog found";
  std::vector<std::string> english;
  for (const auto& m : messages) {
    english.push_back(Said(m.text));
    EXPECT_EQ(test::ChineseCharacters(english.back()), 0u) << m.name << ": " << english.back();
    EXPECT_TRUE(english.back().starts_with("Orvanta: ")) << m.name;
  }
  ASSERT_TRUE(UseLanguage(FromEnv({{"LANG", "zh_CN.UTF-8"}})));
  for (std::size_t k = 0; k < messages.size(); ++k) {
    std::string original = messages[k].text;
    if (original.find("%s") != std::string::npos) original.replace(original.find("%s"), 2, "talk.ppt");
    if (original.find("%s") != std::string::npos) original.replace(original.find("%s"), 2, "busy");
    if (original.find("%d") != std::string::npos) original.replace(original.find("%d"), 2, "300");
    EXPECT_EQ(Said(messages[k].text), "Orvanta: " + original + "\n") << messages[k].name;
  }
}

// A translation keeps the conversions of its message, in the same order.
TEST(Language, EveryTranslationKeepsItsConversionsInOrder) {
  std::ifstream in(std::string(ORVANTA_SOURCE_DIR) + "/po/en.po");
  std::stringstream text;
  text << in.rdbuf();
  const std::string po = text.str();
  const std::regex pair(R"re(msgid "((?:[^"\\]|\\.)*)"\nmsgstr "((?:[^"\\]|\\.)*)")re");
  const std::regex conversion(R"re(%(?:[0-9]*l?[sdx]|[12]))re");
  auto conversions = [&](const std::string& s) {
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(s.begin(), s.end(), conversion); it != std::sregex_iterator(); ++it) {
      found.push_back(it->str());
    }
    return found;
  };
  int checked = 0;
  for (auto it = std::sregex_iterator(po.begin(), po.end(), pair); it != std::sregex_iterator(); ++it) {
    const std::string id = (*it)[1].str(), translation = (*it)[2].str();
    if (id.empty()) continue;
    EXPECT_EQ(conversions(id), conversions(translation)) << id;
    EXPECT_FALSE(translation.empty()) << id;
    ++checked;
  }
  EXPECT_GT(checked, 40);
}

}  // namespace
}  // namespace orv
