// Chooses installed font families for the face names and charsets that
// Windows metafiles name.
#pragma once

#include <string>

namespace orv {

// A pango family list ("A, B, C") for a face name (UTF-8) and a charset.
std::string FontFamiliesFor(const std::string& face, int charset);

}  // namespace orv
