#include "font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <stdexcept>

#include "tags.h"

namespace swfgen {

namespace {

constexpr double kEm = 1024.0;  // DefineFont2 glyphs live in a 1024-unit square

struct OutlineSink {
  Path* path;
  double scale;
  std::int32_t X(const FT_Vector* v) const { return static_cast<std::int32_t>(std::lround(v->x * scale)); }
  // Font units point up, SWF coordinates point down.
  std::int32_t Y(const FT_Vector* v) const { return static_cast<std::int32_t>(std::lround(-v->y * scale)); }
};

int OnMove(const FT_Vector* to, void* user) {
  auto* s = static_cast<OutlineSink*>(user);
  s->path->MoveTo(s->X(to), s->Y(to));
  return 0;
}
int OnLine(const FT_Vector* to, void* user) {
  auto* s = static_cast<OutlineSink*>(user);
  s->path->LineTo(s->X(to), s->Y(to));
  return 0;
}
int OnConic(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* s = static_cast<OutlineSink*>(user);
  s->path->CurveTo(s->X(control), s->Y(control), s->X(to), s->Y(to));
  return 0;
}
int OnCubic(const FT_Vector*, const FT_Vector*, const FT_Vector*, void*) {
  return 1;  // PostScript outlines are not supported: the label font is TrueType
}

struct LibraryCloser {
  void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FaceCloser {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};

}  // namespace

EmbeddedFont LoadFont(const std::string& path, const std::string& name, const std::string& characters) {
  FT_Library rawLib = nullptr;
  if (FT_Init_FreeType(&rawLib) != 0) throw std::runtime_error("FreeType did not start");
  std::unique_ptr<FT_LibraryRec_, LibraryCloser> lib(rawLib);
  FT_Face rawFace = nullptr;
  if (FT_New_Face(lib.get(), path.c_str(), 0, &rawFace) != 0) throw std::runtime_error("cannot open font " + path);
  std::unique_ptr<FT_FaceRec_, FaceCloser> face(rawFace);
  if (!FT_IS_SCALABLE(face.get())) throw std::runtime_error("font has no outlines: " + path);

  const double scale = kEm / face->units_per_EM;
  EmbeddedFont font;
  font.name = name;
  font.bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
  font.ascent = static_cast<std::uint16_t>(std::lround(face->ascender * scale));
  font.descent = static_cast<std::uint16_t>(std::lround(-face->descender * scale));
  font.leading = static_cast<std::int16_t>(std::lround((face->height - face->ascender + face->descender) * scale));

  const std::set<char32_t> codes(characters.begin(), characters.end());
  const FT_Outline_Funcs funcs{OnMove, OnLine, OnConic, OnCubic, 0, 0};
  for (char32_t code : codes) {
    const FT_UInt index = FT_Get_Char_Index(face.get(), code);
    if (index == 0) throw std::runtime_error("font lacks a glyph the player needs");
    if (FT_Load_Glyph(face.get(), index, FT_LOAD_NO_SCALE) != 0) throw std::runtime_error("glyph did not load");
    Glyph glyph;
    glyph.code = code;
    OutlineSink sink{&glyph.outline, scale};
    if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &sink) != 0)
      throw std::runtime_error("glyph outline could not be read");
    glyph.advance = static_cast<std::int16_t>(std::lround(face->glyph->metrics.horiAdvance * scale));
    glyph.bounds = glyph.outline.Bounds();
    font.glyphs.push_back(std::move(glyph));
  }
  return font;
}

Bytes DefineFont2Tag(std::uint16_t id, const EmbeddedFont& font) {
  std::vector<Bytes> shapes;
  std::size_t shapeBytes = 0;
  for (const Glyph& g : font.glyphs) {
    shapes.push_back(GlyphShape(g.outline));
    shapeBytes += shapes.back().size();
  }
  const std::size_t n = font.glyphs.size();
  // Offsets are 16-bit unless the table (offsets + code offset + shapes) needs more.
  const bool wide = 2 * (n + 1) + shapeBytes > 0xffff;
  const std::size_t offsetSize = wide ? 4 : 2;

  ByteWriter body;
  body.U16(id);
  // HasLayout, WideOffsets when needed, WideCodes, Bold
  body.U8(0x80 | (wide ? 0x08 : 0) | 0x04 | (font.bold ? 0x01 : 0));
  body.U8(1);  // Latin
  if (font.name.size() > 255) throw std::invalid_argument("font name too long");
  body.U8(static_cast<unsigned>(font.name.size()));
  body.Append(Bytes(font.name.begin(), font.name.end()));
  body.U16(static_cast<unsigned>(n));
  std::size_t offset = offsetSize * (n + 1);
  auto writeOffset = [&](std::size_t v) {
    if (wide)
      body.U32(static_cast<std::uint32_t>(v));
    else
      body.U16(static_cast<unsigned>(v));
  };
  for (const Bytes& s : shapes) {
    writeOffset(offset);
    offset += s.size();
  }
  writeOffset(offset);  // code table
  for (const Bytes& s : shapes) body.Append(s);
  for (const Glyph& g : font.glyphs) body.U16(static_cast<unsigned>(g.code));
  body.U16(font.ascent);
  body.U16(font.descent);
  body.U16(static_cast<std::uint16_t>(font.leading));
  for (const Glyph& g : font.glyphs) body.U16(static_cast<std::uint16_t>(g.advance));
  for (const Glyph& g : font.glyphs) WriteRect(body, g.bounds);
  body.U16(0);  // no kerning pairs
  return Tag(TagCode::kDefineFont2, body.bytes());
}

}  // namespace swfgen
