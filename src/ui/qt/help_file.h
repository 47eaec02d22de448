// The user guide: an HTML page installed with the program. The desktop
// program opens it in the browser from the main window and the options sheet.
#pragma once

#include <string>
#include <vector>

namespace orv {

inline constexpr char kHelpFileName[] = "Orvanta.html";
// "找不到帮助文件 - %s!" with the name of the file that was looked for.
inline constexpr char kHelpMissingPattern[] = "找不到帮助文件 - %s!";

// Where the guide may lie for a program in `programFolder`, in the order they
// are tried: beside the program (the build tree), then the installed
// share/doc/orvanta folder next to the program's bin folder.
std::vector<std::string> HelpFileCandidates(const std::string& programFolder);

// The first candidate that exists, or empty.
std::string FindHelpFile(const std::string& programFolder);

}  // namespace orv
