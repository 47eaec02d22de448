// The bit-packed records shared by many tags: RECT, MATRIX and the colour
// transform with alpha. All coordinates are in twips.
#pragma once

#include <cstdint>

#include "byte_writer.h"

namespace swfgen {

constexpr int kTwips = 20;  // twips per pixel

struct Rect {
  std::int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;
};

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
};

// Translation and optional uniform-per-axis scale; rotation is never needed.
struct Matrix {
  double scaleX = 1.0, scaleY = 1.0;
  std::int32_t translateX = 0, translateY = 0;
  static Matrix Translate(std::int32_t x, std::int32_t y) { return {1.0, 1.0, x, y}; }
};

void WriteRect(ByteWriter& out, const Rect& rect);
void WriteMatrix(ByteWriter& out, const Matrix& matrix);
// Colour transform that multiplies only the alpha channel (1.0 = unchanged);
// an identity transform is written as the one-byte empty record.
void WriteAlphaTransform(ByteWriter& out, double alphaMultiplier);

}  // namespace swfgen
