#include "image/slide_preparation.h"

#include "image/raster_image.h"

namespace orv {

SlidePreparer::SlidePreparer() : image_(std::make_unique<RasterImage>(ImageFormat::Unknown)) {}

SlidePreparer::~SlidePreparer() = default;

std::int32_t SlidePreparer::EncodeSlideImage(const std::string& /*path*/, std::uint8_t*& /*jpegBytes*/,
                                             const ConversionSettings& /*settings*/) {
  return -1;
}

bool SlidePreparer::FitSlideToFrame(const ConversionSettings& /*settings*/) { return true; }

}  // namespace orv
