// Turns one slide picture (BMP, JPEG or metafile) into a frame-sized JPEG
// stream for the movie. Owns the picture object that is reused from slide to
// slide and the fill colour of the bands around a fitted slide.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "image/slide_frame.h"

namespace orv {

class RasterImage;

class SlidePreparer {
 public:
  SlidePreparer();
  ~SlidePreparer();
  SlidePreparer(const SlidePreparer&) = delete;
  SlidePreparer& operator=(const SlidePreparer&) = delete;

  // Loads `path`, brings it to a depth JPEG can hold, fits it to the frame
  // when needed and encodes it. Returns the byte count (> 0) with jpegBytes
  // pointing at a malloc'ed block the caller releases with free(), or -1
  // after a message; jpegBytes must be null on entry and stays null on -1.
  std::int32_t EncodeSlideImage(const std::string& path, std::uint8_t*& jpegBytes, const SlideFrame& frame);

  // The same up to the encoding: image() then holds the picture, 24-bit or
  // grey. False after a message.
  bool LoadSlideImage(const std::string& path, const SlideFrame& frame);

  // Fits the current picture into the frame, centred on the fill colour.
  bool FitSlideToFrame(const SlideFrame& frame);

  RasterImage& image() { return *image_; }

 private:
  std::unique_ptr<RasterImage> image_;
};

}  // namespace orv
