// Turns a placeable Windows metafile or an enhanced metafile into a picture
// through the project's metafile player.
#pragma once

#include <cstdint>
#include <span>

#include "image/raster_image.h"

namespace orv {

class MetafileCodec final : public RasterImage {
 public:
  MetafileCodec() : RasterImage(ImageFormat::Wmf) {}
  // Reads the rest of the stream and renders it. A non-zero maxWidth or
  // maxHeight replaces that side of the natural size.
  bool Decode(ImageStream& stream, int maxWidth = 0, int maxHeight = 0);
};

// The picture's natural size at 96 pixels per inch (before the forced sides
// and the 4000-pixel limit), or false when `data` is not a metafile.
bool MetafileNaturalSize(std::span<const std::uint8_t> data, std::int64_t& width, std::int64_t& height);

}  // namespace orv
