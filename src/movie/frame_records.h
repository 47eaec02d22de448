// The two generated bit records of a movie: the frame rectangle (used for the
// movie frame and for every slide shape's bounds) and the closed rectangle
// outline of a slide shape.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "movie/bit_writer.h"

namespace orv {

// Pixels are written as twips (1 pixel = 20 twips).
inline constexpr std::int32_t kTwipsPerPixel = 20;
// The outline's edges keep their bit count in 4 bits (at most 15 + 2 = 17
// bits, so |delta| < 65536 twips): the largest side that can be drawn.
inline constexpr std::int32_t kMaxFramePixels = 3276;

// Bits needed to hold a positive twip value as a signed number:
// floor(log2(v)) + 2.
unsigned SignedBitsFor(std::uint32_t twips);

// Both builders reset the writer first. They return false (and build
// nothing) for a side outside 1..kMaxFramePixels.
bool BuildFrameRect(BitWriter& writer, std::int32_t widthPx, std::int32_t heightPx);
bool BuildSlideOutline(BitWriter& writer, std::int32_t widthPx, std::int32_t heightPx);

// A rectangle as a RECT record states it, in twips.
struct FrameRect {
  std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};

// Reads a RECT record at `offset` (a movie's frame is at byte 8); false when
// it runs past the end of `bytes`.
bool ReadFrameRect(std::span<const std::uint8_t> bytes, std::size_t offset, FrameRect& rect);

}  // namespace orv
