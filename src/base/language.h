// The language the program speaks: the original Chinese, or English for
// everyone else. The fixed messages stay Chinese in the code and are the
// keys of the English catalog (gettext, domain "orvanta"), so Chinese needs
// no catalog at all.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

enum class UiLanguage { kChinese, kEnglish };

// The stored value's names: "auto" (the locale decides), "zh", "en".
std::optional<UiLanguage> LanguageFromName(std::string_view name);  // nullopt for "auto" and unknown names
bool IsLanguageName(std::string_view name);
const char* LanguageName(UiLanguage language);  // "zh" or "en"

// What the locale says, decided from the variables themselves (a locale
// need not be installed to be meant): LC_ALL, else LC_MESSAGES, else LANG
// names the locale; C and POSIX (and an empty one) give English; otherwise
// LANGUAGE's first entry, when set, names the language, else the locale
// does. A language "zh" gives Chinese, any other English.
using EnvironmentLookup = std::function<const char*(const char*)>;
UiLanguage LanguageFromLocale(const EnvironmentLookup& getenv);
UiLanguage LanguageFromLocale();  // this process's environment

// The language for a stored value or option ("auto", "zh", "en"; anything
// else counts as "auto").
UiLanguage ResolveLanguage(std::string_view setting, const EnvironmentLookup& getenv);
UiLanguage ResolveLanguage(std::string_view setting);

// Makes `language` the process's: English turns the catalog on (found
// beside the program, in its share/locale, or in the build tree); Chinese
// turns it off. False when English was asked and no catalog was found: the
// texts then stay Chinese.
bool UseLanguage(UiLanguage language);
UiLanguage CurrentLanguage();

// The text in the current language: `chinese` itself, or its catalog entry.
const char* Translate(const char* chinese);
std::string Translate(std::string_view chinese);

// The folders searched for "<dir>/en/LC_MESSAGES/orvanta.mo", first first.
std::vector<std::string> CatalogFolders();

}  // namespace orv
