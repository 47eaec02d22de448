// The table of every value the settings store keeps, and the range checks the
// options pages apply when a value is entered.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orv {

enum class SettingKind { Integer, Text };

// How an entered integer is checked (the options pages' rules).
enum class SettingCheck {
  Flag,         // 0 or 1 (check boxes and the two radio groups)
  Range,        // an integer between min and max
  Interval,     // a non-negative integer up to max (the playback interval)
  AnyInteger,   // kept as stored ("UnProtect" has no control)
  AnyText,      // "OutputDir"
  WebAddress,   // empty, or letters, digits and "-._~/:%" ("WebPlayerUrl")
  Language,     // "auto", "zh" or "en" ("Language")
  VideoFormat,  // "mp4" or "webm", stored as 0 or 1 ("VideoFormat")
  VideoHeight,  // 720, 1080 or 2160 ("VideoHeight")
};

struct SettingInfo {
  std::string_view name;   // stored value name, UTF-8 ("延迟 " with its blank)
  std::string_view field;  // ConversionSettings field ("Delay"); "OutputFolder" for the text
  SettingKind kind;
  SettingCheck check;
  std::int32_t defaultValue;  // integers only; the text default is DefaultOutputFolder()
  std::int32_t min;
  std::int32_t max;
};

// Every stored value in the order LoadConversionSettings reads them, the
// text values "Language", "WebPlayerUrl" and "OutputDir" last.
std::span<const SettingInfo> SettingTable();

// Looks a value up by its stored name, or by its field name without regard to
// letter case ("Delay" finds "延迟 ", "loop" finds "循环"), or by its stored
// name without the trailing blank ("延迟"). Null when unknown.
const SettingInfo* FindSetting(std::string_view name);

// The outcome of checking one entered value.
struct SettingValue {
  std::int32_t number = 0;  // the integer, for integer values
  std::string text;         // the text, for the text values
};
struct SettingCheckResult {
  std::optional<SettingValue> value;  // set when the entry is accepted
  std::string message;                // otherwise the options pages' message
};

// Applies the options pages' checks to `text` entered for `setting`:
// "请输入一个整数" for a width, height, quality or flag that is not an
// integer, "请输入一个16到2048间的整数" (with the bounds) outside the range,
// "请输入一正整数" for an interval that is not a non-negative integer.
SettingCheckResult ValidateSettingValue(const SettingInfo& setting, std::string_view text);
// The same by name; an unknown name is refused with an empty message.
SettingCheckResult ValidateSettingValue(std::string_view name, std::string_view text);

// "0 or 1", "16 to 2048", "any integer", "any text": for help texts.
std::string DescribeRange(const SettingInfo& setting);

// How a stored integer is written for people: "webm" for VideoFormat 1,
// the number itself for every other value.
std::string SettingNumberText(const SettingInfo& setting, std::int32_t number);

}  // namespace orv
