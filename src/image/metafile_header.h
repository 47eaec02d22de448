// Recognises the two metafile forms and works out the picture's natural size.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace orv {

struct IntRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// A placeable Windows metafile: the 22-byte placeable header, then the
// standard metafile (header and records) of `metafile` bytes.
struct PlaceableWmf {
  IntRect box;  // bounding box in metafile units
  std::uint16_t unitsPerInch = 0;
  std::uint16_t headerWords = 0;  // standard header size in 16-bit words
  std::uint32_t maxRecordWords = 0;
  std::uint16_t objectCount = 0;
  std::span<const std::uint8_t> metafile;  // standard header + records
};

struct EnhancedHeader {
  IntRect bounds;                                  // inclusive, device units
  IntRect frame;                                   // 0.01 mm
  std::int32_t deviceWidth = 0, deviceHeight = 0;  // reference device, pixels
  std::int32_t deviceWidthMm = 0, deviceHeightMm = 0;
  std::uint16_t handleCount = 0;
  std::span<const std::uint8_t> records;  // header record first, at most nBytes
};

std::optional<PlaceableWmf> ParsePlaceableWmf(std::span<const std::uint8_t> data);
std::optional<EnhancedHeader> ParseEnhancedHeader(std::span<const std::uint8_t> data);

// Applies the forced sides and the 4000-pixel limit, in that order, to a
// natural size that is known to be positive.
void ApplySizeRules(std::int64_t& width, std::int64_t& height, int maxWidth, int maxHeight);

}  // namespace orv
