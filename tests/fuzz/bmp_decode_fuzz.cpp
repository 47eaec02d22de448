// BMP decoding of hostile bytes, then the operations a decoded slide goes
// through: depth raising, resampling to a size taken from the input, the
// frame canvas and JPEG encoding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/bmp_codec.h"
#include "image/memory_stream.h"
#include "image/raster_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Small pictures keep every run fast; the limit logic is the same.
  static const bool limited = (orv::RasterImage::SetMaxBlockBytes(std::size_t{16} << 20), true);
  (void)limited;
  orv::MemoryStream stream(data, size);
  orv::BmpCodec codec;
  if (!codec.Decode(stream)) return 0;
  if (static_cast<std::int64_t>(codec.Width()) * codec.Height() > (1 << 16)) return 0;

  orv::RasterImage image;
  image.TakeOver(codec);
  const int wide = size >= 2 ? data[size - 1] % 97 + 1 : 5;
  const int tall = size >= 2 ? data[size - 2] % 89 + 1 : 3;
  if ((size & 1) != 0 && !image.RaiseDepth(24)) return 0;
  if (!image.Resample(wide, tall)) return 0;
  if (!image.ComposeOnCanvas(wide + 3, tall + 2, 0x123456, 1, 1)) return 0;
  std::uint8_t* bytes = nullptr;
  std::int32_t length = 0;
  if (image.EncodeToBuffer(bytes, length, orv::ImageFormat::Jpg)) std::free(bytes);
  return 0;
}
