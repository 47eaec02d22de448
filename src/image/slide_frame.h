// What a slide picture must become: the movie's frame size, the JPEG quality,
// whether the slides were already exported at frame size with sharp text,
// and the colour of the bands around a fitted slide.
#pragma once

#include <cstdint>

namespace orv {

struct SlideFrame {
  std::int32_t width = 640;
  std::int32_t height = 480;
  std::int32_t quality = 90;  // percent
  bool sharpText = true;      // exported at width x height: never fitted
  std::uint32_t fill = 0;     // Windows COLORREF layout: red in the low byte
};

}  // namespace orv
