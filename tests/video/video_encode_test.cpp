// Videos through FFmpeg's libraries, read back with them (stream, duration, key frames,
// chapters, pictures); what a cancel, a full disk and a bad picture leave behind.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "base/notifier.h"
#include "support/files.h"
#include "support/pictures.h"
#include "video/video_writer.h"

namespace orv {
namespace {

// The video read back with FFmpeg's libraries: the stream, its key frames,
// its chapters, and each decoded picture as top-down RGB.
struct ProbedFrame {
  double seconds = 0;
  std::vector<std::uint8_t> rgb;
};

struct ProbedVideo {
  std::string codec;  // "h264", "vp9"
  std::string profile;
  int width = 0;
  int height = 0;
  int timeBaseDen = 0;
  double duration = 0;       // seconds, the container's
  std::vector<double> keys;  // key frames' times, seconds
  std::vector<std::pair<double, std::string>> chapters;
  std::vector<ProbedFrame> frames;  // in presentation order
  std::string error;
};

ProbedVideo ProbeVideo(const std::string& path, bool decode) {
  ProbedVideo out;
  AVFormatContext* input = nullptr;
  int index = -1;
  if (avformat_open_input(&input, ("file:" + path).c_str(), nullptr, nullptr) < 0 ||
      avformat_find_stream_info(input, nullptr) < 0 ||
      (index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)) < 0) {
    out.error = "no video in " + path;
    avformat_close_input(&input);
    return out;
  }
  AVStream* stream = input->streams[index];
  out.codec = avcodec_get_name(stream->codecpar->codec_id);
  if (const char* profile = avcodec_profile_name(stream->codecpar->codec_id, stream->codecpar->profile)) {
    out.profile = profile;
  }
  out.width = stream->codecpar->width;
  out.height = stream->codecpar->height;
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
  if (decode && avcodec_send_packet(context, nullptr) == 0) take();
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
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    sum += d * d;
  }
  const double mse = sum / static_cast<double>(a.size());
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

// Slide k: a gradient of its own colour and a dark title bar with light
// strokes, like a line of text.
std::array<std::uint8_t, 3> SlideColour(int k, int x, int y) {  // red, green, blue; y from the top
  const bool bar = y >= 80 && y < 160 && x >= 96 && x < 1184;
  if (bar) {
    const bool stroke = (x / 8) % 3 == 0 && ((y - 80) / 8) % 4 != 0 && (x / 24 + k) % 5 != 0;
    return stroke ? std::array<std::uint8_t, 3>{235, 235, 235} : std::array<std::uint8_t, 3>{30, 30, 60};
  }
  const int shade = 60 + (x + y) * 120 / (kWidth + kHeight);
  return {static_cast<std::uint8_t>(k % 2 ? shade : 250 - shade), static_cast<std::uint8_t>(40 + 35 * k),
          static_cast<std::uint8_t>(k % 2 ? 220 - shade / 2 : shade)};
}

std::vector<std::uint8_t> SlideRgb(int k) {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const auto c = SlideColour(k, x, y);
      rgb.insert(rgb.end(), c.begin(), c.end());
    }
  }
  return rgb;
}

std::string WriteSlide(const test::ScratchFolder& folder, int k) {
  test::BmpLayout layout;
  layout.width = kWidth;
  layout.height = kHeight;
  layout.pixels = test::Rows24(kWidth, kHeight, [k](int x, int storedRow) {
    const auto c = SlideColour(k, x, kHeight - 1 - storedRow);
    return std::array<std::uint8_t, 3>{c[2], c[1], c[0]};
  });
  return folder.Write("幻灯片 " + std::to_string(k + 1) + ".bmp", test::BuildBmp(layout));
}

const std::vector<double> kSeconds = {2, 3, 1, 4, 2};
const std::vector<std::string> kTitles = {"开场：为什么", "Café \"résumé\"", "", "第四 & 最后", "谢谢"};

VideoJob FiveSlides(const test::ScratchFolder& folder, VideoFormat format, bool fade) {
  VideoJob job;
  for (int k = 0; k < 5; ++k) job.slides.push_back({WriteSlide(folder, k), kSeconds[k], kTitles[k]});
  job.fade = fade;
  job.options.format = format;
  job.options.height = kHeight;
  job.options.preset = "veryfast";
  job.outputPath = folder / ("讲座 Café v1.2." + std::string(VideoFormatName(format)));
  return job;
}

