// Reads Windows bitmaps: with or without the 14-byte file header; core (12),
// info (40) and extended (64) headers; 1, 4, 8, 16, 24 and 32 bits per pixel;
// run-length 4- and 8-bit data; top-down files.
#pragma once

#include "image/raster_image.h"

namespace orv {

class BmpCodec final : public RasterImage {
 public:
  BmpCodec() : RasterImage(ImageFormat::Bmp) {}
  // Reads from the stream's current position; on failure lastError says why.
  bool Decode(ImageStream& stream);
};

}  // namespace orv
