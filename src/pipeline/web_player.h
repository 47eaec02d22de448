// The Flash player emulator that ships with the program, and its copy into
// an output folder, where the pages load it from "ruffle/" beside them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orv {

// The stamp file inside the bundle: one line naming the emulator's version.
// A copy whose stamp differs from the program's is replaced.
inline constexpr char kWebPlayerStamp[] = "VERSION";

struct WebPlayerBundle {
  std::string folder;   // where the bundle is, or the last place it was looked for
  std::string version;  // the stamp's text; empty when not found
  bool found() const { return !version.empty(); }
};

// Where a program in `programFolder` looks for the bundle, in order: beside
// the program (the build tree), then share/orvanta/ruffle next to its bin
// folder (an installation).
std::vector<std::string> WebPlayerCandidates(const std::string& programFolder);

// The first candidate that holds a stamped bundle.
WebPlayerBundle LocateWebPlayer(const std::string& programFolder);
// The same for the running program.
WebPlayerBundle LocateWebPlayer();

// Reads a bundle at a known folder (tests, the preview server); not found when
// the folder has no stamp.
WebPlayerBundle ReadWebPlayerBundle(const std::string& folder);

// The hidden folders a copy works in (".ruffle.new.*", ".ruffle.old.*"),
// which nobody is meant to open.
bool IsWebPlayerWorkingName(std::string_view name);

enum class WebPlayerCopy { kPresent, kCopied, kFailed };

// Makes sure outputFolder/ruffle holds the bundle's version, complete. A
// whole copy of the same version is left alone; another version, an
// unstamped folder or a copy missing a file is replaced. The files go to a hidden temporary folder that is renamed into
// place only when complete, so an interrupted copy never leaves half a
// player, and nothing else in the output folder is touched. No message here:
// callers word it (kFailed when the folder cannot take the copy).
WebPlayerCopy InstallWebPlayer(const WebPlayerBundle& bundle, const std::string& outputFolder);

}  // namespace orv
