#include "image/dib_decode.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>
#include <vector>

#include "image/byte_reader.h"
#include "image/dib_format.h"
#include "image/rle_decode.h"

namespace orv {
namespace {

constexpr std::int64_t kMaxPixels = std::int64_t{1} << 24;
constexpr std::int64_t kMaxSide = 1 << 16;

struct DibInfo {
  std::int64_t width = 0, height = 0;
  bool topDown = false;
  int bitsPerPixel = 0;
  std::uint32_t compression = 0;
  std::array<std::uint32_t, 3> masks{};      // red, green, blue
  std::array<std::uint32_t, 256> palette{};  // 0x00RRGGBB
  std::size_t tableBytes = 0;                // header + masks + colour table
};

// Reads bit-field masks and returns where the colour table starts: masks
// follow a header shorter than 52 bytes and lie inside the longer ones.
std::optional<std::size_t> ReadMasks(const DibHeader& header, std::span<const std::uint8_t> info, DibInfo& dib) {
  if (header.size == 12 || header.compression != kDibBitFields) return header.size;
  ByteReader masks(info.subspan(40));
  dib.masks = {masks.U32(), masks.U32(), masks.U32()};
  if (!masks.ok()) return std::nullopt;
  if (header.size >= 52) return header.size;
  if (std::size_t{header.size} + 12 > info.size()) return std::nullopt;
  return std::size_t{header.size} + 12;
}

// Sides within the limits, and a compression that suits the depth.
bool FormatUnderstood(const DibInfo& dib) {
  if (dib.width <= 0 || dib.height <= 0 || dib.width > kMaxSide || dib.height > kMaxSide ||
      dib.width * dib.height > kMaxPixels) {
    return false;
  }
  switch (dib.bitsPerPixel) {
    case 1:
    case 24:
      return dib.compression == kDibRgb;
    case 4:
    case 8: {
      const std::uint32_t rle = dib.bitsPerPixel == 8 ? kDibRle8 : kDibRle4;
      if (dib.compression != kDibRgb && dib.compression != rle) return false;
      // Run-length rows are stored bottom up only.
      return !(dib.compression == rle && dib.topDown);
    }
    case 16:
    case 32:
      return dib.compression == kDibRgb || dib.compression == kDibBitFields;
    default:
      return false;
  }
}

// Fills the palette from the colour table at `tableStart`; false when the
// pixels need entries that are not there.
bool ReadColourTable(std::span<const std::uint8_t> info, std::size_t tableStart, std::uint64_t entries,
                     std::size_t entrySize, bool paletteIndices, DibInfo& dib) {
  if (entries == 0 && dib.bitsPerPixel <= 8) entries = std::uint64_t{1} << dib.bitsPerPixel;
  if (entries > (info.size() - std::min(info.size(), tableStart)) / entrySize) {
    // A short colour table is refused only where the pixels need it.
    if (dib.bitsPerPixel <= 8) return false;
    entries = 0;
  }
  dib.tableBytes = tableStart + static_cast<std::size_t>(entries) * entrySize;
  for (std::size_t i = 0; i < entries && i < dib.palette.size(); ++i) {
    const std::size_t at = tableStart + i * entrySize;
    if (paletteIndices) {
      const std::uint32_t grey = info[at] & 0xFF;
      dib.palette[i] = grey << 16 | grey << 8 | grey;
    } else {
      dib.palette[i] = std::uint32_t{info[at + 2]} << 16 | std::uint32_t{info[at + 1]} << 8 | info[at];
    }
  }
  return true;
}

std::optional<DibInfo> ParseInfo(std::span<const std::uint8_t> info, bool paletteIndices) {
  const auto header = ReadDibHeader(info);
  // The fields of an info header longer than the bytes given are not trusted.
  if (!header || (header->size != 12 && header->size > info.size())) return std::nullopt;
  DibInfo dib;
  dib.width = header->width;
  dib.height = header->height;
  dib.topDown = header->topDown;
  dib.bitsPerPixel = header->bitsPerPixel;
  dib.compression = header->compression;
  const auto tableStart = ReadMasks(*header, info, dib);
  if (!tableStart || !FormatUnderstood(dib)) return std::nullopt;
  if (dib.compression == kDibRgb) {
    dib.masks = dib.bitsPerPixel == 16 ? std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                                       : std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
  }
  const std::size_t entrySize = paletteIndices ? 2 : header->size == 12 ? 3 : 4;
  if (!ReadColourTable(info, *tableStart, header->coloursUsed, entrySize, paletteIndices, dib)) {
    return std::nullopt;
  }
  return dib;
}

std::uint32_t Channel(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const std::uint32_t max = mask >> shift;
  return ((value & mask) >> shift) * 255 / max;
}

// Expands run-length encoded rows (bottom row first) into one palette index
// per pixel, top row first. Pixels the runs do not reach keep index 0; an
// absolute run cut short by the end of the data is dropped.
std::vector<std::uint8_t> ExpandRunLengths(const DibInfo& dib, std::span<const std::uint8_t> bits) {
  const std::size_t width = static_cast<std::size_t>(dib.width), height = static_cast<std::size_t>(dib.height);
  std::vector<std::uint8_t> indices(width * height, 0);
  SpanByteSource source(bits);
  DecodeRunLength(
      source, width, height, {.fourBit = dib.compression == kDibRle4, .drawCutRun = false},
      [&](std::uint64_t x, std::uint64_t row, std::uint8_t index) { indices[(height - 1 - row) * width + x] = index; });
  return indices;
}

SurfacePtr Decode(const DibInfo& dib, std::span<const std::uint8_t> bits) {
  if (dib.compression == kDibRle8 || dib.compression == kDibRle4) {
    const std::vector<std::uint8_t> indices = ExpandRunLengths(dib, bits);
    const int width = static_cast<int>(dib.width), height = static_cast<int>(dib.height);
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), cairo_surface_destroy);
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    cairo_surface_flush(surface.get());
    unsigned char* out = cairo_image_surface_get_data(surface.get());
    const int outStride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y) {
      auto* pixels = reinterpret_cast<std::uint32_t*>(out + static_cast<std::ptrdiff_t>(y) * outStride);
      for (int x = 0; x < width; ++x) {
        pixels[x] = dib.palette[indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                        static_cast<std::size_t>(x)]];
      }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
  }
  const std::uint64_t stride = ((static_cast<std::uint64_t>(dib.width) * dib.bitsPerPixel + 31) / 32) * 4;
  if (stride == 0 || static_cast<std::uint64_t>(dib.height) > bits.size() / stride) return nullptr;
  const int width = static_cast<int>(dib.width), height = static_cast<int>(dib.height);
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), cairo_surface_destroy);
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_surface_flush(surface.get());
  unsigned char* out = cairo_image_surface_get_data(surface.get());
  const int outStride = cairo_image_surface_get_stride(surface.get());
  for (int row = 0; row < height; ++row) {
    const std::size_t sourceRow = static_cast<std::size_t>(dib.topDown ? row : height - 1 - row);
    const std::uint8_t* in = bits.data() + sourceRow * stride;
    auto* pixels = reinterpret_cast<std::uint32_t*>(out + static_cast<std::ptrdiff_t>(row) * outStride);
    for (int x = 0; x < width; ++x) {
      std::uint32_t colour = 0;
      switch (dib.bitsPerPixel) {
        case 1:
          colour = dib.palette[(in[x >> 3] >> (7 - (x & 7))) & 1];
          break;
        case 4:
          colour = dib.palette[(in[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
          break;
        case 8:
          colour = dib.palette[in[x]];
          break;
        case 24: {
          const std::uint8_t* p = in + 3 * x;
          colour = std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
          break;
        }
        case 16:
        case 32: {
          std::uint32_t value = in[(dib.bitsPerPixel / 8) * x] | in[(dib.bitsPerPixel / 8) * x + 1] << 8;
          if (dib.bitsPerPixel == 32) {
            value |= std::uint32_t{in[4 * x + 2]} << 16 | std::uint32_t{in[4 * x + 3]} << 24;
          }
          colour =
              Channel(value, dib.masks[0]) << 16 | Channel(value, dib.masks[1]) << 8 | Channel(value, dib.masks[2]);
          break;
        }
        default:
          break;
      }
      pixels[x] = colour;
    }
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

}  // namespace

SurfacePtr DecodeDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits, bool paletteIndices) {
  const auto dib = ParseInfo(info, paletteIndices);
  return dib ? Decode(*dib, bits) : nullptr;
}

SurfacePtr DecodePackedDib(std::span<const std::uint8_t> packed, bool paletteIndices) {
  const auto dib = ParseInfo(packed, paletteIndices);
  if (!dib || dib->tableBytes > packed.size()) return nullptr;
  return Decode(*dib, packed.subspan(dib->tableBytes));
}

bool DibSize(std::span<const std::uint8_t> info, int& width, int& height) {
  const auto dib = ParseInfo(info, false);
  if (!dib) return false;
  width = static_cast<int>(dib->width);
  height = static_cast<int>(dib->height);
  return true;
}

}  // namespace orv
