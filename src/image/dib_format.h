// The bitmap header shared by BMP files and the bitmaps inside metafiles.
// Only the fields are read here; each reader decides which header sizes,
// depths and compressions it accepts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace orv {

constexpr std::uint32_t kDibRgb = 0;
constexpr std::uint32_t kDibRle8 = 1;
constexpr std::uint32_t kDibRle4 = 2;
constexpr std::uint32_t kDibBitFields = 3;

struct DibHeader {
  std::uint32_t size = 0;  // 12 for the core form, 40 or more for the info forms
  std::int64_t width = 0;
  std::int64_t height = 0;  // made positive; topDown keeps the sign
  bool topDown = false;
  int bitsPerPixel = 0;
  std::uint32_t compression = kDibRgb;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::uint32_t coloursUsed = 0;
};

// Reads the core header (12 bytes, unsigned 16-bit sides) or the first 40
// bytes of an info header at the start of `bytes`. Empty for a size field
// of neither form, or when `bytes` ends before the fields do; a size field
// larger than `bytes` is not checked here.
std::optional<DibHeader> ReadDibHeader(std::span<const std::uint8_t> bytes);

}  // namespace orv
