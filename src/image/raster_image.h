// The in-memory picture every slide passes through: one packed
// device-independent bitmap (40-byte header, palette, bottom-up rows padded
// to 4 bytes) in a malloc'ed block, next to an information block with the
// settings the codecs use. Pixel coordinates count y from the first stored
// row, that is from the bottom of the picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

class ImageStream;

enum class ImageFormat : std::uint32_t { Unknown = 0, Bmp = 1, Jpg = 2, Wmf = 3 };

// Windows BITMAPINFOHEADER, little-endian on disk and in the block.
struct BitmapInfoHeader {
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biPlanes = 0;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// One palette entry or one colour: blue, green, red, reserved.
struct Bgra {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  std::uint8_t reserved = 0;
  friend bool operator==(const Bgra&, const Bgra&) = default;
};
static_assert(sizeof(Bgra) == 4);

inline constexpr std::size_t kLastErrorSize = 256;

// Settings that survive Release and Create and travel with TakeOver.
struct ImageInfo {
  std::uint32_t rowStride = 0;
  ImageFormat format = ImageFormat::Unknown;
  char lastError[kLastErrorSize] = {};
  std::uint8_t quality = 0;
  std::int32_t xDpi = 0;
  std::int32_t yDpi = 0;
  Bgra lastColour{};
  std::uint8_t lastIndex = 0;
  bool lastValid = false;
};

class RasterImage {
 public:
  explicit RasterImage(ImageFormat format = ImageFormat::Unknown);
  virtual ~RasterImage();
  RasterImage(const RasterImage&) = delete;
  RasterImage& operator=(const RasterImage&) = delete;

  // Largest pixel block Create will allocate (header, palette and rows). A
  // file may claim any size; this keeps a hostile header from turning into a
  // huge allocation. Process-wide; the fuzz targets lower it.
  static std::size_t MaxBlockBytes();
  static void SetMaxBlockBytes(std::size_t bytes);

  void Startup(ImageFormat format);
  // Returns the pixel block, or null (image left empty) when the size is out
  // of range or the allocation fails. Rows are not cleared.
  std::uint8_t* Create(std::int64_t width, std::int64_t height, int bitsPerPixel, ImageFormat format);
  void Release();
  void TakeOver(RasterImage& other);
  void CopyInfo(const RasterImage& other);
  void MakeView(const RasterImage& other);

  bool IsValid() const { return block_ != nullptr; }
  bool IsView() const { return viewOwner_ != nullptr; }
  std::int32_t Width() const { return header_.biWidth; }
  std::int32_t Height() const { return header_.biHeight; }
  int BitsPerPixel() const { return header_.biBitCount; }
  std::uint32_t RowStride() const { return info_.rowStride; }
  std::uint32_t PaletteSize() const { return header_.biClrUsed; }
  const BitmapInfoHeader& Header() const { return header_; }
  BitmapInfoHeader& MutableHeader() { return header_; }
  std::uint8_t* Block() { return block_; }
  const std::uint8_t* Block() const { return block_; }
  std::size_t BlockSize() const;
  std::uint8_t* Pixels() { return pixels_; }
  const std::uint8_t* Pixels() const { return pixels_; }
  std::uint8_t* Row(std::uint32_t y) { return pixels_ + static_cast<std::size_t>(y) * info_.rowStride; }
  const std::uint8_t* Row(std::uint32_t y) const { return pixels_ + static_cast<std::size_t>(y) * info_.rowStride; }
  Bgra* Palette();
  const Bgra* Palette() const;

  ImageFormat Format() const { return info_.format; }
  const char* LastError() const { return info_.lastError; }
  void SetLastError(const char* text);
  std::uint8_t Quality() const { return info_.quality; }
  void SetQuality(std::uint8_t quality) { info_.quality = quality; }
  std::int32_t XDpi() const { return info_.xDpi; }
  std::int32_t YDpi() const { return info_.yDpi; }
  // Sets the resolution and the header's pixels per metre to match.
  void SetXDpi(std::int32_t dpi);
  void SetYDpi(std::int32_t dpi);
  const ImageInfo& Info() const { return info_; }

  Bgra PaletteColor(std::uint32_t index) const;
  void SetPalette(const Bgra* entries, std::uint32_t count);
  void SetGreyPalette();
  std::uint8_t PixelIndex(std::int64_t x, std::int64_t y) const;
  void SetPixelIndex(std::int64_t x, std::int64_t y, std::uint8_t index);
  Bgra PixelColor(std::int64_t x, std::int64_t y) const;
  void SetPixelColor(std::int64_t x, std::int64_t y, Bgra colour);
  // Windows COLORREF: red in the low byte.
  void SetPixelColorRef(std::int64_t x, std::int64_t y, std::uint32_t colorRef);
  std::uint8_t NearestIndex(Bgra colour);
  bool HasGreyPalette() const;
  bool RaiseDepth(int bitsPerPixel);
  bool FlipRows();
  void SwapRedBlue(std::uint8_t* row, std::uint32_t length) const;

  // 0 is the only method: area averaging for 24-bit reductions in both
  // directions, bilinear interpolation otherwise.
  bool Resample(std::int64_t newWidth, std::int64_t newHeight, int method = 0);

  // Replaces the pixels with a width x height 24-bit canvas filled with
  // `fillColorRef` (COLORREF) and this picture copied one-to-one with its top
  // left corner at (left, top) counted from the top of the canvas. Stands in
  // for drawing onto a display canvas and capturing it back.
  bool ComposeOnCanvas(std::int32_t width, std::int32_t height, std::uint32_t fillColorRef, std::int32_t left,
                       std::int32_t top);

  bool Load(const std::string& path, ImageFormat format);
  bool Decode(ImageStream& stream, ImageFormat format);
  bool Encode(ImageStream& stream, ImageFormat format);
  // `bytes` must be null on entry; on success it owns a malloc'ed block.
  bool EncodeToBuffer(std::uint8_t*& bytes, std::int32_t& size, ImageFormat format);

 protected:
  // The lastError field itself, for libraries that format their message
  // straight into it (at most kLastErrorSize bytes).
  char* LastErrorBuffer() { return info_.lastError; }

 private:
  void ClearNearestCache() { info_.lastValid = false; }
  void Reset();

  BitmapInfoHeader header_{};
  ImageInfo info_{};
  std::uint8_t* block_ = nullptr;
  std::uint8_t* pixels_ = nullptr;
  const RasterImage* viewOwner_ = nullptr;
};

// Row stride of a packed bitmap row: ((width x bits + 31) / 32) x 4.
constexpr std::uint64_t PackedRowStride(std::uint64_t width, unsigned bitsPerPixel) {
  return ((width * bitsPerPixel + 31) / 32) * 4;
}

// floor(dpi x 10000 / 254 + 0.5): 96 dpi is 3780 pixels per metre.
std::int32_t DpiToPixelsPerMetre(std::int32_t dpi);

}  // namespace orv
