#include "movie/frame_records.h"

#include <algorithm>
#include <bit>

namespace orv {
namespace {

bool ValidSide(std::int32_t px) { return px >= 1 && px <= kMaxFramePixels; }

// One straight edge along an axis: TypeFlag, StraightFlag, NumBits - 2,
// GeneralLineFlag 0, VertLineFlag, then the signed delta.
void PutAxisEdge(BitWriter& writer, bool vertical, std::int32_t delta, unsigned bits) {
  writer.Put(1, 1);
  writer.Put(1, 1);
  writer.Put(4, bits - 2);
  writer.Put(1, 0);
  writer.Put(1, vertical ? 1 : 0);
  writer.Put(bits, static_cast<std::uint32_t>(delta));
}

}  // namespace

bool ReadFrameRect(std::span<const std::uint8_t> bytes, std::size_t offset, FrameRect& rect) {
  std::size_t bit = offset * 8;
  // Most significant bit first; false once a bit lies past the end.
  auto get = [&](unsigned count, std::uint32_t& value) {
    value = 0;
    for (unsigned k = 0; k < count; ++k, ++bit) {
      if (bit / 8 >= bytes.size()) return false;
      value = (value << 1) | ((bytes[bit / 8] >> (7 - bit % 8)) & 1u);
    }
    return true;
  };
  std::uint32_t bits = 0;
  if (!get(5, bits)) return false;
  std::int32_t* const fields[] = {&rect.xMin, &rect.xMax, &rect.yMin, &rect.yMax};
  for (std::int32_t* field : fields) {
    std::uint32_t raw = 0;
    if (!get(bits, raw)) return false;
    if (bits > 0 && bits < 32 && (raw >> (bits - 1)) != 0) raw |= ~0u << bits;
    *field = static_cast<std::int32_t>(raw);
  }
  return true;
}

unsigned SignedBitsFor(std::uint32_t twips) {
  return twips == 0 ? 1u : static_cast<unsigned>(std::bit_width(twips)) + 1u;
}

bool BuildFrameRect(BitWriter& writer, std::int32_t widthPx, std::int32_t heightPx) {
  writer.Reset();
  if (!ValidSide(widthPx) || !ValidSide(heightPx)) return false;
  const auto w = static_cast<std::uint32_t>(widthPx * kTwipsPerPixel);
  const auto h = static_cast<std::uint32_t>(heightPx * kTwipsPerPixel);
  const unsigned n = SignedBitsFor(std::max(w, h));
  writer.Put(5, n);
  writer.Put(n, 0);
  writer.Put(n, w);
  writer.Put(n, 0);
  writer.Put(n, h);
  return !writer.overflowed();
}

bool BuildSlideOutline(BitWriter& writer, std::int32_t widthPx, std::int32_t heightPx) {
  writer.Reset();
  if (!ValidSide(widthPx) || !ValidSide(heightPx)) return false;
  const std::int32_t w = widthPx * kTwipsPerPixel;
  const std::int32_t h = heightPx * kTwipsPerPixel;
  const unsigned nw = SignedBitsFor(static_cast<std::uint32_t>(w));
  const unsigned nh = SignedBitsFor(static_cast<std::uint32_t>(h));
  // Style change: fill style 1 chosen, no move (the pen starts at 0, 0).
  writer.Put(7, 0b0001001);
  PutAxisEdge(writer, false, w, nw);
  PutAxisEdge(writer, true, h, nh);
  PutAxisEdge(writer, false, -w, nw);
  PutAxisEdge(writer, true, -h, nh);
  writer.Put(6, 0);  // end of shape
  return !writer.overflowed();
}

}  // namespace orv
