#include "settings/settings_values.h"

#include <array>
#include <charconv>
#include <limits>

#include "base/language.h"
#include "base/messages.h"
#include "movie/web_player_markup.h"
#include "video/video_options.h"

namespace orv {
namespace {

using K = SettingKind;
using C = SettingCheck;
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

// The order is the order in which LoadConversionSettings reads the values.
constexpr std::array<SettingInfo, 36> kTable{{
    {"BlankEnd", "BlankEnd", K::Integer, C::Flag, 0, 0, 1},
    {"UnProtect", "UnProtect", K::Integer, C::AnyInteger, 0, kIntMin, kIntMax},
    {"NoPrint", "NoPrint", K::Integer, C::Flag, 0, 0, 1},
    {"Align", "Align", K::Integer, C::Flag, 0, 0, 1},
    {"OpenDest", "OpenDest", K::Integer, C::Flag, 1, 0, 1},
    {"Scale", "Scale", K::Integer, C::Flag, 0, 0, 1},
    {"Notes", "Notes", K::Integer, C::Flag, 0, 0, 1},
    {"GenHTML", "GenHTML", K::Integer, C::Flag, 1, 0, 1},
    {"GenAutorun", "GenAutorun", K::Integer, C::Flag, 0, 0, 1},
    {"SplitPPT", "SplitPPT", K::Integer, C::Flag, 0, 0, 1},
    {"UseTitle", "UseTitle", K::Integer, C::Flag, 1, 0, 1},
    {"AutoStart", "AutoStart", K::Integer, C::Flag, 0, 0, 1},
    {"循环", "Loop", K::Integer, C::Flag, 0, 0, 1},
    {"渐隐", "Fade", K::Integer, C::Flag, 1, 0, 1},
    {"UsePptTime", "UsePptTime", K::Integer, C::Flag, 0, 0, 1},
    {"ShowNav", "ShowNav", K::Integer, C::Flag, 1, 0, 1},
    {"InsHelp", "InsHelp", K::Integer, C::Flag, 0, 0, 1},
    {"延迟 ", "Delay", K::Integer, C::Interval, 3, 0, 9999},
    {"Width", "Width", K::Integer, C::Range, 640, 16, 2048},
    {"Height", "Height", K::Integer, C::Range, 480, 16, 2048},
    {"JpgQlt", "JpgQlt", K::Integer, C::Range, 90, 0, 100},
    {"SharpFont", "SharpFont", K::Integer, C::Flag, 1, 0, 1},
    {"WebPlayer", "WebPlayer", K::Integer, C::Flag, 1, 0, 1},
    {"GenHTML5", "GenHTML5", K::Integer, C::Flag, 1, 0, 1},
    {"GenScorm", "GenScorm", K::Integer, C::Flag, 0, 0, 1},
    {"ScormCompletion", "ScormCompletion", K::Integer, C::Range, 100, 1, 100},
    {"GenVideo", "GenVideo", K::Integer, C::Flag, 0, 0, 1},
    {"VideoFormat", "VideoFormat", K::Integer, C::VideoFormat, 0, 0, 1},
    {"VideoHeight", "VideoHeight", K::Integer, C::VideoHeight, 1080, 720, 2160},
    {"GenIndex", "GenIndex", K::Integer, C::Flag, 1, 0, 1},
    // Seconds LibreOffice may spend on one presentation, 0 for no limit; read
    // by the batch, not part of the record.
    {"TimeLimit", "TimeLimit", K::Integer, C::Range, 300, 0, 86400},
    // LibreOffices the desktop program shares each presentation's slides
    // among, 0 for one per core (4 at most); read by that program alone.
    {"Jobs", "Jobs", K::Integer, C::Range, 1, 0, 8},
    // How the desktop program tells a batch's problems: 0 a message box for
    // each, 1 collected into the list's statuses and the batch's summary.
    {"BatchErrors", "BatchErrors", K::Integer, C::Flag, 0, 0, 1},
    // The language of the windows, the messages and the texts put into the
    // outputs: "auto" (the locale decides), "zh" or "en"; read at start-up.
    {"Language", "Language", K::Text, C::Language, 0, 0, 0},
    // Where every page loads one shared player from; empty: each output
    // folder gets its own copy.
    {"WebPlayerUrl", "WebPlayerUrl", K::Text, C::WebAddress, 0, 0, 0},
    {"OutputDir", "OutputFolder", K::Text, C::AnyText, 0, 0, 0},
}};

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// An optionally signed decimal integer that fits 32 bits, blanks around it
// allowed (what an edit box's integer transfer accepts).
std::optional<std::int32_t> ParseInteger(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::string BetweenMessage(std::int32_t low, std::int32_t high) {
  std::string out = Translate(msg::kEnterIntegerBetween);
  auto put = [&out](std::string_view marker, std::int32_t number) {
    if (auto at = out.find(marker); at != std::string::npos) out.replace(at, marker.size(), std::to_string(number));
  };
  put("%1", low);
  put("%2", high);
  return out;
}

SettingCheckResult Accept(std::int32_t number) { return {SettingValue{number, {}}, {}}; }
// The options pages' message, in the program's language.
SettingCheckResult Refuse(std::string_view message) { return {std::nullopt, Translate(message)}; }

}  // namespace

std::span<const SettingInfo> SettingTable() { return kTable; }

const SettingInfo* FindSetting(std::string_view name) {
  for (const auto& setting : kTable) {
    if (setting.name == name) return &setting;
  }
  for (const auto& setting : kTable) {
    if (EqualsIgnoringAsciiCase(setting.field, name) || EqualsIgnoringAsciiCase(setting.name, name)) return &setting;
  }
  // The name as the settings command shows it in Chinese: "延迟" for "延迟 ".
  for (const auto& setting : kTable) {
    if (!name.empty() && TrimBlanks(setting.name) == name) return &setting;
  }
  return nullptr;
}

SettingCheckResult ValidateSettingValue(const SettingInfo& setting, std::string_view text) {
  switch (setting.check) {
    case SettingCheck::AnyText:
      return {SettingValue{0, std::string(text)}, {}};
    case SettingCheck::Language:
      if (!IsLanguageName(text)) return Refuse(msg::kLanguageUnknown);
      return {SettingValue{0, std::string(text)}, {}};
    case SettingCheck::WebAddress:
      // The address goes into the pages' script as it is.
      if (!text.empty() && !IsPlainAddress(text)) return Refuse(msg::kWebPlayerUrlUnsafe);
      return {SettingValue{0, std::string(text)}, {}};
    case SettingCheck::Interval: {
      // The interval box takes digits only: a sign or an empty box is refused
      // with the positive-integer message, a number too big for 32 bits with
      // the range message.
      auto digits = TrimBlanks(text);
      if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return Refuse(msg::kEnterPositiveInteger);
      }
      auto number = ParseInteger(digits);
      if (!number || *number > setting.max) return Refuse(BetweenMessage(setting.min, setting.max));
      return Accept(*number);
    }
    case SettingCheck::VideoFormat: {
      // The format's name; its stored number is taken too.
      if (auto format = VideoFormatFromName(TrimBlanks(text))) return Accept(static_cast<std::int32_t>(*format));
      auto number = ParseInteger(text);
      if (!number || *number < setting.min || *number > setting.max) return Refuse(msg::kVideoFormatUnknown);
      return Accept(*number);
    }
    case SettingCheck::VideoHeight: {
      auto number = ParseInteger(text);
      if (!number || !IsVideoHeight(*number)) return Refuse(msg::kVideoHeightUnknown);
      return Accept(*number);
    }
    case SettingCheck::Flag:
    case SettingCheck::Range:
    case SettingCheck::AnyInteger: {
      auto number = ParseInteger(text);
      if (!number) return Refuse(msg::kEnterInteger);
      if (*number < setting.min || *number > setting.max) return Refuse(BetweenMessage(setting.min, setting.max));
      return Accept(*number);
    }
  }
  return Refuse(msg::kEnterInteger);
}

SettingCheckResult ValidateSettingValue(std::string_view name, std::string_view text) {
  const SettingInfo* setting = FindSetting(name);
  if (setting == nullptr) return Refuse({});
  return ValidateSettingValue(*setting, text);
}

std::string SettingNumberText(const SettingInfo& setting, std::int32_t number) {
  if (setting.check == SettingCheck::VideoFormat) return std::string(VideoFormatName(VideoFormatFromIndex(number)));
  return std::to_string(number);
}

std::string DescribeRange(const SettingInfo& setting) {
  switch (setting.check) {
    case SettingCheck::Flag:
      return "0 or 1";
    case SettingCheck::Range:
    case SettingCheck::Interval:
      return std::to_string(setting.min) + " to " + std::to_string(setting.max);
    case SettingCheck::AnyInteger:
      return "any integer";
    case SettingCheck::AnyText:
      return "any path";
    case SettingCheck::WebAddress:
      return "an address, or empty";
    case SettingCheck::Language:
      return "auto, zh or en";
    case SettingCheck::VideoFormat:
      return "mp4 or webm";
    case SettingCheck::VideoHeight:
      return "720/1080/2160";
  }
  return {};
}

}  // namespace orv
