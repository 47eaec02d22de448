// The help of orvanta-cli in its two languages. The English and the Chinese
// text of each help stand side by side, so that whoever changes one sees the
// other; the help shown is the one of the language the program speaks.
#pragma once

#include "base/language.h"

namespace orv::cli {

struct HelpText {
  const char* english;
  const char* chinese;
};

inline const char* InCurrentLanguage(const HelpText& help) {
  return CurrentLanguage() == UiLanguage::kChinese ? help.chinese : help.english;
}

}  // namespace orv::cli
