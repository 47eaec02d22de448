#include "image/bmp_codec.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "image/dib_format.h"
#include "image/image_stream.h"
#include "image/rle_decode.h"

namespace orv {
namespace {

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

class StreamByteSource {
 public:
  explicit StreamByteSource(ImageStream& stream) : stream_(stream) {}
  int Byte() { return stream_.GetByte(); }

 private:
  ImageStream& stream_;
};

// What the file and info headers say. The stream is left at the colour table.
struct BmpHeaders {
  std::int64_t start = 0;
  std::uint32_t pixelOffset = 0;  // from the file header; 0 without one
  DibHeader info;
  bool runLength = false;
};

// Reads the optional 14-byte file header and the info header; null, or
// the reason they are not understood.
const char* ReadHeaders(ImageStream& stream, BmpHeaders& headers) {
  headers.start = stream.Tell();
  std::uint8_t fileHeader[14];
  if (stream.Read(fileHeader, 1, sizeof fileHeader) != sizeof fileHeader) return "Not a BMP";
  if (Le16(fileHeader) == 0x4D42) {
    // The size field (bytes 2-5) is not used: some writers get it wrong.
    headers.pixelOffset = Le32(fileHeader + 10);
  } else if (!stream.Seek(headers.start, SeekOrigin::Start)) {
    return "Not a BMP";
  }

  // 40 bytes are read whatever the header's form, then the stream is moved
  // to the end of the header actually there.
  std::uint8_t info[40];
  if (stream.Read(info, 1, sizeof info) != sizeof info) return "Error reading BMP info";
  const auto header = ReadDibHeader(info);
  if (!header || (header->size != 12 && header->size != 40 && header->size != 64)) return "Error reading BMP info";
  if (header->size == 12 && !stream.Seek(-28, SeekOrigin::Current)) return "Error reading BMP info";
  if (header->size == 64 && !stream.Seek(24, SeekOrigin::Current)) return "Error reading BMP info";
  headers.info = *header;
  const DibHeader& h = headers.info;
  headers.runLength = h.bitsPerPixel <= 8 && (h.compression == kDibRle8 || h.compression == kDibRle4);
  return nullptr;
}

// Null when the sides, depth and compression are understood.
const char* CheckFormat(const DibHeader& h) {
  if (h.width <= 0 || h.height <= 0) return "Invalid BMP dimensions";
  const int bits = h.bitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return "Unsupported BMP bit depth";
  }
  if (bits <= 8 && h.compression != kDibRgb && h.compression != kDibRle8 && h.compression != kDibRle4) {
    return "compression type not supported";
  }
  if ((bits == 24 && h.compression != kDibRgb) ||
      (bits == 32 && h.compression != kDibRgb && h.compression != kDibBitFields)) {
    return "unknown compression";
  }
  return nullptr;
}

// Uncompressed data must be in the stream before anything is allocated for
// it, so a header claiming a huge picture in a small file fails at once.
bool PixelDataPresent(ImageStream& stream, const BmpHeaders& headers) {
  if (headers.runLength) return true;
  const DibHeader& h = headers.info;
  const auto width = static_cast<std::uint64_t>(h.width);
  const auto bits = static_cast<unsigned>(h.bitsPerPixel);
  const std::uint64_t fileRow = bits == 16   ? ((width + 1) / 2) * 4
                                : bits == 32 ? width * 4
                                             : PackedRowStride(width, bits);
  const std::uint64_t needed = fileRow * static_cast<std::uint64_t>(h.height);
  const std::int64_t size = stream.Size();
  const std::int64_t dataStart = headers.pixelOffset != 0 ? headers.start + headers.pixelOffset : stream.Tell();
  return !(size >= 0 && dataStart >= 0 && (dataStart > size || needed > static_cast<std::uint64_t>(size - dataStart)));
}

// Reads the colour table into the image's palette: 3-byte entries for all
// but the 40-byte header.
void ReadPalette(ImageStream& stream, RasterImage& image, bool threeBytePalette) {
  if (image.PaletteSize() == 0) return;
  auto* palette = reinterpret_cast<std::uint8_t*>(image.Palette());
  const std::uint32_t entries = image.PaletteSize();
  if (!threeBytePalette) {
    stream.Read(palette, 4, entries);
    return;
  }
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
}

// Reads the pixel data of the image created for `headers`; null, or the
// reason it failed.
class PixelReader {
 public:
  PixelReader(ImageStream& stream, RasterImage& image, const BmpHeaders& headers)
      : stream_(stream), image_(image), headers_(headers) {}

  const char* Read() {
    const std::uint32_t compression = headers_.info.compression;
    switch (headers_.info.bitsPerPixel) {
      case 16:
        return Read16();
      case 24:
        if (compression != kDibRgb) return "unknown compression";
        return ReadPlain();
      case 32:
        if (compression != kDibRgb && compression != kDibBitFields) return "unknown compression";
        return Read32();
      default:
        if (compression == kDibRgb) return ReadPlain();
        if (headers_.runLength) return ReadRunLength();
        return "compression type not supported";
    }
  }

 private:
  static constexpr const char* kTruncated = "BMP pixel data truncated";

  bool SeekToPixels() {
    return headers_.pixelOffset == 0 || stream_.Seek(headers_.start + headers_.pixelOffset, SeekOrigin::Start);
  }
  bool ReadAll(void* target, std::size_t bytes) { return stream_.Read(target, 1, bytes) == bytes; }

