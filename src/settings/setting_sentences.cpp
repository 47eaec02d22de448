#include "settings/setting_sentences.h"

#include <array>

#include "base/language.h"
#include "settings/setting_meanings.h"

namespace orv {
namespace {

bool InChinese() { return CurrentLanguage() == UiLanguage::kChinese; }

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The unit of a value with a range, and a value to show as an example.
struct Unit {
  std::string_view field;
  std::string_view english;
  std::string_view chinese;
  std::string_view example;
};

constexpr std::array kUnits = {
    Unit{"Delay", "whole seconds", "整数秒", "5"},
    Unit{"Width", "whole pixels", "整数像素", "800"},
    Unit{"Height", "whole pixels", "整数像素", "600"},
    Unit{"JpgQlt", "whole numbers", "整数", "80"},
    Unit{"ScormCompletion", "whole percents", "整数百分比", "80"},
    Unit{"TimeLimit", "whole seconds", "整数秒", "600"},
    Unit{"Jobs", "whole numbers", "整数", "2"},
};

const Unit* FindUnit(const SettingInfo& setting) {
  for (const Unit& unit : kUnits) {
    if (unit.field == setting.field) return &unit;
  }
  return nullptr;
}

// The words for a value just set where the list's short words would read
// backwards out of the table ("panel shown").
std::string ConfirmedMeaning(const SettingInfo& setting, std::int32_t number, std::string_view text) {
  if (setting.field == "ShowNav") {
    if (InChinese()) return number != 0 ? "隐藏导航面板" : "显示导航面板";
    return number != 0 ? "the navigation panel is hidden" : "the navigation panel is shown";
  }
  return ExplainSetting(setting, number, text);
}

}  // namespace

SettingReader WhoReadsSetting(const SettingInfo& setting) {
  if (setting.field == "UnProtect") return SettingReader::kNobody;
  if (setting.field == "OpenDest" || setting.field == "Jobs" || setting.field == "BatchErrors") {
    return SettingReader::kDesktopOnly;
  }
  return SettingReader::kEveryProgram;
}

std::string SettingDisplayName(const SettingInfo& setting) {
  if (InChinese()) {
    std::string_view name = setting.name;
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    return std::string(name);
  }
  return std::string(IsAscii(setting.name) ? setting.name : setting.field);
}

std::string SettingRangeText(const SettingInfo& setting) {
  const bool chinese = InChinese();
  switch (setting.check) {
    case SettingCheck::Flag:
      return chinese ? "0 或 1" : "0 or 1";
    case SettingCheck::Range:
    case SettingCheck::Interval:
      return std::to_string(setting.min) + (chinese ? " 到 " : " to ") + std::to_string(setting.max);
    case SettingCheck::AnyInteger:
      return chinese ? "任意整数" : "any integer";
    case SettingCheck::AnyText:
      return chinese ? "任意路径" : "any path";
    case SettingCheck::WebAddress:
      return chinese ? "地址，或为空" : "an address, or empty";
    case SettingCheck::Language:
      return chinese ? "auto、zh 或 en" : "auto, zh or en";
    case SettingCheck::VideoFormat:
      return chinese ? "mp4 或 webm" : "mp4 or webm";
    case SettingCheck::VideoHeight:
      return "720/1080/2160";
  }
  return {};
}

std::string SettingConfirmation(const SettingInfo& setting, std::int32_t number, std::string_view text) {
  const bool chinese = InChinese();
  std::string shown = setting.kind == SettingKind::Text ? std::string(text) : SettingNumberText(setting, number);
  if (shown.empty()) shown = "\"\"";
  std::string line =
      SettingDisplayName(setting) + " = " + shown + (chinese ? "：" : ": ") + ConfirmedMeaning(setting, number, text);
  if (WhoReadsSetting(setting) == SettingReader::kDesktopOnly) {
    line += chinese ? "（只有桌面程序读取）" : " (read by the desktop program only)";
  }
  return line;
}

std::string SettingRefusal(const SettingInfo& setting) {
  const bool chinese = InChinese();
  const std::string name = SettingDisplayName(setting);
  // "<name> takes <what>, e.g. <example>" / "<name> 须为<what>，例如 <example>".
  auto sentence = [&](std::string_view what, std::string_view example) {
    if (chinese) return name + " 须为" + std::string(what) + "，例如 " + std::string(example);
    return name + " takes " + std::string(what) + ", e.g. " + std::string(example);
  };
  switch (setting.check) {
    case SettingCheck::Flag:
      return sentence(chinese ? " 0 或 1" : "0 or 1", setting.defaultValue != 0 ? "0" : "1");
    case SettingCheck::Range:
    case SettingCheck::Interval: {
      const Unit* unit = FindUnit(setting);
      const std::string low = std::to_string(setting.min), high = std::to_string(setting.max);
      const std::string example = unit != nullptr ? std::string(unit->example) : low;
      if (chinese) {
        return sentence(" " + low + " 到 " + high + " 之间的" + std::string(unit != nullptr ? unit->chinese : "整数"),
                        example);
      }
      return sentence(std::string(unit != nullptr ? unit->english : "whole numbers") + " from " + low + " to " + high,
                      example);
    }
    case SettingCheck::AnyInteger:
      return sentence(chinese ? "整数" : "a whole number", "0");
    case SettingCheck::AnyText:
      return sentence(chinese ? "一个文件夹" : "a folder", "/srv/movies");
    case SettingCheck::WebAddress:
      return sentence(chinese ? "只含英文字母、数字及 - . _ ~ / : % 的地址，或为空"
                              : "an address of letters, digits and - . _ ~ / : % only, or nothing",
                      "https://cdn.example.org/ruffle");
    case SettingCheck::Language:
      return sentence(chinese ? " auto、zh 或 en" : "auto, zh or en", "en");
    case SettingCheck::VideoFormat:
      return sentence(chinese ? " mp4 或 webm" : "mp4 or webm", "webm");
    case SettingCheck::VideoHeight:
      return sentence(chinese ? " 720、1080 或 2160" : "720, 1080 or 2160", "720");
  }
  return {};
}

}  // namespace orv
