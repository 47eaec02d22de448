// Small pictures in the file formats the codecs read: BMP in its header
// variants, solid-colour BMP files, and an empty placeable metafile.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/files.h"

namespace orv::test {

inline void Put16(ByteVector& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(ByteVector& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

struct BmpLayout {
  std::int32_t width = 1;
  std::int32_t height = 1;  // negative: top-down
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t headerSize = 40;  // 12, 40 or 64
  bool fileHeader = true;
  std::int32_t ppm = 2835;
  std::uint32_t clrUsed = 0;
  ByteVector palette;                      // as stored in the file
  ByteVector pixels;                       // as stored in the file
  std::optional<std::uint32_t> sizeField;  // file header's size field
};

inline ByteVector BuildBmp(const BmpLayout& s) {
  ByteVector info;
  if (s.headerSize == 12) {
    Put32(info, 12);
    Put16(info, static_cast<std::uint32_t>(s.width));
    Put16(info, static_cast<std::uint32_t>(s.height));
    Put16(info, 1);
    Put16(info, s.bits);
  } else {
    Put32(info, s.headerSize);
    Put32(info, static_cast<std::uint32_t>(s.width));
    Put32(info, static_cast<std::uint32_t>(s.height));
    Put16(info, 1);
    Put16(info, s.bits);
    Put32(info, s.compression);
    Put32(info, static_cast<std::uint32_t>(s.pixels.size()));
    Put32(info, static_cast<std::uint32_t>(s.ppm));
    Put32(info, static_cast<std::uint32_t>(s.ppm));
    Put32(info, s.clrUsed);
    Put32(info, 0);
    info.resize(s.headerSize, 0);
  }
  ByteVector out;
  const std::uint32_t offset = static_cast<std::uint32_t>(14 + info.size() + s.palette.size());
  if (s.fileHeader) {
    Put16(out, 0x4D42);
    Put32(out, s.sizeField.value_or(offset + static_cast<std::uint32_t>(s.pixels.size())));
    Put32(out, 0);
    Put32(out, offset);
  }
  out.insert(out.end(), info.begin(), info.end());
  out.insert(out.end(), s.palette.begin(), s.palette.end());
  out.insert(out.end(), s.pixels.begin(), s.pixels.end());
  return out;
}

// 24-bit bottom-up rows; colour(x, y) gives blue, green, red for stored row y.
template <typename Colour>
ByteVector Rows24(int width, int height, Colour colour) {
  const int stride = ((width * 24 + 31) / 32) * 4;
  ByteVector rows(static_cast<std::size_t>(stride) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto c = colour(x, y);
      std::uint8_t* p = &rows[static_cast<std::size_t>(y) * stride + 3 * x];
      p[0] = c[0];
      p[1] = c[1];
      p[2] = c[2];
    }
  }
  return rows;
}

inline ByteVector GreyPalette256() {
  ByteVector p;
  for (int i = 0; i < 256; ++i) {
    p.insert(p.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0});
  }
  return p;
}

// A bottom-up 24-bit BMP of width x height filled with (r, g, b).
inline ByteVector SolidBmp(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.ppm = 3780;
  layout.pixels = Rows24(width, height, [&](int, int) { return std::array<std::uint8_t, 3>{b, g, r}; });
  return BuildBmp(layout);
}
inline void WriteSolidBmp(const std::string& path, int width, int height, std::uint8_t r, std::uint8_t g,
                          std::uint8_t b) {
  WriteFile(path, SolidBmp(width, height, r, g, b));
}

// A placeable metafile of the given box and units per inch with no drawing.
inline ByteVector EmptyPlaceableWmf(std::int16_t right, std::int16_t bottom, std::uint16_t unitsPerInch) {
  ByteVector b;
  Put32(b, 0x9AC6CDD7u);
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, static_cast<std::uint16_t>(right));
  Put16(b, static_cast<std::uint16_t>(bottom));
  Put16(b, unitsPerInch);
  Put32(b, 0);
  std::uint16_t sum = 0;
  for (int i = 0; i < 10; ++i) sum ^= static_cast<std::uint16_t>(b[2 * i] | (b[2 * i + 1] << 8));
  Put16(b, sum);
  Put16(b, 1);      // type: memory
  Put16(b, 9);      // header words
  Put16(b, 0x300);  // version
  Put32(b, 9 + 3);  // size in words
  Put16(b, 0);      // objects
  Put32(b, 3);      // largest record
  Put16(b, 0);
  Put32(b, 3);  // end-of-file record
  Put16(b, 0);
  return b;
}

}  // namespace orv::test
