// One video file through FFmpeg's libraries: H.264 (x264, High, yuv420p) in
// MP4 with its index at the front, or VP9 in WebM; the chapters in the file;
// frames at their own time stamps (variable frame rate).
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>

#include "video/av_handles.h"
#include "video/video_chapters.h"
#include "video/video_options.h"

namespace orv {

class VideoEncoder {
 public:
  VideoEncoder() = default;
  ~VideoEncoder();  // an encoder not finished closes its file as it is
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  // Creates `path` for a width x height video. False with `error`.
  bool Open(const std::string& path, const VideoOptions& options, std::int32_t width, std::int32_t height,
            std::span<const VideoChapter> chapters, std::string& error);
  // Encodes `frame` at `start` ticks for `duration` ticks; a key frame when
  // `key`. The frame is only read.
  bool Send(const AVFrame& frame, std::int64_t start, std::int64_t duration, bool key, std::string& error);
  // Drains the encoder and completes the file. False with `error` (a full
  // disk shows here at the latest).
  bool Finish(std::string& error);

 private:
  bool Drain(std::string& error);
  bool WriteFailed(int code, const char* what, std::string& error) const;
  void Close();

  AVFormatContext* muxer_ = nullptr;
  AvCodecPtr codec_;
  AVStream* stream_ = nullptr;
  AvPacketPtr packet_;
  // Each frame's length by its time stamp: the encoder's packets do not
  // carry it, and the last one sets the file's duration.
  std::map<std::int64_t, std::int64_t> durations_;
};

}  // namespace orv
