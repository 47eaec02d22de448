#include "image/raster_image.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace orv {
namespace {

// 512 MiB holds a 10000 x 10000 true-colour picture with room to spare.
std::size_t gMaxBlockBytes = std::size_t{512} << 20;

std::uint32_t PaletteEntriesFor(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

}  // namespace

std::int32_t DpiToPixelsPerMetre(std::int32_t dpi) {
  // A resolution taken from a file can be absurd; the field saturates.
  const double ppm = std::floor(static_cast<double>(dpi) * 10000.0 / 254.0 + 0.5);
  return static_cast<std::int32_t>(std::clamp(ppm, static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                                              static_cast<double>(std::numeric_limits<std::int32_t>::max())));
}

std::size_t RasterImage::MaxBlockBytes() { return gMaxBlockBytes; }
void RasterImage::SetMaxBlockBytes(std::size_t bytes) { gMaxBlockBytes = bytes; }

RasterImage::RasterImage(ImageFormat format) { Startup(format); }

RasterImage::~RasterImage() { Release(); }

void RasterImage::Reset() {
  header_ = BitmapInfoHeader{};
  header_.biSize = 0;
  info_ = ImageInfo{};
  block_ = nullptr;
  pixels_ = nullptr;
  viewOwner_ = nullptr;
}

void RasterImage::Startup(ImageFormat format) {
  Reset();
  header_.biSize = 40;
  info_.format = format;
  info_.quality = 75;
  info_.xDpi = info_.yDpi = 96;
  header_.biXPelsPerMeter = header_.biYPelsPerMeter = DpiToPixelsPerMetre(96);
}

std::uint8_t* RasterImage::Create(std::int64_t width, std::int64_t height, int bitsPerPixel, ImageFormat format) {
  Release();
  viewOwner_ = nullptr;
  const int bits = bitsPerPixel <= 1 ? 1 : bitsPerPixel <= 4 ? 4 : bitsPerPixel <= 8 ? 8 : 24;
  if (width <= 0 || height <= 0 || width > std::numeric_limits<std::int32_t>::max() ||
      height > std::numeric_limits<std::int32_t>::max()) {
    return nullptr;
  }
  const std::uint32_t paletteEntries = PaletteEntriesFor(bits);
  const std::uint64_t stride = PackedRowStride(static_cast<std::uint64_t>(width), bits);
  // width and height are below 2^31 and stride below 2^35, so the product
  // cannot wrap in 64 bits before the limit check.
  const std::uint64_t imageBytes = stride * static_cast<std::uint64_t>(height);
  const std::uint64_t total = 40 + 4ull * paletteEntries + imageBytes;
  if (imageBytes > std::numeric_limits<std::uint32_t>::max() || total > gMaxBlockBytes) {
    return nullptr;
  }
  auto* block = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(total)));
  if (block == nullptr) return nullptr;

  header_.biSize = 40;
  header_.biWidth = static_cast<std::int32_t>(width);
  header_.biHeight = static_cast<std::int32_t>(height);
  header_.biPlanes = 1;
  header_.biBitCount = static_cast<std::uint16_t>(bits);
  header_.biCompression = 0;
  header_.biSizeImage = static_cast<std::uint32_t>(imageBytes);
  header_.biClrUsed = paletteEntries;
  header_.biClrImportant = 0;
  info_.rowStride = static_cast<std::uint32_t>(stride);
  info_.format = format;
  ClearNearestCache();

  block_ = block;
  std::memcpy(block_, &header_, sizeof header_);
  std::memset(block_ + 40, 0, 4u * paletteEntries);
  pixels_ = block_ + 40 + 4u * paletteEntries;
  return block_;
}

void RasterImage::Release() {
  if (viewOwner_ != nullptr) return;
  std::free(block_);
  block_ = nullptr;
  pixels_ = nullptr;
}

void RasterImage::TakeOver(RasterImage& other) {
  if (&other == this) return;
  Release();
  header_ = other.header_;
  info_ = other.info_;
  block_ = other.block_;
  pixels_ = other.pixels_;
  viewOwner_ = other.viewOwner_;
  other.Reset();
}

void RasterImage::CopyInfo(const RasterImage& other) {
  if (block_ == nullptr) info_ = other.info_;
}

void RasterImage::MakeView(const RasterImage& other) {
  Release();
  header_ = other.header_;
  info_ = other.info_;
  block_ = other.block_;
  pixels_ = other.pixels_;
  viewOwner_ = &other;
}

