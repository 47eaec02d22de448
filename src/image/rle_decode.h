// Run-length encoded bitmap rows with 4- or 8-bit palette indices, as BMP
// files and metafile bitmaps store them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orv {

struct RunLengthOptions {
  bool fourBit = false;
  // An absolute run cut short by the end of the data: true draws the pixels
  // it still has, false drops the whole run.
  bool drawCutRun = false;
};

// A byte source over memory. Byte() is -1 past the end.
class SpanByteSource {
 public:
  explicit SpanByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  int Byte() { return at_ < bytes_.size() ? bytes_[at_++] : -1; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

// Decodes run-length data from `source` (anything with an int Byte() that
// is -1 at the end) into put(x, row, index) calls, only for pixels inside a
// width x height picture. Rows count in stored order, first row 0. Decoding
// ends at the end-of-bitmap code, at the end of the data, or once the
// current row has left the picture (nothing after that could be written).
template <typename Source, typename Put>
void DecodeRunLength(Source& source, std::uint64_t width, std::uint64_t height, RunLengthOptions options, Put&& put) {
  const bool four = options.fourBit;
  std::uint64_t x = 0;
  std::uint64_t row = 0;
  const auto emit = [&](std::uint8_t index) {
    if (x < width && row < height) put(x, row, index);
    ++x;
  };
  const auto nibble = [](std::uint8_t value, std::size_t i) -> std::uint8_t {
    return (i & 1) != 0 ? value & 0x0F : value >> 4;
  };
  while (row < height) {
    const int count = source.Byte();
    const int value = source.Byte();
    if (count < 0 || value < 0) return;
    if (count > 0) {  // encoded run
      const auto c = static_cast<std::uint8_t>(value);
      for (int i = 0; i < count; ++i) emit(four ? nibble(c, static_cast<std::size_t>(i)) : c);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // delta
      const int dx = source.Byte();
      const int dy = source.Byte();
      if (dx < 0 || dy < 0) return;
      x += static_cast<std::uint64_t>(dx);
      row += static_cast<std::uint64_t>(dy);
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      const std::size_t bytes = four ? (static_cast<std::size_t>(value) + 1) / 2 : static_cast<std::size_t>(value);
      std::uint8_t run[255];
      std::size_t got = 0;
      for (int c = 0; got < bytes && (c = source.Byte()) >= 0;) run[got++] = static_cast<std::uint8_t>(c);
      if (got < bytes && !options.drawCutRun) return;
      for (std::size_t i = 0; i < static_cast<std::size_t>(value); ++i) {
        const std::size_t at = four ? i / 2 : i;
        if (at >= got) break;
        emit(four ? nibble(run[at], i) : run[at]);
      }
      if (got < bytes) return;
      if ((bytes & 1) != 0 && source.Byte() < 0) return;
    }
  }
}

}  // namespace orv
