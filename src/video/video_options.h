// What a presentation's video is made as: the container and codec, the
// picture height, and the encoder's quality and speed.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orv {

// The stored index of each format (VideoFormat): MP4 with H.264 first.
enum class VideoFormat : std::int32_t { kMp4 = 0, kWebm = 1 };

// "mp4" or "webm": the option's word, the file's extension.
std::string_view VideoFormatName(VideoFormat format);
std::optional<VideoFormat> VideoFormatFromName(std::string_view name);
// The stored number, anything unknown read as MP4.
VideoFormat VideoFormatFromIndex(std::int32_t index);

// The heights a video is made at (VideoHeight).
inline constexpr std::int32_t kVideoHeights[] = {720, 1080, 2160};
inline constexpr std::int32_t kDefaultVideoHeight = 1080;
bool IsVideoHeight(std::int32_t height);

struct VideoOptions {
  VideoFormat format = VideoFormat::kMp4;
  std::int32_t height = kDefaultVideoHeight;
  // 0: from the first slide picture's aspect ratio at `height` (even).
  std::int32_t width = 0;
  // Constant quality: x264's CRF (0..51) and VP9's (0..63). Text on a
  // still slide needs more than a film does.
  std::int32_t quality = -1;  // -1: the format's own default below
  // x264's speed preset; VP9 takes its cpu-used from it.
  std::string_view preset = "medium";
};

inline constexpr std::int32_t kDefaultH264Crf = 20;
inline constexpr std::int32_t kDefaultVp9Crf = 32;

// The video's frame for a slide picture of pictureWidth x pictureHeight at
// `height`: the width keeps the picture's aspect ratio, rounded to an even
// number and kept between a quarter and four times the height.
std::int32_t VideoWidthFor(std::int32_t height, std::int32_t pictureWidth, std::int32_t pictureHeight);

}  // namespace orv
