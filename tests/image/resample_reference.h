// The resampling arithmetic as it stood before the fast version: kept
// unchanged as the oracle every byte of the fast version is compared with.
#pragma once

#include <cstdint>

#include "image/raster_image.h"

namespace orv::oracle {

// Same contract and result as RasterImage::Resample (method 0).
bool Resample(RasterImage& image, std::int64_t newWidth, std::int64_t newHeight);

}  // namespace orv::oracle
