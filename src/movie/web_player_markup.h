// The lines a page carries in its head when it plays its movie through the
// bundled Flash player emulator (the folder "ruffle/" beside the page).
#pragma once

#include <string>

#include "movie/conversion_settings.h"

namespace orv {

// Folder, beside the pages, that holds the emulator; the pages load
// kWebPlayerFolder + "/ruffle.js".
inline constexpr char kWebPlayerFolder[] = "ruffle";

// ASCII text, every line ending in CR LF like the rest of the page. Served
// over http(s) it loads the emulator so that the movie starts by itself with
// no click and no unmute overlay; opened from a file, where browsers block
// the emulator, it puts a notice in place of the movie saying how to watch it.
std::string WebPlayerHeadLines(const ConversionSettings& settings);

}  // namespace orv
