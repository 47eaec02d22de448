// The twin's own words (buttons, panels, what a screen reader hears) in the
// interface's language. The template names them by key ("@L:close@"), so
// one page serves both languages.
#pragma once

#include <string_view>

#include "base/language.h"

namespace orv {

// The label `key` in `language`; "" for a key the table does not know.
std::string_view TwinLabel(std::string_view key, UiLanguage language);

// The BCP 47 tag of the labels of `language`: "zh-CN" or "en".
std::string_view TwinLabelTag(UiLanguage language);

}  // namespace orv