  const char* ReadPlain() {
    if (!SeekToPixels() || !ReadAll(image_.Pixels(), image_.Header().biSizeImage)) return kTruncated;
    return nullptr;
  }

  const char* ReadRunLength() {
    // Pixels the data never sets (skipped by a delta, or after an early end)
    // are index 0 rather than whatever the allocation held.
    std::memset(image_.Pixels(), 0, image_.Header().biSizeImage);
    if (!SeekToPixels()) return kTruncated;
    StreamByteSource source(stream_);
    DecodeRunLength(source, static_cast<std::uint64_t>(image_.Width()), static_cast<std::uint64_t>(image_.Height()),
                    {.fourBit = headers_.info.compression == kDibRle4, .drawCutRun = true},
                    [this](std::uint64_t x, std::uint64_t y, std::uint8_t index) {
                      PutRunPixel(image_, static_cast<std::int64_t>(x), static_cast<std::int64_t>(y), index);
                    });
    return nullptr;
  }

  const char* Read16() {
    std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (headers_.info.compression == kDibBitFields) {
      std::uint8_t raw[12];
      if (!ReadAll(raw, sizeof raw)) return kTruncated;
      for (int k = 0; k < 3; ++k) masks[k] = Le32(raw + 4 * k);
    }
    const std::int64_t width = headers_.info.width;
    const std::int64_t height = headers_.info.height;
    const std::size_t sourceStride = static_cast<std::size_t>((width + 1) / 2) * 4;
    if (!SeekToPixels() || !ReadAll(image_.Pixels(), sourceStride * static_cast<std::size_t>(height))) {
      return kTruncated;
    }
    const int r = std::popcount(masks[0]);
    const int g = std::popcount(masks[1]);
    const int b = std::popcount(masks[2]);
    // Expanded in place from the end: a pixel's 3 bytes never lie below its
    // own 2 source bytes, so nothing is overwritten before it is read.
    for (std::int64_t y = height - 1; y >= 0; --y) {
      const std::uint8_t* source = image_.Pixels() + static_cast<std::size_t>(y) * sourceStride;
      std::uint8_t* target = image_.Row(static_cast<std::uint32_t>(y));
      for (std::int64_t x = width - 1; x >= 0; --x) {
        const std::uint32_t w = Le16(source + 2 * x);
        std::uint8_t* p = target + 3 * x;
        p[0] = ShiftToByte(w & masks[2], 8 - r);
        p[1] = ShiftToByte(w & masks[1], -(r + g - 8));
        p[2] = ShiftToByte(w & masks[0], -(r + g + b - 8));
      }
    }
    return nullptr;
  }

  const char* Read32() {
    if (!SeekToPixels()) return kTruncated;
    const std::int64_t width = headers_.info.width;
    const std::int64_t height = headers_.info.height;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    auto* buffer = static_cast<std::uint8_t*>(std::malloc(rowBytes * static_cast<std::size_t>(height)));
    if (buffer == nullptr) return "can't allocate memory";
    const bool complete = ReadAll(buffer, rowBytes * static_cast<std::size_t>(height));
    if (complete) {
      for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* source = buffer + static_cast<std::size_t>(y) * rowBytes;
        std::uint8_t* target = image_.Row(static_cast<std::uint32_t>(y));
        for (std::int64_t x = 0; x < width; ++x, source += 4, target += 3) {
          target[0] = source[0];
          target[1] = source[1];
          target[2] = source[2];
        }
      }
    }
    std::free(buffer);
    return complete ? nullptr : kTruncated;
  }

  ImageStream& stream_;
  RasterImage& image_;
  const BmpHeaders& headers_;
};

}  // namespace

bool BmpCodec::Decode(ImageStream& stream) {
  const auto fail = [this](const char* text) {
    Release();
    SetLastError(text);
    return false;
  };

  BmpHeaders headers;
  if (const char* error = ReadHeaders(stream, headers)) return fail(error);
  const DibHeader& info = headers.info;
  if (const char* error = CheckFormat(info)) return fail(error);
  if (!PixelDataPresent(stream, headers)) return fail("BMP pixel data truncated");

  MutableHeader().biXPelsPerMeter = info.xPelsPerMeter;
  MutableHeader().biYPelsPerMeter = info.yPelsPerMeter;
  if (Create(info.width, info.height, info.bitsPerPixel, ImageFormat::Bmp) == nullptr) {
    return fail("Can't allocate memory");
  }
  SetXDpi(DpiFromPixelsPerMetre(info.xPelsPerMeter));
  SetYDpi(DpiFromPixelsPerMetre(info.yPelsPerMeter));
  // The header keeps the file's own values, not the ones rounded through dpi.
  MutableHeader().biXPelsPerMeter = info.xPelsPerMeter;
  MutableHeader().biYPelsPerMeter = info.yPelsPerMeter;
  std::memcpy(Block(), &Header(), sizeof(BitmapInfoHeader));

  ReadPalette(stream, *this, info.size != 40);
  if (const char* error = PixelReader(stream, *this, headers).Read()) return fail(error);
  if (info.topDown && !FlipRows()) return fail("Can't allocate memory");
  return true;
}

}  // namespace orv
