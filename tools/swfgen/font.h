// Embedded font for the player's labels: glyph outlines read from a TrueType
// file with FreeType at build time and written as a DefineFont2 tag.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "byte_writer.h"
#include "shape.h"

namespace swfgen {

struct Glyph {
  char32_t code = 0;
  Path outline;  // in the 1024-unit em square, y pointing down
  std::int16_t advance = 0;
  Rect bounds;
};

struct EmbeddedFont {
  std::string name;
  bool bold = false;
  std::uint16_t ascent = 0, descent = 0;
  std::int16_t leading = 0;
  std::vector<Glyph> glyphs;  // sorted by code
};

// Loads the outlines of `characters` (ASCII) from a TrueType file. Throws on
// a missing file or glyph.
EmbeddedFont LoadFont(const std::string& path, const std::string& name, const std::string& characters);

Bytes DefineFont2Tag(std::uint16_t id, const EmbeddedFont& font);

}  // namespace swfgen
