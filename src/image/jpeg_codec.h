// JPEG reading and writing through the library's 6b-compatible interface,
// with the resolution taken from EXIF or JFIF data when decoding.
#pragma once

#include "image/exif_reader.h"
#include "image/raster_image.h"

namespace orv {

class JpegCodec final : public RasterImage {
 public:
  JpegCodec() : RasterImage(ImageFormat::Jpg) {}
  bool Decode(ImageStream& stream);
  // Encodes this image (normally a view of the picture being written) as a
  // baseline JFIF stream at the image's quality and resolution.
  bool Encode(ImageStream& stream);

  const ExifInfo& exif() const { return exif_; }

 private:
  ExifInfo exif_;
};

}  // namespace orv
