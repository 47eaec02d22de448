#include "base/language.h"

#include <libintl.h>
#include <locale.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "base/paths.h"

namespace orv {
namespace {

constexpr char kDomain[] = "orvanta";

std::atomic<UiLanguage> g_language{UiLanguage::kChinese};

// "zh_CN.UTF-8@x" -> "zh".
std::string_view LanguagePart(std::string_view locale) { return locale.substr(0, locale.find_first_of("_.@-")); }

bool IsCLocale(std::string_view locale) {
  const std::string_view language = LanguagePart(locale);
  return language.empty() || language == "C" || language == "POSIX";
}

}  // namespace

std::optional<UiLanguage> LanguageFromName(std::string_view name) {
  if (name == "zh") return UiLanguage::kChinese;
  if (name == "en") return UiLanguage::kEnglish;
  return std::nullopt;
}

bool IsLanguageName(std::string_view name) { return name == "auto" || name == "zh" || name == "en"; }

const char* LanguageName(UiLanguage language) { return language == UiLanguage::kChinese ? "zh" : "en"; }

UiLanguage LanguageFromLocale(const EnvironmentLookup& getenv) {
  auto value = [&](const char* name) -> std::string_view {
    const char* text = getenv(name);
    return text != nullptr ? std::string_view(text) : std::string_view();
  };
  std::string_view locale = value("LC_ALL");
  if (locale.empty()) locale = value("LC_MESSAGES");
  if (locale.empty()) locale = value("LANG");
  // As gettext does: under the C locale LANGUAGE is not looked at.
  if (IsCLocale(locale)) return UiLanguage::kEnglish;
  std::string_view language = value("LANGUAGE");
  language = language.substr(0, language.find(':'));
  if (language.empty()) language = locale;
  return LanguagePart(language) == "zh" ? UiLanguage::kChinese : UiLanguage::kEnglish;
}

UiLanguage LanguageFromLocale() {
  return LanguageFromLocale([](const char* name) { return std::getenv(name); });
}

UiLanguage ResolveLanguage(std::string_view setting, const EnvironmentLookup& getenv) {
  if (auto chosen = LanguageFromName(setting)) return *chosen;
  return LanguageFromLocale(getenv);
}

UiLanguage ResolveLanguage(std::string_view setting) {
  return ResolveLanguage(setting, [](const char* name) { return std::getenv(name); });
}

std::vector<std::string> CatalogFolders() {
  std::vector<std::string> folders;
  const std::string program = ProgramFolder();
  if (!program.empty()) {
    const std::filesystem::path here(program);
    folders.push_back((here / "locale").string());
    folders.push_back((here.parent_path() / "share" / "locale").lexically_normal().string());
  }
#ifdef ORVANTA_BUILD_LOCALE_DIR
  folders.emplace_back(ORVANTA_BUILD_LOCALE_DIR);
#endif
  return folders;
}

bool UseLanguage(UiLanguage language) {
  if (language == UiLanguage::kChinese) {
    g_language = UiLanguage::kChinese;
    return true;
  }
  for (const std::string& folder : CatalogFolders()) {
    if (!PathExists(folder + "/en/LC_MESSAGES/" + kDomain + ".mo")) continue;
    // gettext reads LANGUAGE only under a locale other than C, and a fresh
    // system may have no English locale generated: C.UTF-8 always exists.
    const char* messages = ::setlocale(LC_MESSAGES, "");
    if (messages == nullptr || IsCLocale(messages)) ::setlocale(LC_MESSAGES, "C.UTF-8");
    ::setenv("LANGUAGE", "en", 1);
    ::bindtextdomain(kDomain, folder.c_str());
    ::bind_textdomain_codeset(kDomain, "UTF-8");
    g_language = UiLanguage::kEnglish;
    return true;
  }
  g_language = UiLanguage::kChinese;
  return false;
}

UiLanguage CurrentLanguage() { return g_language; }

const char* Translate(const char* chinese) {
  if (g_language == UiLanguage::kChinese || chinese == nullptr || *chinese == '\0') return chinese;
  return ::dgettext(kDomain, chinese);
}

std::string Translate(std::string_view chinese) { return Translate(std::string(chinese).c_str()); }

}  // namespace orv
