#include "video/video_encoder.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include "video/video_timeline.h"

namespace orv {
namespace {

constexpr AVRational kTickBase{1, static_cast<int>(kVideoTicksPerSecond)};

// FFmpeg's libraries print their statistics and complaints on standard
// error; the program keeps its own voice there. Their last error is kept to
// explain a failure instead.
std::mutex g_logMutex;
std::string g_lastLibraryError;

void KeepLibraryErrors(void*, int level, const char* format, va_list arguments) {
  if (level > AV_LOG_ERROR) return;
  char line[512];
  std::vsnprintf(line, sizeof line, format, arguments);
  std::string text = line;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  const std::lock_guard lock(g_logMutex);
  g_lastLibraryError = text;
}

std::string TakeLibraryError() {
  const std::lock_guard lock(g_logMutex);
  std::string text;
  text.swap(g_lastLibraryError);
  return text;
}

// FFmpeg takes a path with a colon for a protocol name: the file protocol
// is named, and no other is allowed.
std::string FileUrl(const std::string& path) { return "file:" + path; }

// VP9's speed from x264's preset names: the slower, the smaller.
int Vp9CpuUsed(std::string_view preset) {
  if (preset == "ultrafast" || preset == "superfast") return 8;
  if (preset == "veryfast") return 6;
  if (preset == "faster" || preset == "fast") return 5;
  if (preset == "slow") return 2;
  if (preset == "slower" || preset == "veryslow" || preset == "placebo") return 1;
  return 4;
}

void SetEncoderOptions(const VideoOptions& options, AVDictionary*& dictionary) {
  if (options.format == VideoFormat::kWebm) {
    av_dict_set_int(&dictionary, "crf", options.quality >= 0 ? options.quality : kDefaultVp9Crf, 0);
    av_dict_set(&dictionary, "deadline", "good", 0);
    av_dict_set_int(&dictionary, "cpu-used", Vp9CpuUsed(options.preset), 0);
    av_dict_set(&dictionary, "row-mt", "1", 0);
    // Frames held for the look-ahead cost memory and buy nothing on stills.
    av_dict_set(&dictionary, "lag-in-frames", "8", 0);
    return;
  }
  av_dict_set(&dictionary, "preset", std::string(options.preset).c_str(), 0);
  av_dict_set(&dictionary, "tune", "stillimage", 0);
  av_dict_set(&dictionary, "profile", "high", 0);
  av_dict_set_int(&dictionary, "crf", options.quality >= 0 ? options.quality : kDefaultH264Crf, 0);
  av_dict_set(&dictionary, "forced-idr", "1", 0);
  av_dict_set(&dictionary, "rc-lookahead", "4", 0);
}

bool AddChapters(AVFormatContext& muxer, std::span<const VideoChapter> chapters) {
  if (chapters.empty()) return true;
  auto** list = static_cast<AVChapter**>(av_calloc(chapters.size(), sizeof(AVChapter*)));
  if (list == nullptr) return false;
  muxer.chapters = list;
  for (const VideoChapter& chapter : chapters) {
    auto* entry = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
    if (entry == nullptr) return false;
    list[muxer.nb_chapters++] = entry;  // freed with the muxer from here on
    entry->id = muxer.nb_chapters;
    entry->time_base = AVRational{1, 1000};
    entry->start = chapter.startMs;
    entry->end = chapter.endMs;
    if (av_dict_set(&entry->metadata, "title", chapter.title.c_str(), 0) < 0) return false;
  }
  return true;
}

}  // namespace

VideoEncoder::~VideoEncoder() { Close(); }

void VideoEncoder::Close() {
  if (muxer_ != nullptr) {
    if (muxer_->pb != nullptr) avio_closep(&muxer_->pb);
    avformat_free_context(muxer_);
    muxer_ = nullptr;
  }
  codec_.reset();
}

bool VideoEncoder::WriteFailed(int code, const char* what, std::string& error) const {
  error = std::string(what) + ": " + AvErrorText(code);
  if (const std::string library = TakeLibraryError(); !library.empty()) error += " (" + library + ")";
  return false;
}

bool VideoEncoder::Open(const std::string& path, const VideoOptions& options, std::int32_t width, std::int32_t height,
                        std::span<const VideoChapter> chapters, std::string& error) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_callback(KeepLibraryErrors); });
  TakeLibraryError();
  const bool webm = options.format == VideoFormat::kWebm;
  const std::string url = FileUrl(path);
  int code = avformat_alloc_output_context2(&muxer_, nullptr, webm ? "webm" : "mp4", url.c_str());
  if (code < 0 || muxer_ == nullptr) return WriteFailed(code, "the container cannot be made", error);
  muxer_->protocol_whitelist = av_strdup("file");

  const char* encoderName = webm ? "libvpx-vp9" : "libx264";
  const AVCodec* encoder = avcodec_find_encoder_by_name(encoderName);
  if (encoder == nullptr) {
    error = std::string("FFmpeg's libraries have no ") + encoderName + " encoder";
    return false;
  }
  codec_.reset(avcodec_alloc_context3(encoder));
  packet_.reset(av_packet_alloc());
  if (!codec_ || !packet_) return WriteFailed(AVERROR(ENOMEM), "the encoder cannot be made", error);
  AVCodecContext& c = *codec_;
  c.width = width;
  c.height = height;
  c.pix_fmt = AV_PIX_FMT_YUV420P;
  c.time_base = kTickBase;
  c.framerate = AVRational{static_cast<int>(kVideoTicksPerSecond), 1};
  c.sample_aspect_ratio = AVRational{1, 1};
  c.color_range = AVCOL_RANGE_MPEG;
  c.colorspace = AVCOL_SPC_BT709;
  c.color_primaries = AVCOL_PRI_BT709;
  c.color_trc = AVCOL_TRC_BT709;
  // Key frames come at each slide's start; between them only a long slide
  // needs one now and then.
  c.gop_size = 300;
  // Each of the encoder's frame threads holds frames of its own: two keep
  // both cores busy within the memory a still picture deserves.
  c.thread_count = 2;
  // B-frames would hold more frames back and buy little between stills.
  if (!webm) c.max_b_frames = 0;
  if (webm) c.bit_rate = 0;  // constant quality
  if ((muxer_->oformat->flags & AVFMT_GLOBALHEADER) != 0) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* encoderOptions = nullptr;
  SetEncoderOptions(options, encoderOptions);
  code = avcodec_open2(&c, encoder, &encoderOptions);
  av_dict_free(&encoderOptions);
  if (code < 0) return WriteFailed(code, "the encoder cannot start", error);

  stream_ = avformat_new_stream(muxer_, nullptr);
  if (stream_ == nullptr) return WriteFailed(AVERROR(ENOMEM), "the stream cannot be made", error);
  stream_->time_base = c.time_base;
  stream_->avg_frame_rate = AVRational{0, 1};  // variable
  code = avcodec_parameters_from_context(stream_->codecpar, &c);
  if (code < 0) return WriteFailed(code, "the stream cannot be made", error);
  if (!AddChapters(*muxer_, chapters)) return WriteFailed(AVERROR(ENOMEM), "the chapters cannot be made", error);

  AVDictionary* ioOptions = nullptr;
  av_dict_set(&ioOptions, "protocol_whitelist", "file", 0);
  code = avio_open2(&muxer_->pb, url.c_str(), AVIO_FLAG_WRITE, nullptr, &ioOptions);
  av_dict_free(&ioOptions);
  if (code < 0) return WriteFailed(code, path.c_str(), error);
  AVDictionary* muxerOptions = nullptr;
  // The index in front: players start before the whole file has come.
  if (!webm) av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
  code = avformat_write_header(muxer_, &muxerOptions);
  av_dict_free(&muxerOptions);
  if (code < 0) return WriteFailed(code, path.c_str(), error);
  return true;
}

