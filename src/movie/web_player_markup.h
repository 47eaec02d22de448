// The lines a page carries in its head when it plays its movie through the
// bundled Flash player emulator (the folder "ruffle/" beside the page).
#pragma once

#include <string>
#include <string_view>

#include "movie/conversion_settings.h"

namespace orv {

// Folder, beside the pages, that holds the emulator; the pages load
// kWebPlayerFolder + "/ruffle.js".
inline constexpr char kWebPlayerFolder[] = "ruffle";

// True for a non-empty address made only of letters, digits and "-._~/:%":
// it can go into a script's string literal and an HTML attribute as it is.
bool IsPlainAddress(std::string_view address);

// The address, ending in "/", that pages load a shared player from
// (WebPlayerUrl), or empty when the output folders carry their own copy: no
// WebPlayerUrl, or one that is not a plain address.
std::string SharedWebPlayerBase(const ConversionSettings& settings);

// ASCII text, every line ending in CR LF like the rest of the page. Served
// over http(s) it loads the emulator from `player` (the folder's address,
// ending in "/"; one that is not a plain address gives "ruffle/") so that the
// movie starts by itself with no click and no unmute overlay; opened from a
// file, where browsers block the emulator, it puts a notice in place of the
// movie saying how to watch it, naming `previewProgram` (empty:
// "orvanta-cli") and, with `linksTwin`, linking the movie's HTML5 version.
// The notice's words follow the program's language (base/language.h).
std::string WebPlayerHeadLines(std::string_view player, bool linksTwin, std::string_view previewProgram);

// The words of the link under a playing page's movie to its HTML5 twin,
// ASCII with character references.
std::string TwinLinkText();

}  // namespace orv
