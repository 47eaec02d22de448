// Outlines made of straight and quadratic curved edges, and their encoding as
// SWF shape records. Coordinates are twips.
#pragma once

#include <cstdint>
#include <vector>

#include "byte_writer.h"
#include "records.h"

namespace swfgen {

class Path {
 public:
  void MoveTo(std::int32_t x, std::int32_t y);
  void LineTo(std::int32_t x, std::int32_t y);
  void CurveTo(std::int32_t controlX, std::int32_t controlY, std::int32_t x, std::int32_t y);

  // Contours run clockwise on screen; `reversed` runs them the other way,
  // which cuts a hole when drawn inside a clockwise contour of the same fill.
  void AddRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, bool reversed = false);
  // Rectangle with quarter-circle corners approximated by one quadratic each.
  void AddRoundedRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::int32_t radius,
                      bool reversed = false);
  // Closed polygon through the given points.
  void AddPolygon(const std::vector<std::pair<std::int32_t, std::int32_t>>& points);

  bool empty() const { return segments_.empty(); }
  // Smallest rectangle holding every point, control points included.
  Rect Bounds() const;

  // Appends the edge records of this path: every contour starts with a style
  // change record that moves the pen; the first one also selects `fill0`
  // (fill bits wide) when `fill0` is not negative.
  void WriteRecords(class BitWriter& bits, int fill0, unsigned fillBits) const;

 private:
  enum class Kind { Move, Line, Curve };
  struct Segment {
    Kind kind;
    std::int32_t cx, cy, x, y;
  };
  std::vector<Segment> segments_;
};

struct FilledPath {
  Rgba color;
  Path path;
};

// A shape character: one solid fill per path, drawn in order.
struct Shape {
  std::vector<FilledPath> layers;
  Shape& Add(Rgba color, Path path) {
    layers.push_back({color, std::move(path)});
    return *this;
  }
  Rect Bounds() const;
  bool HasTransparency() const;
};

// DefineShape2 for opaque shapes, DefineShape3 (alpha colours) otherwise.
Bytes DefineShapeTag(std::uint16_t id, const Shape& shape);
// The SHAPE record of a font glyph: fill bits 1, line bits 0, fill 0 = 1.
Bytes GlyphShape(const Path& path);

}  // namespace swfgen