std::size_t RasterImage::BlockSize() const {
  if (block_ == nullptr) return 0;
  return 40 + 4u * static_cast<std::size_t>(header_.biClrUsed) + header_.biSizeImage;
}

Bgra* RasterImage::Palette() {
  return block_ != nullptr && header_.biClrUsed != 0 ? reinterpret_cast<Bgra*>(block_ + 40) : nullptr;
}

const Bgra* RasterImage::Palette() const {
  return block_ != nullptr && header_.biClrUsed != 0 ? reinterpret_cast<const Bgra*>(block_ + 40) : nullptr;
}

void RasterImage::SetLastError(const char* text) {
  std::strncpy(info_.lastError, text, kLastErrorSize - 1);
  info_.lastError[kLastErrorSize - 1] = '\0';
}

void RasterImage::SetXDpi(std::int32_t dpi) {
  info_.xDpi = dpi;
  header_.biXPelsPerMeter = DpiToPixelsPerMetre(dpi);
  if (block_ != nullptr && viewOwner_ == nullptr) std::memcpy(block_, &header_, sizeof header_);
}

void RasterImage::SetYDpi(std::int32_t dpi) {
  info_.yDpi = dpi;
  header_.biYPelsPerMeter = DpiToPixelsPerMetre(dpi);
  if (block_ != nullptr && viewOwner_ == nullptr) std::memcpy(block_, &header_, sizeof header_);
}

Bgra RasterImage::PaletteColor(std::uint32_t index) const {
  const Bgra* palette = Palette();
  if (palette == nullptr || index >= header_.biClrUsed) return Bgra{};
  return palette[index];
}

void RasterImage::SetPalette(const Bgra* entries, std::uint32_t count) {
  Bgra* palette = Palette();
  if (palette == nullptr || entries == nullptr) return;
  std::memcpy(palette, entries, 4u * std::min(count, header_.biClrUsed));
  ClearNearestCache();
}

void RasterImage::SetGreyPalette() {
  Bgra* palette = Palette();
  const std::uint32_t size = header_.biClrUsed;
  if (palette == nullptr || size < 2) return;
  const std::uint32_t step = 255 / (size - 1);
  for (std::uint32_t i = 0; i < size; ++i) {
    const auto grey = static_cast<std::uint8_t>(i * step);
    palette[i] = Bgra{grey, grey, grey, 0};
  }
  ClearNearestCache();
}

std::uint8_t RasterImage::PixelIndex(std::int64_t x, std::int64_t y) const {
  if (block_ == nullptr || header_.biClrUsed == 0) return 0;
  if (x < 0 || y < 0 || x >= header_.biWidth || y >= header_.biHeight) return 0;
  const std::uint8_t* row = Row(static_cast<std::uint32_t>(y));
  switch (header_.biBitCount) {
    case 8:
      return row[x];
    case 4: {
      const std::uint8_t byte = row[x >> 1];
      return (x & 1) != 0 ? byte & 0x0F : byte >> 4;
    }
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    default:
      return 0;
  }
}

void RasterImage::SetPixelIndex(std::int64_t x, std::int64_t y, std::uint8_t index) {
  if (block_ == nullptr || header_.biClrUsed == 0) return;
  if (x < 0 || y < 0 || x >= header_.biWidth || y >= header_.biHeight) return;
  std::uint8_t* row = Row(static_cast<std::uint32_t>(y));
  switch (header_.biBitCount) {
    case 8:
      row[x] = index;
      break;
    case 4: {
      std::uint8_t& byte = row[x >> 1];
      byte = (x & 1) != 0 ? static_cast<std::uint8_t>((byte & 0xF0) | (index & 0x0F))
                          : static_cast<std::uint8_t>((byte & 0x0F) | (index << 4));
      break;
    }
    case 1: {
      const auto mask = static_cast<std::uint8_t>(0x80 >> (x & 7));
      std::uint8_t& byte = row[x >> 3];
      byte = (index & 1) != 0 ? (byte | mask) : static_cast<std::uint8_t>(byte & ~mask);
      break;
    }
    default:
      break;
  }
}

Bgra RasterImage::PixelColor(std::int64_t x, std::int64_t y) const {
  if (block_ == nullptr) return Bgra{};
  if (x < 0 || y < 0 || x >= header_.biWidth || y >= header_.biHeight) x = y = 0;
  if (header_.biClrUsed != 0) {
    Bgra colour = PaletteColor(PixelIndex(x, y));
    colour.reserved = 0;
    return colour;
  }
  const std::uint8_t* p = Row(static_cast<std::uint32_t>(y)) + 3 * x;
  return Bgra{p[0], p[1], p[2], 0};
}

