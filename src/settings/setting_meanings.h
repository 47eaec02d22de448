// What a stored value does, in words: the stored names are the system's own
// and some read backwards ("ShowNav 1" hides the panel), so the settings
// command and the manual say what each value means.
#pragma once

#include <string>
#include <string_view>

#include "settings/settings_values.h"

namespace orv {

// What `number` (integers) or `text` (text values) does for `setting` now:
// "panel hidden", "each slide's own timing", "JPEG quality 90".
std::string ExplainSetting(const SettingInfo& setting, std::int32_t number, std::string_view text = {});

// What the value is for, whatever it holds: "the navigation panel: 0 shown,
// 1 hidden". For the manual's table.
std::string_view SettingPurpose(const SettingInfo& setting);

}  // namespace orv
