#include "video_probe.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace orv::test {

ProbedVideo ProbeVideo(const std::string& path, bool decode) {
  ProbedVideo out;
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, ("file:" + path).c_str(), nullptr, nullptr) < 0) {
    out.error = "cannot open " + path;
    return out;
  }
  avformat_find_stream_info(input, nullptr);
  const int index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) {
    out.error = "no video stream";
    avformat_close_input(&input);
    return out;
  }
  AVStream* stream = input->streams[index];
  out.codec = avcodec_get_name(stream->codecpar->codec_id);
  const char* profile = avcodec_profile_name(stream->codecpar->codec_id, stream->codecpar->profile);
  out.profile = profile != nullptr ? profile : "";
  out.width = stream->codecpar->width;
  out.height = stream->codecpar->height;
  out.timeBaseNum = stream->time_base.num;
  out.timeBaseDen = stream->time_base.den;
  out.duration = static_cast<double>(input->duration) / AV_TIME_BASE;
  for (unsigned i = 0; i < input->nb_chapters; ++i) {
    const AVChapter* chapter = input->chapters[i];
    const AVDictionaryEntry* title = av_dict_get(chapter->metadata, "title", nullptr, 0);
    out.chapters.emplace_back(static_cast<double>(chapter->start) * av_q2d(chapter->time_base),
                              title != nullptr ? title->value : "");
  }

  const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
  AVCodecContext* context = avcodec_alloc_context3(decoder);
  avcodec_parameters_to_context(context, stream->codecpar);
  if (decode) avcodec_open2(context, decoder, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  SwsContext* toRgb = nullptr;
  auto take = [&] {
    while (avcodec_receive_frame(context, frame) == 0) {
      ProbedFrame picture;
      picture.seconds = static_cast<double>(frame->best_effort_timestamp) * av_q2d(stream->time_base);
      toRgb = sws_getCachedContext(toRgb, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                   frame->width, frame->height, AV_PIX_FMT_RGB24,
                                   SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
      const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
      sws_setColorspaceDetails(toRgb, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
      picture.rgb.resize(static_cast<std::size_t>(frame->width) * frame->height * 3);
      std::uint8_t* target[4] = {picture.rgb.data(), nullptr, nullptr, nullptr};
      const int stride[4] = {frame->width * 3, 0, 0, 0};
      sws_scale(toRgb, frame->data, frame->linesize, 0, frame->height, target, stride);
      out.frames.push_back(std::move(picture));
    }
  };
  while (av_read_frame(input, packet) >= 0) {
    if (packet->stream_index == index) {
      if ((packet->flags & AV_PKT_FLAG_KEY) != 0) {
        out.keys.push_back(static_cast<double>(packet->pts) * av_q2d(stream->time_base));
      }
      if (decode && avcodec_send_packet(context, packet) == 0) take();
    }
    av_packet_unref(packet);
  }
  if (decode) {
    avcodec_send_packet(context, nullptr);
    take();
  }
  std::sort(out.keys.begin(), out.keys.end());
  std::stable_sort(out.frames.begin(), out.frames.end(),
                   [](const ProbedFrame& a, const ProbedFrame& b) { return a.seconds < b.seconds; });
  sws_freeContext(toRgb);
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&context);
  avformat_close_input(&input);
  return out;
}

double Psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    sum += d * d;
  }
  const double mse = sum / static_cast<double>(a.size());
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace orv::test
