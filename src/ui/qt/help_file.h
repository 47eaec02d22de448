// The user guide: an HTML page installed with the program, in Chinese and
// in English. The desktop program opens it in the browser from the main
// window and the options sheet.
#pragma once

#include <string>
#include <vector>

#include "base/language.h"

namespace orv {

inline constexpr char kHelpFileName[] = "Orvanta.html";
inline constexpr char kEnglishHelpFileName[] = "Orvanta-en.html";

// The guide's names for a reader of `language`, the wanted one first: an
// English reader gets the Chinese guide rather than none.
std::vector<std::string> HelpFileNames(UiLanguage language);

// Where the guide may lie for a program in `programFolder`, in the order they
// are tried: for each name, beside the program (the build tree), then the
// installed share/doc/orvanta folder next to the program's bin folder.
std::vector<std::string> HelpFileCandidates(const std::string& programFolder, UiLanguage language = CurrentLanguage());

// The first candidate that exists, or empty.
std::string FindHelpFile(const std::string& programFolder, UiLanguage language = CurrentLanguage());

}  // namespace orv
