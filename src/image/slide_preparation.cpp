#include "image/slide_preparation.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/messages.h"
#include "base/notifier.h"
#include "image/file_stream.h"
#include "image/memory_stream.h"
#include "image/metafile_codec.h"
#include "image/raster_image.h"

namespace orv {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The format comes from the last three bytes of the name alone, so a name
// ending in ".jpeg" is not a picture the export writes.
ImageFormat FormatFromName(const std::string& path) {
  const std::string tail = path.size() <= 3 ? path : path.substr(path.size() - 3);
  std::string lower(tail.size(), '\0');
  std::transform(tail.begin(), tail.end(), lower.begin(), Lower);
  if (lower == "bmp") return ImageFormat::Bmp;
  if (lower == "jpg") return ImageFormat::Jpg;
  if (lower == "wmf") return ImageFormat::Wmf;
  return ImageFormat::Unknown;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  FileStream stream(file, /*owns=*/true);
  const std::int64_t size = stream.Size();
  if (size < 0) return false;
  bytes.resize(static_cast<std::size_t>(size));
  return stream.Read(bytes.data(), 1, bytes.size()) == bytes.size();
}

// The largest size with the picture's aspect ratio that fits the frame.
void FitInside(std::int64_t width, std::int64_t height, std::int64_t frameWidth, std::int64_t frameHeight,
               std::int64_t& fitWidth, std::int64_t& fitHeight) {
  if (frameWidth * height <= frameHeight * width) {
    fitWidth = frameWidth;
    fitHeight = std::max<std::int64_t>(1, height * frameWidth / width);
  } else {
    fitHeight = frameHeight;
    fitWidth = std::max<std::int64_t>(1, width * frameHeight / height);
  }
}

// A metafile slide (the help and end slides) exported for a frame rendered at
// the frame size: drawn at the largest size that keeps its aspect ratio and
// centred on the fill colour, so a frame smaller than its natural size never
// crops it and no pixels are resampled. False when the file is not a
// metafile that can be drawn; the caller then loads it the ordinary way.
bool RenderMetafileForFrame(RasterImage& image, const std::string& path, const SlideFrame& frame) {
  if (frame.width <= 0 || frame.height <= 0) return false;
  std::vector<std::uint8_t> bytes;
  std::int64_t width = 0;
  std::int64_t height = 0;
  if (!ReadWholeFile(path, bytes) || !MetafileNaturalSize(bytes, width, height) || width <= 0 || height <= 0) {
    return false;
  }
  std::int64_t fitWidth = 0;
  std::int64_t fitHeight = 0;
  FitInside(width, height, frame.width, frame.height, fitWidth, fitHeight);
  MemoryStream stream(bytes.data(), bytes.size());
  MetafileCodec codec;
  if (!codec.Decode(stream, static_cast<int>(fitWidth), static_cast<int>(fitHeight))) return false;
  image.TakeOver(codec);
  if (image.Width() == frame.width && image.Height() == frame.height) return true;
  return image.ComposeOnCanvas(frame.width, frame.height, frame.fill, (frame.width - image.Width()) / 2,
                               (frame.height - image.Height()) / 2);
}

}  // namespace

SlidePreparer::SlidePreparer() : image_(std::make_unique<RasterImage>(ImageFormat::Unknown)) {}

SlidePreparer::~SlidePreparer() = default;

bool SlidePreparer::LoadSlideImage(const std::string& path, const SlideFrame& frame) {
  const ImageFormat format = FormatFromName(path);
  if (format == ImageFormat::Unknown) {
    Notify(msg::kUnknownPictureType);
    Explain(path);
    return false;
  }
  const bool rendered = format == ImageFormat::Wmf && frame.sharpText && RenderMetafileForFrame(*image_, path, frame);
  if (!rendered && !image_->Load(path, format)) {
    Notify(FormatMessage(msg::kCannotLoadImage, path));
    Explain(image_->LastError());
    return false;
  }
  // A grey-ramp picture stays one component; everything else becomes 24-bit.
  if (!image_->HasGreyPalette() && !image_->RaiseDepth(24)) {
    Notify(msg::kCannotRaiseDepth);
    Explain(path + ": " + image_->LastError());
    return false;
  }
  if (!FitSlideToFrame(frame)) {
    Notify(msg::kCannotAdjustImage);
    Explain(path + ": " + image_->LastError());
    return false;
  }
  return true;
}

std::int32_t SlidePreparer::EncodeSlideImage(const std::string& path, std::uint8_t*& jpegBytes,
                                             const SlideFrame& frame) {
  if (!LoadSlideImage(path, frame)) return -1;
  image_->SetQuality(static_cast<std::uint8_t>(frame.quality & 0xff));
  std::int32_t length = 0;
  if (!image_->EncodeToBuffer(jpegBytes, length, ImageFormat::Jpg)) {
    Notify(msg::kCannotEncodeImage);
    Explain(path + ": " + image_->LastError());
    return -1;
  }
  return length;
}

bool SlidePreparer::FitSlideToFrame(const SlideFrame& frame) {
  if (frame.sharpText) return true;
  const std::int32_t w = image_->Width();
  const std::int32_t h = image_->Height();
  const std::int32_t frameWidth = frame.width;
  const std::int32_t frameHeight = frame.height;
  if (w == frameWidth && h == frameHeight) return true;
  if (w <= 0 || h <= 0 || frameWidth <= 0 || frameHeight <= 0) return false;

  // sy passes through single precision, so a height-limited picture can come
  // out one row short of the frame (400 x 301 into 640 x 480 gives 637 x 479).
  const double sx = static_cast<double>(frameWidth) / w;
  const float sy = static_cast<float>(static_cast<double>(frameHeight) / h);
  const double s = sx > static_cast<double>(sy) ? static_cast<double>(sy) : sx;
  const auto newHeight = static_cast<std::int64_t>(h * s);
  const auto newWidth = static_cast<std::int64_t>(w * s);
  if (!image_->Resample(newWidth, newHeight, 0)) return false;
  return image_->ComposeOnCanvas(frameWidth, frameHeight, frame.fill,
                                 static_cast<std::int32_t>((frameWidth - newWidth) / 2),
                                 static_cast<std::int32_t>((frameHeight - newHeight) / 2));
}

}  // namespace orv
