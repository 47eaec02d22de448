// Owners for FFmpeg's objects, so that every path out of the video code
// frees them.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace orv {

struct AvFrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct AvPacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct AvCodecFree {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct SwsFree {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};

using AvFramePtr = std::unique_ptr<AVFrame, AvFrameFree>;
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketFree>;
using AvCodecPtr = std::unique_ptr<AVCodecContext, AvCodecFree>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;

// FFmpeg's words for an error code.
inline std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace orv
