#include "video/video_options.h"

#include <algorithm>
#include <cmath>

namespace orv {

std::string_view VideoFormatName(VideoFormat format) { return format == VideoFormat::kWebm ? "webm" : "mp4"; }

std::optional<VideoFormat> VideoFormatFromName(std::string_view name) {
  if (name == "mp4") return VideoFormat::kMp4;
  if (name == "webm") return VideoFormat::kWebm;
  return std::nullopt;
}

VideoFormat VideoFormatFromIndex(std::int32_t index) {
  return index == static_cast<std::int32_t>(VideoFormat::kWebm) ? VideoFormat::kWebm : VideoFormat::kMp4;
}

bool IsVideoHeight(std::int32_t height) {
  return std::find(std::begin(kVideoHeights), std::end(kVideoHeights), height) != std::end(kVideoHeights);
}

std::int32_t VideoWidthFor(std::int32_t height, std::int32_t pictureWidth, std::int32_t pictureHeight) {
  const double aspect =
      pictureWidth > 0 && pictureHeight > 0 ? static_cast<double>(pictureWidth) / pictureHeight : 4.0 / 3.0;
  const double width = std::clamp(aspect, 0.25, 4.0) * height;
  return std::max<std::int32_t>(2, static_cast<std::int32_t>(std::lround(width / 2.0)) * 2);
}

}  // namespace orv
