// The help of orvanta-cli in its two languages. The English and the Chinese
// text of each help stand side by side, so that whoever changes one sees the
// other; the help shown is the one of the language the program speaks.
#pragma once

#include <string>

#include "base/language.h"

namespace orv::cli {

struct HelpText {
  const char* english;
  const char* chinese;
};

inline const char* InCurrentLanguage(const HelpText& help) {
  return CurrentLanguage() == UiLanguage::kChinese ? help.chinese : help.english;
}

// The line after a usage error that points at a command's help.
inline std::string HelpHint(const char* command) {
  const std::string call = std::string("'orvanta-cli ") + command + " --help'";
  return CurrentLanguage() == UiLanguage::kChinese ? "运行 " + call + " 查看全部选项。\n"
                                                   : "Run " + call + " for the options.\n";
}

}  // namespace orv::cli
