// The frame canvas of a fitted slide, built in memory: what drawing the
// picture onto a display bitmap filled with the band colour and reading the
// bitmap back as 24 bits gives on a true-colour display.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "image/raster_image.h"

namespace orv {

bool RasterImage::ComposeOnCanvas(std::int32_t width, std::int32_t height, std::uint32_t fillColorRef,
                                  std::int32_t left, std::int32_t top) {
  if (block_ == nullptr || width <= 0 || height <= 0) return false;
  if (header_.biBitCount == 24 && width == header_.biWidth && height == header_.biHeight && left == 0 && top == 0) {
    // The picture covers the whole canvas: the result is the picture itself.
    // Only the row padding, left as it came, is cleared as a canvas has it.
    const std::size_t used = 3 * static_cast<std::size_t>(width);
    for (std::int32_t y = 0; used < RowStride() && y < height; ++y) {
      std::memset(Row(static_cast<std::uint32_t>(y)) + used, 0, RowStride() - used);
    }
    info_.format = ImageFormat::Unknown;
    return true;
  }
  RasterImage canvas(ImageFormat::Unknown);
  canvas.info_ = info_;
  canvas.header_.biXPelsPerMeter = header_.biXPelsPerMeter;
  canvas.header_.biYPelsPerMeter = header_.biYPelsPerMeter;
  if (canvas.Create(width, height, 24, ImageFormat::Unknown) == nullptr) {
    SetLastError("Can't allocate memory");
    return false;
  }
  const auto blue = static_cast<std::uint8_t>(fillColorRef >> 16);
  const auto green = static_cast<std::uint8_t>(fillColorRef >> 8);
  const auto red = static_cast<std::uint8_t>(fillColorRef);
  std::uint8_t* first = canvas.Row(0);
  std::memset(first, 0, canvas.RowStride());
  for (std::int32_t x = 0; x < width; ++x) {
    first[3 * x] = blue;
    first[3 * x + 1] = green;
    first[3 * x + 2] = red;
  }
  for (std::int32_t y = 1; y < height; ++y)
    std::memcpy(canvas.Row(static_cast<std::uint32_t>(y)), first, canvas.RowStride());

  // Picture row r from the top lands on canvas row top + r from the top; the
  // rows are stored bottom-up in both.
  const std::int64_t x0 = std::max<std::int64_t>(0, left);
  const std::int64_t x1 = std::min<std::int64_t>(width, static_cast<std::int64_t>(left) + header_.biWidth);
  for (std::int32_t r = 0; r < header_.biHeight; ++r) {
    const std::int64_t canvasTopRow = static_cast<std::int64_t>(top) + r;
    if (canvasTopRow < 0 || canvasTopRow >= height || x0 >= x1) continue;
    const auto sourceRow = static_cast<std::uint32_t>(header_.biHeight - 1 - r);
    std::uint8_t* out = canvas.Row(static_cast<std::uint32_t>(height - 1 - canvasTopRow)) + 3 * x0;
    if (header_.biBitCount == 24) {
      std::memcpy(out, Row(sourceRow) + 3 * (x0 - left), static_cast<std::size_t>(3 * (x1 - x0)));
      continue;
    }
    for (std::int64_t x = x0; x < x1; ++x, out += 3) {
      const Bgra c = PixelColor(x - left, sourceRow);
      out[0] = c.blue;
      out[1] = c.green;
      out[2] = c.red;
    }
  }
  TakeOver(canvas);
  return true;
}

}  // namespace orv
