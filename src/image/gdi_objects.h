// The drawing objects and device-context state that both metafile forms share.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

typedef struct _cairo_surface cairo_surface_t;

namespace orv {

struct Colour {
  std::uint8_t red = 0, green = 0, blue = 0;
  // From a Windows COLORREF (red in the low byte); palette-relative forms
  // keep their RGB bytes.
  static Colour FromColorRef(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16)};
  }
  bool operator==(const Colour&) const = default;
};

enum PenStyle : int {
  kPenSolid = 0,
  kPenDash = 1,
  kPenDot = 2,
  kPenDashDot = 3,
  kPenDashDotDot = 4,
  kPenNull = 5,
  kPenInsideFrame = 6,
};

struct Pen {
  int style = kPenSolid;
  double width = 0;  // logical units; 0 is one pixel
  Colour colour;
};

enum BrushStyle : int { kBrushSolid = 0, kBrushNull = 1, kBrushHatched = 2, kBrushPattern = 3 };

struct Brush {
  int style = kBrushSolid;
  Colour colour{255, 255, 255};
  // Pattern brushes tile this bitmap (shared, released with the last user).
  std::shared_ptr<cairo_surface_t> pattern;
};

struct Font {
  int height = 0;      // logical; negative is the character height
  int escapement = 0;  // tenths of a degree, counter-clockwise
  int weight = 400;
  bool italic = false, underline = false, strikeOut = false;
  int charset = 0;
  std::string face;  // UTF-8
};

// Objects the drawing does not use still take a slot in the object table.
struct OtherObject {};

using GdiObject = std::variant<std::monostate, Pen, Brush, Font, OtherObject>;

enum MapMode : int {
  kMapText = 1,
  kMapLoMetric = 2,
  kMapHiMetric = 3,
  kMapLoEnglish = 4,
  kMapHiEnglish = 5,
  kMapTwips = 6,
  kMapIsotropic = 7,
  kMapAnisotropic = 8,
};

enum TextAlign : int {
  kAlignUpdateCp = 1,
  kAlignRight = 2,
  kAlignCenter = 6,
  kAlignBottom = 8,
  kAlignBaseline = 24,
};

struct Affine {
  double xx = 1, yx = 0, xy = 0, yy = 1, x0 = 0, y0 = 0;  // cairo's layout
};

struct DcState {
  Pen pen{kPenSolid, 0, {0, 0, 0}};
  Brush brush{kBrushSolid, {255, 255, 255}, nullptr};
  Font font;
  Colour textColour{0, 0, 0};
  Colour backColour{255, 255, 255};
  bool opaqueBackground = true;
  int textAlign = 0;
  bool windingFill = false;
  int mapMode = kMapText;
  double windowOrgX = 0, windowOrgY = 0, windowExtX = 1, windowExtY = 1;
  double viewportOrgX = 0, viewportOrgY = 0, viewportExtX = 1, viewportExtY = 1;
  Affine world;
  double currentX = 0, currentY = 0;
};

}  // namespace orv
