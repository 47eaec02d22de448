// How people are told about one stored value in the program's language: the
// name they read it by, its range, what a value just set does, what an
// entry that was refused should have been, and which program reads it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings_values.h"

namespace orv {

// Which program reads a value: both, only the desktop program (it opens the
// output folder, shares slides among LibreOffices, shows message boxes), or
// none ("UnProtect" is kept as stored).
enum class SettingReader { kEveryProgram, kDesktopOnly, kNobody };
SettingReader WhoReadsSetting(const SettingInfo& setting);

// The name a value is shown by: in English its field name where the stored
// name is Chinese ("Loop" for "循环"), in Chinese the stored name without
// its trailing blank ("延迟"). FindSetting finds every such name.
std::string SettingDisplayName(const SettingInfo& setting);

// "0 or 1", "16 to 2048", "auto, zh or en" in the program's language.
std::string SettingRangeText(const SettingInfo& setting);

// "ShowNav = 0: the navigation panel is shown": the value as set and what it
// does now; `number` for integers, `text` for the text values.
std::string SettingConfirmation(const SettingInfo& setting, std::int32_t number, std::string_view text);

// "Delay takes whole seconds from 0 to 9999, e.g. 5": what an entry that was
// refused should have been, naming the value, its range and an example.
std::string SettingRefusal(const SettingInfo& setting);

}  // namespace orv