TEST(VideoEncode, FiveSlidesReadBackInBothFormats) {
  for (const VideoFormat format : {VideoFormat::kMp4, VideoFormat::kWebm}) {
    const bool fade = format == VideoFormat::kMp4;
    SCOPED_TRACE(std::string(VideoFormatName(format)));
    test::ScratchFolder folder;
    const VideoJob job = FiveSlides(folder, format, fade);
    double last = 0;
    const VideoOutcome outcome = WriteVideo(job, [&](double done) { return done >= std::exchange(last, done); });
    ASSERT_EQ(outcome.status, VideoOutcome::Status::kWritten) << outcome.reason;
    EXPECT_EQ(outcome.videoPath, job.outputPath);
    EXPECT_DOUBLE_EQ(last, 1.0) << "progress rises to the end";

    const ProbedVideo video = ProbeVideo(job.outputPath, true);
    ASSERT_TRUE(video.error.empty()) << video.error;
    EXPECT_EQ(video.codec, format == VideoFormat::kMp4 ? "h264" : "vp9");
    EXPECT_EQ(video.profile, format == VideoFormat::kMp4 ? "High" : "Profile 0");
    EXPECT_EQ(video.timeBaseDen % (format == VideoFormat::kMp4 ? 30 : 1000), 0) << "whole 30ths of a second, or ms";
    EXPECT_EQ(video.width, kWidth);
    EXPECT_EQ(video.height, kHeight);
    EXPECT_NEAR(video.duration, 12.0, 1.0 / 30);

    // A key frame and a chapter at each slide's start; the picture at its middle.
    double start = 0;
    ASSERT_EQ(video.chapters.size(), 5u);
    for (int k = 0; k < 5; ++k) {
      SCOPED_TRACE("slide " + std::to_string(k + 1));
      EXPECT_TRUE(
          std::any_of(video.keys.begin(), video.keys.end(), [&](double key) { return std::abs(key - start) < 0.001; }));
      EXPECT_NEAR(video.chapters[k].first, start, 0.001);
      EXPECT_EQ(video.chapters[k].second, k == 2 ? FormatMessage(msg::kVideoChapterUntitled, 3) : kTitles[k])
          << "the chapter's title";
      const double middle = start + kSeconds[k] / 2;
      const ProbedFrame* shown = nullptr;
      for (const auto& frame : video.frames) {
        if (frame.seconds <= middle + 1e-6) shown = &frame;
      }
      ASSERT_NE(shown, nullptr);
      EXPECT_GE(Psnr(shown->rgb, SlideRgb(k)), 38.0);
      start += kSeconds[k];
    }
    // Held pictures: a repeat every two seconds, fade frames only with the fade.
    EXPECT_EQ(video.frames.size(), fade ? 7u + 4 * 10 : 7u);
    const std::string chapters = test::ReadFile(outcome.chaptersPath);
    EXPECT_EQ(outcome.chaptersPath, folder / "讲座 Café v1.2.chapters.vtt");
    EXPECT_NE(chapters.find("00:00:05.000 --> 00:00:06.000\n" + FormatMessage(msg::kVideoChapterUntitled, 3) + "\n"),
              std::string::npos)
        << chapters;
  }
}

TEST(VideoEncode, CancelFullDiskAndBadPicturesLeaveNothing) {
  struct Case {
    const char* name;
    VideoOutcome::Status status;
  };
  for (const Case c :
       {Case{"cancel", VideoOutcome::Status::kCancelled}, Case{"full disk", VideoOutcome::Status::kFailed},
        Case{"bad picture", VideoOutcome::Status::kFailed}}) {
    SCOPED_TRACE(c.name);
    test::ScratchFolder folder;
    VideoJob job = FiveSlides(folder, VideoFormat::kMp4, true);
    const auto pictures = folder.Names();
    int callsAfterCancel = -1;
    VideoProgress progress = [&](double done) {
      if (callsAfterCancel >= 0) ++callsAfterCancel;
      if (std::string(c.name) == "cancel" && done > 0.5 && callsAfterCancel < 0) callsAfterCancel = 0;
      return callsAfterCancel < 0;
    };
    if (std::string(c.name) == "bad picture") test::WriteFile(job.slides[3].picture, "BM not a picture");
    // Writes fail past 20 kB, as on a full disk.
    const auto limit = std::string(c.name) == "full disk" ? std::make_unique<test::FileSizeLimit>(20000) : nullptr;
    const VideoOutcome outcome = WriteVideo(job, progress);
    EXPECT_EQ(outcome.status, c.status) << outcome.reason;
    EXPECT_EQ(callsAfterCancel, std::string(c.name) == "cancel" ? 0 : -1) << "nothing more after the cancel";
    EXPECT_EQ(folder.Names(), pictures) << "no video, no chapters, no temporary file";
  }
}

}  // namespace
}  // namespace orv
