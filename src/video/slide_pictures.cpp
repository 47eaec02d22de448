#include "video/slide_pictures.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/imgutils.h>
}

#include "image/raster_image.h"

namespace orv {
namespace {

// Limited-range black.
constexpr std::uint8_t kBlackLuma = 16;
constexpr std::uint8_t kNeutralChroma = 128;

// The largest size with the picture's aspect ratio that fits the frame.
void FitInside(std::int64_t width, std::int64_t height, std::int64_t frameWidth, std::int64_t frameHeight,
               std::int32_t& fitWidth, std::int32_t& fitHeight) {
  if (frameWidth * height <= frameHeight * width) {
    fitWidth = static_cast<std::int32_t>(frameWidth);
    fitHeight =
        static_cast<std::int32_t>(std::clamp<std::int64_t>((height * frameWidth + width / 2) / width, 1, frameHeight));
  } else {
    fitHeight = static_cast<std::int32_t>(frameHeight);
    fitWidth =
        static_cast<std::int32_t>(std::clamp<std::int64_t>((width * frameHeight + height / 2) / height, 1, frameWidth));
  }
}

}  // namespace

SlidePictures::SlidePictures(std::int32_t width, std::int32_t height) : width_(width), height_(height) {}

AvFramePtr SlidePictures::BlackFrame() const {
  AvFramePtr frame(av_frame_alloc());
  if (!frame) return nullptr;
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = width_;
  frame->height = height_;
  frame->color_range = AVCOL_RANGE_MPEG;
  frame->colorspace = AVCOL_SPC_BT709;
  frame->color_primaries = AVCOL_PRI_BT709;
  frame->color_trc = AVCOL_TRC_BT709;
  if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane == 0 ? height_ : (height_ + 1) / 2;
    std::memset(frame->data[plane], plane == 0 ? kBlackLuma : kNeutralChroma,
                static_cast<std::size_t>(frame->linesize[plane]) * rows);
  }
  return frame;
}

bool SlidePictures::PictureSize(const std::string& path, std::int32_t& width, std::int32_t& height) {
  // A zero frame loads a metafile at its own size.
  if (!preparer_.LoadSlideImage(path, SlideFrame{0, 0, 90, true, 0})) return false;
  width = preparer_.image().Width();
  height = preparer_.image().Height();
  preparer_.image().Release();
  return width > 0 && height > 0;
}

AvFramePtr SlidePictures::Load(const std::string& path) {
  // Metafiles (the end slide) are drawn at the frame's size.
  if (!preparer_.LoadSlideImage(path, SlideFrame{width_, height_, 90, true, 0})) return nullptr;
  RasterImage& image = preparer_.image();
  if (image.BitsPerPixel() != 24 && !image.RaiseDepth(24)) return nullptr;
  const std::int32_t pictureWidth = image.Width();
  const std::int32_t pictureHeight = image.Height();
  if (pictureWidth <= 0 || pictureHeight <= 0) return nullptr;

  AvFramePtr frame = BlackFrame();
  if (!frame) return nullptr;
  std::int32_t fitWidth = 0;
  std::int32_t fitHeight = 0;
  FitInside(pictureWidth, pictureHeight, width_, height_, fitWidth, fitHeight);
  // Even offsets keep the chroma of the picture on its own samples.
  const std::int32_t left = ((width_ - fitWidth) / 2) & ~1;
  const std::int32_t top = ((height_ - fitHeight) / 2) & ~1;

  scaler_.reset(sws_getCachedContext(scaler_.release(), pictureWidth, pictureHeight, AV_PIX_FMT_BGR24, fitWidth,
                                     fitHeight, AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP,
                                     nullptr, nullptr, nullptr));
  if (!scaler_) return nullptr;
  // Full-range RGB in, BT.709 limited range out, as the stream is tagged.
  const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
  sws_setColorspaceDetails(scaler_.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);

  // The picture's rows are stored bottom-up: start at the top row and step back.
  const std::uint8_t* source[4] = {image.Row(static_cast<std::uint32_t>(pictureHeight - 1)), nullptr, nullptr, nullptr};
  const int sourceStride[4] = {-static_cast<int>(image.RowStride()), 0, 0, 0};
  std::uint8_t* target[4] = {frame->data[0] + static_cast<std::ptrdiff_t>(top) * frame->linesize[0] + left,
                             frame->data[1] + static_cast<std::ptrdiff_t>(top / 2) * frame->linesize[1] + left / 2,
                             frame->data[2] + static_cast<std::ptrdiff_t>(top / 2) * frame->linesize[2] + left / 2,
                             nullptr};
  const int scaled = sws_scale(scaler_.get(), source, sourceStride, 0, pictureHeight, target, frame->linesize);
  image.Release();
  if (scaled <= 0) return nullptr;
  return frame;
}

AvFramePtr SlidePictures::Blend(const AVFrame& from, const AVFrame& to, std::int32_t step, std::int32_t steps) const {
  AvFramePtr frame = BlackFrame();
  if (!frame) return nullptr;
  const std::uint32_t share = static_cast<std::uint32_t>(step);
  const std::uint32_t rest = static_cast<std::uint32_t>(steps - step);
  const std::uint32_t half = static_cast<std::uint32_t>(steps) / 2;
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane == 0 ? height_ : (height_ + 1) / 2;
    const int columns = plane == 0 ? width_ : (width_ + 1) / 2;
    for (int y = 0; y < rows; ++y) {
      const std::uint8_t* a = from.data[plane] + static_cast<std::ptrdiff_t>(y) * from.linesize[plane];
      const std::uint8_t* b = to.data[plane] + static_cast<std::ptrdiff_t>(y) * to.linesize[plane];
      std::uint8_t* out = frame->data[plane] + static_cast<std::ptrdiff_t>(y) * frame->linesize[plane];
      for (int x = 0; x < columns; ++x) {
        out[x] = static_cast<std::uint8_t>((a[x] * rest + b[x] * share + half) / static_cast<std::uint32_t>(steps));
      }
    }
  }
  return frame;
}

}  // namespace orv
