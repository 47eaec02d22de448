// Reads a video back with FFmpeg's libraries for the tests: the stream, its
// key frames, its chapters, and each decoded picture as RGB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv::test {

struct ProbedFrame {
  double seconds = 0;
  std::vector<std::uint8_t> rgb;  // top-down rows, 3 bytes a pixel
};

struct ProbedVideo {
  std::string codec;  // "h264", "vp9"
  std::string profile;
  int width = 0;
  int height = 0;
  int timeBaseNum = 0;
  int timeBaseDen = 0;
  double duration = 0;       // seconds, the container's
  std::vector<double> keys;  // key frames' times, seconds
  std::vector<std::pair<double, std::string>> chapters;
  std::vector<ProbedFrame> frames;  // in presentation order
  std::string error;
};

ProbedVideo ProbeVideo(const std::string& path, bool decode);

// The peak signal-to-noise ratio of two RGB pictures of the same size, dB.
double Psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

}  // namespace orv::test
