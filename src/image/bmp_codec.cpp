#include "image/bmp_codec.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "image/image_stream.h"

namespace orv {
namespace {

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A shift by a count worked out from the file's masks, which may be negative
// or wider than the value; the result keeps its low 8 bits.
std::uint8_t ShiftToByte(std::uint32_t value, int shiftLeft) {
  std::uint64_t v = value;
  if (shiftLeft >= 0) {
    v = shiftLeft >= 40 ? 0 : v << shiftLeft;
  } else {
    v = -shiftLeft >= 40 ? 0 : v >> -shiftLeft;
  }
  return static_cast<std::uint8_t>(v);
}

int DpiFromPixelsPerMetre(std::int32_t ppm) {
  return static_cast<int>(std::floor(static_cast<double>(ppm) * 0.0254 + 0.5));
}

// Writes one palette index of run-length data; pixels outside the picture
// are dropped.
void PutRunPixel(RasterImage& image, std::int64_t x, std::int64_t y, std::uint8_t index) {
  if (x < 0 || y < 0 || x >= image.Width() || y >= image.Height()) return;
  if (image.BitsPerPixel() == 8) {
    image.Row(static_cast<std::uint32_t>(y))[x] = index;
  } else {
    image.SetPixelIndex(x, y, index);
  }
}

// Run-length data. Decoding ends at the end-of-bitmap code, at the end of
// the stream, or once the current row has left the picture (nothing after
// that could be written).
void DecodeRunLength(ImageStream& stream, RasterImage& image, bool fourBit) {
  std::int64_t row = 0;
  std::int64_t pos = 0;
  const std::int64_t height = image.Height();
  while (row < height) {
    const int n = stream.GetByte();
    const int m = stream.GetByte();
    if (n < 0 || m < 0) return;
    if (n > 0) {
      const auto c = static_cast<std::uint8_t>(m);
      for (int k = 0; k < n; ++k) {
        const std::uint8_t index = !fourBit ? c : (k & 1) != 0 ? (c & 0x0F) : (c >> 4);
        PutRunPixel(image, pos + k, row, index);
      }
      pos += n;
      continue;
    }
    switch (m) {
      case 0:
        pos = 0;
        ++row;
        break;
      case 1:
        return;
      case 2: {
        const int dx = stream.GetByte();
        const int dy = stream.GetByte();
        if (dx < 0 || dy < 0) return;
        pos += dx;
        row += dy;
        break;
      }
      default: {
        const int bytes = fourBit ? (m + 1) / 2 : m;
        for (int b = 0; b < bytes; ++b) {
          const int c = stream.GetByte();
          if (c < 0) return;
          if (!fourBit) {
            PutRunPixel(image, pos++, row, static_cast<std::uint8_t>(c));
            continue;
          }
          PutRunPixel(image, pos++, row, static_cast<std::uint8_t>(c >> 4));
          if (2 * b + 1 < m) PutRunPixel(image, pos++, row, static_cast<std::uint8_t>(c & 0x0F));
        }
        if ((bytes & 1) != 0 && stream.GetByte() < 0) return;
        break;
      }
    }
  }
}

}  // namespace

bool BmpCodec::Decode(ImageStream& stream) {
  const auto fail = [this](const char* text) {
    Release();
    SetLastError(text);
    return false;
  };

  const std::int64_t start = stream.Tell();
  std::uint8_t fileHeader[14];
  if (stream.Read(fileHeader, 1, sizeof fileHeader) != sizeof fileHeader) return fail("Not a BMP");
  std::uint32_t pixelOffset = 0;
  if (Le16(fileHeader) == 0x4D42) {
    // The size field (bytes 2-5) is not used: some writers get it wrong.
    pixelOffset = Le32(fileHeader + 10);
  } else if (!stream.Seek(start, SeekOrigin::Start)) {
    return fail("Not a BMP");
  }

  std::uint8_t info[40];
  if (stream.Read(info, 1, sizeof info) != sizeof info) return fail("Error reading BMP info");
  const std::uint32_t headerSize = Le32(info);
  std::int64_t width = 0;
  std::int64_t height = 0;
  unsigned bits = 0;
  std::uint32_t compression = 0;
  std::int32_t xPpm = 0;
  std::int32_t yPpm = 0;
  if (headerSize == 12) {
    width = Le16(info + 4);
    height = Le16(info + 6);
    bits = Le16(info + 10);
    if (!stream.Seek(-28, SeekOrigin::Current)) return fail("Error reading BMP info");
  } else if (headerSize == 40 || headerSize == 64) {
    width = static_cast<std::int32_t>(Le32(info + 4));
    height = static_cast<std::int32_t>(Le32(info + 8));
    bits = Le16(info + 14);
    compression = Le32(info + 16);
    xPpm = static_cast<std::int32_t>(Le32(info + 24));
    yPpm = static_cast<std::int32_t>(Le32(info + 28));
    if (headerSize == 64 && !stream.Seek(24, SeekOrigin::Current)) return fail("Error reading BMP info");
  } else {
    return fail("Error reading BMP info");
  }
  const bool threeBytePalette = headerSize != 40;
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0) return fail("Invalid BMP dimensions");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return fail("Unsupported BMP bit depth");
  }

  if (bits <= 8 && compression != kRgb && compression != kRle8 && compression != kRle4) {
    return fail("compression type not supported");
  }
  if ((bits == 24 && compression != kRgb) || (bits == 32 && compression != kRgb && compression != kBitFields)) {
    return fail("unknown compression");
  }

  // Uncompressed data must be in the stream before anything is allocated for
  // it, so a header claiming a huge picture in a small file fails at once.
  const bool runLength = bits <= 8 && (compression == kRle8 || compression == kRle4);
  if (!runLength) {
    const std::uint64_t fileRow = bits == 16 ? static_cast<std::uint64_t>((width + 1) / 2) * 4
                                  : bits == 32 ? static_cast<std::uint64_t>(width) * 4
                                               : PackedRowStride(static_cast<std::uint64_t>(width), bits);
    const std::uint64_t needed = fileRow * static_cast<std::uint64_t>(height);
    const std::int64_t size = stream.Size();
    const std::int64_t dataStart = pixelOffset != 0 ? start + pixelOffset : stream.Tell();
    if (size >= 0 && dataStart >= 0 &&
        (dataStart > size || needed > static_cast<std::uint64_t>(size - dataStart))) {
      return fail("BMP pixel data truncated");
    }
  }

  MutableHeader().biXPelsPerMeter = xPpm;
  MutableHeader().biYPelsPerMeter = yPpm;
  if (Create(width, height, static_cast<int>(bits), ImageFormat::Bmp) == nullptr) {
    return fail("Can't allocate memory");
  }
  SetXDpi(DpiFromPixelsPerMetre(xPpm));
  SetYDpi(DpiFromPixelsPerMetre(yPpm));
  // The header keeps the file's own values, not the ones rounded through dpi.
  MutableHeader().biXPelsPerMeter = xPpm;
  MutableHeader().biYPelsPerMeter = yPpm;
  std::memcpy(Block(), &Header(), sizeof(BitmapInfoHeader));

  if (PaletteSize() != 0) {
    auto* palette = reinterpret_cast<std::uint8_t*>(Palette());
    const std::uint32_t entries = PaletteSize();
    if (threeBytePalette) {
      stream.Read(palette, 3, entries);
      for (std::uint32_t i = entries; i-- > 0;) {
        const std::uint8_t b = palette[3 * i];
        const std::uint8_t g = palette[3 * i + 1];
        const std::uint8_t r = palette[3 * i + 2];
        palette[4 * i] = b;
        palette[4 * i + 1] = g;
        palette[4 * i + 2] = r;
        palette[4 * i + 3] = 0;
      }
      // Entries past a short read were spread from bytes that were never
      // read; the palette starts zeroed, so they are black.
    } else {
      stream.Read(palette, 4, entries);
    }
  }

  const auto seekToPixels = [&] {
    return pixelOffset == 0 || stream.Seek(start + pixelOffset, SeekOrigin::Start);
  };
  const auto readAll = [&](void* target, std::size_t bytes) {
    return stream.Read(target, 1, bytes) == bytes;
  };
  const std::size_t imageBytes = Header().biSizeImage;

  if (bits <= 8) {
    if (compression == kRgb) {
      if (!seekToPixels() || !readAll(Pixels(), imageBytes)) return fail("BMP pixel data truncated");
    } else if (runLength) {
      // Pixels the data never sets (skipped by a delta, or after an early end)
      // are index 0 rather than whatever the allocation held.
      std::memset(Pixels(), 0, imageBytes);
      if (!seekToPixels()) return fail("BMP pixel data truncated");
      DecodeRunLength(stream, *this, compression == kRle4);
    } else {
      return fail("compression type not supported");
    }
  } else if (bits == 24) {
    if (compression != kRgb) return fail("unknown compression");
    if (!seekToPixels() || !readAll(Pixels(), imageBytes)) return fail("BMP pixel data truncated");
  } else if (bits == 16) {
    std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (compression == kBitFields) {
      std::uint8_t raw[12];
      if (!readAll(raw, sizeof raw)) return fail("BMP pixel data truncated");
      for (int k = 0; k < 3; ++k) masks[k] = Le32(raw + 4 * k);
    }
    const std::size_t sourceStride = static_cast<std::size_t>((width + 1) / 2) * 4;
    if (!seekToPixels() || !readAll(Pixels(), sourceStride * static_cast<std::size_t>(height))) {
      return fail("BMP pixel data truncated");
    }
    const int r = std::popcount(masks[0]);
    const int g = std::popcount(masks[1]);
    const int b = std::popcount(masks[2]);
    // Expanded in place from the end: a pixel's 3 bytes never lie below its
    // own 2 source bytes, so nothing is overwritten before it is read.
    for (std::int64_t y = height - 1; y >= 0; --y) {
      const std::uint8_t* source = Pixels() + static_cast<std::size_t>(y) * sourceStride;
      std::uint8_t* target = Row(static_cast<std::uint32_t>(y));
      for (std::int64_t x = width - 1; x >= 0; --x) {
        const std::uint32_t w = Le16(source + 2 * x);
        std::uint8_t* p = target + 3 * x;
        p[0] = ShiftToByte(w & masks[2], 8 - r);
        p[1] = ShiftToByte(w & masks[1], -(r + g - 8));
        p[2] = ShiftToByte(w & masks[0], -(r + g + b - 8));
      }
    }
  } else {  // 32 bits
    if (compression != kRgb && compression != kBitFields) return fail("unknown compression");
    if (!seekToPixels()) return fail("BMP pixel data truncated");
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    auto* buffer = static_cast<std::uint8_t*>(std::malloc(rowBytes * static_cast<std::size_t>(height)));
    if (buffer == nullptr) return fail("can't allocate memory");
    const bool complete = readAll(buffer, rowBytes * static_cast<std::size_t>(height));
    if (complete) {
      for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* source = buffer + static_cast<std::size_t>(y) * rowBytes;
        std::uint8_t* target = Row(static_cast<std::uint32_t>(y));
        for (std::int64_t x = 0; x < width; ++x, source += 4, target += 3) {
          target[0] = source[0];
          target[1] = source[1];
          target[2] = source[2];
        }
      }
    }
    std::free(buffer);
    if (!complete) return fail("BMP pixel data truncated");
  }

  if (topDown && !FlipRows()) return fail("Can't allocate memory");
  return true;
}

}  // namespace orv