void RasterImage::SetPixelColor(std::int64_t x, std::int64_t y, Bgra colour) {
  if (block_ == nullptr) return;
  if (x < 0 || y < 0 || x >= header_.biWidth || y >= header_.biHeight) return;
  if (header_.biClrUsed != 0) {
    SetPixelIndex(x, y, NearestIndex(colour));
    return;
  }
  std::uint8_t* p = Row(static_cast<std::uint32_t>(y)) + 3 * x;
  p[0] = colour.blue;
  p[1] = colour.green;
  p[2] = colour.red;
}

void RasterImage::SetPixelColorRef(std::int64_t x, std::int64_t y, std::uint32_t colorRef) {
  SetPixelColor(x, y,
                Bgra{static_cast<std::uint8_t>(colorRef >> 16), static_cast<std::uint8_t>(colorRef >> 8),
                     static_cast<std::uint8_t>(colorRef), 0});
}

std::uint8_t RasterImage::NearestIndex(Bgra colour) {
  const Bgra* palette = Palette();
  if (palette == nullptr) return 0;
  if (info_.lastValid && info_.lastColour == colour) return info_.lastIndex;
  std::int64_t best = 200000;
  std::uint32_t bestIndex = 0;
  for (std::uint32_t i = 0; i < header_.biClrUsed; ++i) {
    const int db = palette[i].blue - colour.blue;
    const int dg = palette[i].green - colour.green;
    const int dr = palette[i].red - colour.red;
    const std::int64_t distance = db * db + dg * dg + dr * dr;
    if (distance == 0) {
      bestIndex = i;
      break;
    }
    if (distance < best) {
      best = distance;
      bestIndex = i;
    }
  }
  info_.lastColour = colour;
  info_.lastIndex = static_cast<std::uint8_t>(bestIndex);
  info_.lastValid = true;
  return info_.lastIndex;
}

bool RasterImage::HasGreyPalette() const {
  const Bgra* palette = Palette();
  if (palette == nullptr) return false;
  for (std::uint32_t i = 0; i < header_.biClrUsed; ++i) {
    if (palette[i].blue != i || palette[i].green != i || palette[i].red != i) return false;
  }
  return true;
}

bool RasterImage::RaiseDepth(int bitsPerPixel) {
  if (block_ == nullptr || bitsPerPixel != 24) return false;
  if (header_.biBitCount == 24) return true;
  if (header_.biBitCount > 24) return false;
  RasterImage raised(info_.format);
  raised.info_ = info_;
  raised.header_.biXPelsPerMeter = header_.biXPelsPerMeter;
  raised.header_.biYPelsPerMeter = header_.biYPelsPerMeter;
  if (raised.Create(header_.biWidth, header_.biHeight, 24, info_.format) == nullptr) {
    SetLastError("Can't allocate memory");
    return false;
  }
  const Bgra* palette = Palette();
  for (std::int32_t y = 0; y < header_.biHeight; ++y) {
    std::uint8_t* out = raised.Row(static_cast<std::uint32_t>(y));
    for (std::int32_t x = 0; x < header_.biWidth; ++x) {
      const Bgra c = palette[PixelIndex(x, y)];
      *out++ = c.blue;
      *out++ = c.green;
      *out++ = c.red;
    }
  }
  TakeOver(raised);
  return true;
}

bool RasterImage::FlipRows() {
  if (block_ == nullptr || viewOwner_ != nullptr) return false;
  const std::size_t stride = info_.rowStride;
  auto* spare = static_cast<std::uint8_t*>(std::malloc(stride == 0 ? 1 : stride));
  if (spare == nullptr) return false;
  for (std::int32_t top = header_.biHeight - 1, bottom = 0; bottom < top; ++bottom, --top) {
    std::uint8_t* a = Row(static_cast<std::uint32_t>(bottom));
    std::uint8_t* b = Row(static_cast<std::uint32_t>(top));
    std::memcpy(spare, a, stride);
    std::memcpy(a, b, stride);
    std::memcpy(b, spare, stride);
  }
  std::free(spare);
  return true;
}

void RasterImage::SwapRedBlue(std::uint8_t* row, std::uint32_t length) const {
  if (row == nullptr || header_.biBitCount != 24) return;
  const std::uint32_t bytes = std::min(length, info_.rowStride);
  const std::uint32_t pixels = std::min((bytes + 2) / 3, info_.rowStride / 3);
  for (std::uint32_t i = 0; i < pixels; ++i, row += 3) std::swap(row[0], row[2]);
}

}  // namespace orv