bool VideoEncoder::Send(const AVFrame& frame, std::int64_t start, std::int64_t duration, bool key, std::string& error) {
  // A new reference to the same pixels: the encoder may keep them a while.
  AvFramePtr sent(av_frame_clone(&frame));
  if (!sent) return WriteFailed(AVERROR(ENOMEM), "the frame cannot be sent", error);
  sent->pts = start;
  sent->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
  durations_[start] = duration;
  const int code = avcodec_send_frame(codec_.get(), sent.get());
  if (code < 0) return WriteFailed(code, "the encoder refused a frame", error);
  return Drain(error);
}

bool VideoEncoder::Drain(std::string& error) {
  for (;;) {
    int code = avcodec_receive_packet(codec_.get(), packet_.get());
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return true;
    if (code < 0) return WriteFailed(code, "the encoder failed", error);
    if (auto it = durations_.find(packet_->pts); it != durations_.end()) {
      packet_->duration = it->second;
      durations_.erase(it);
    }
    av_packet_rescale_ts(packet_.get(), codec_->time_base, stream_->time_base);
    packet_->stream_index = stream_->index;
    code = av_interleaved_write_frame(muxer_, packet_.get());
    if (code < 0) return WriteFailed(code, "the video could not be written", error);
    if (muxer_->pb->error < 0) return WriteFailed(muxer_->pb->error, "the video could not be written", error);
  }
}

bool VideoEncoder::Finish(std::string& error) {
  int code = avcodec_send_frame(codec_.get(), nullptr);
  if (code < 0) return WriteFailed(code, "the encoder failed", error);
  if (!Drain(error)) return false;
  code = av_write_trailer(muxer_);
  if (code < 0) return WriteFailed(code, "the video could not be completed", error);
  if (muxer_->pb->error < 0) return WriteFailed(muxer_->pb->error, "the video could not be written", error);
  code = avio_closep(&muxer_->pb);
  if (code < 0) return WriteFailed(code, "the video could not be written", error);
  Close();
  return true;
}

}  // namespace orv
