// Slide pictures as the video's frames: loaded as the movie loads them (BMP,
// JPEG, metafiles drawn at the frame's size), fitted into the frame with
// their aspect ratio kept, centred on black, in BT.709 limited-range YUV
// 4:2:0; and the cross-fade between two of them.
#pragma once

#include <cstdint>
#include <string>

#include "image/slide_preparation.h"
#include "video/av_handles.h"

namespace orv {

class SlidePictures {
 public:
  SlidePictures(std::int32_t width, std::int32_t height);

  // The frame of the picture at `path`; null after a message (the picture's
  // own, as the movie gives it).
  AvFramePtr Load(const std::string& path);

  // A new frame between `from` and `to`: `to`'s share is step / steps.
  AvFramePtr Blend(const AVFrame& from, const AVFrame& to, std::int32_t step, std::int32_t steps) const;

  // The size of the first picture at `path` (before fitting); false when it
  // cannot be read.
  bool PictureSize(const std::string& path, std::int32_t& width, std::int32_t& height);

 private:
  AvFramePtr BlackFrame() const;

  std::int32_t width_;
  std::int32_t height_;
  SlidePreparer preparer_;
  SwsPtr scaler_;  // kept between pictures of one size
};

}  // namespace orv
