// JPEG decoding of hostile bytes, including the EXIF marker scan that runs
// before it, and the EXIF directory walk on the raw bytes as one section.
#include <cstddef>
#include <cstdint>
#include <span>

#include "image/exif_reader.h"
#include "image/jpeg_codec.h"
#include "image/memory_stream.h"
#include "image/raster_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool limited = (orv::RasterImage::SetMaxBlockBytes(std::size_t{16} << 20), true);
  (void)limited;
  {
    orv::ExifInfo info;
    orv::ExifReader reader(info);
    reader.ParseExifSection(std::span<const std::uint8_t>(data, size));
  }
  orv::MemoryStream stream(data, size);
  orv::JpegCodec codec;
  if (codec.Decode(stream) && codec.Width() > 0) {
    // Every decoded picture must be readable to its last row.
    volatile std::uint8_t last = codec.Row(static_cast<std::uint32_t>(codec.Height() - 1))[codec.RowStride() - 1];
    (void)last;
  }
  return 0;
}
