#include "movie/movie_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/progress.h"
#include "movie/file_replace.h"
#include "movie/fragments.h"
#include "movie/frame_records.h"
#include "movie/player_config.h"
#include "movie/record_splice.h"

namespace orv {
namespace {

// Fixed places inside the fragments (template offsets).
constexpr std::size_t kFrameRectOffset = 8;         // fragment 200 and 202
constexpr std::size_t kTemplateRectLength = 9;      // both template RECTs
constexpr std::size_t kActionLengthOffset = 30;     // fragment 200, low half of a 32-bit length
constexpr std::size_t kPoolLengthOffset = 35;       // fragment 200
constexpr std::size_t kFileLengthOffset = 4;        // fragment 200
constexpr std::size_t kShapeTagLengthOffset = 2;    // fragment 202
constexpr std::size_t kShapeRecordsOffset = 30;     // fragment 202
constexpr std::size_t kTemplateOutlineLength = 14;  // fragment 202
constexpr std::size_t kShapeTailAfterRect = 27;     // fragment 202 bytes after its RECT
constexpr std::int64_t kTemplateShapeTagLength = 38;

constexpr std::uint8_t kJpegTagHeader[] = {0x7f, 0x05};  // DefineBitsJPEG2, long form
constexpr std::uint8_t kEmptyEncodingTables[] = {0xff, 0xd9, 0xff, 0xd8};
constexpr std::size_t kJpegTagOverhead = 12;

struct FreeDeleter {
  void operator()(std::uint8_t* block) const { std::free(block); }
};

void PutLe(std::uint8_t* at, std::uint64_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) at[k] = static_cast<std::uint8_t>(value >> (8 * k));
}

}  // namespace

bool MovieWriter::CheckLimits(const ConversionSettings& settings) const {
  if (slidePaths.empty()) {
    Notify(FormatMessage(msg::kPresentationEmpty, outputPath));
    return false;
  }
  if (slidePaths.size() > kMaxSlidesPerMovie) {
    Notify(FormatMessage(msg::kMovieTooManySlides, outputPath));
    return false;
  }
  if (settings.Width < 1 || settings.Width > kMaxFramePixels || settings.Height < 1 ||
      settings.Height > kMaxFramePixels) {
    Notify(FormatMessage(msg::kMovieFrameSizeInvalid, outputPath));
    return false;
  }
  return true;
}

bool MovieWriter::Assemble(MovieBuffer& buffer, const ConversionSettings& settings, const SlideList& slides,
                           Progress& progress) {
  const int count = static_cast<int>(slidePaths.size());
  if (BeginMovie(buffer, settings, slides) < 0) return false;
  for (int i = 1; i <= count; ++i) {
    if (AppendSlideImage(i, buffer, settings, progress) < 0) return false;
    if (AppendSlideShape(i, buffer, settings) < 0) return false;
  }
  if (AppendFragment(kSpriteStartFragment, count, buffer) < 0) return false;
  for (int j = 2; j <= count; ++j) {
    if (AppendFragment(kSpriteFrameFragment, j, buffer) < 0) return false;
  }
  if (AppendFragment(kMovieEndFragment, count, buffer) < 0) return false;
  buffer.PutU32(kFileLengthOffset, static_cast<std::uint32_t>(buffer.length()));
  return true;
}

bool MovieWriter::WriteMovie(const ConversionSettings& settings, const SlideList& slides, Progress& progress) {
  jpegPlaces_.clear();
  MovieBuffer buffer;  // released on every return
  if (!CheckLimits(settings) || !Assemble(buffer, settings, slides, progress)) {
    // A cancel is no failure of the file; everything else was reported.
    if (ledger != nullptr && !progress.cancelled()) ledger->Failed(outputPath, 0);
    return false;
  }
  if (!ReplaceFileContents(outputPath, buffer.bytes())) {
    const int error = errno;
    Notify(FormatMessage(msg::kFlashWriteFailed, outputPath));
    Explain(outputPath + ": " + std::strerror(error));
    if (ledger != nullptr) ledger->Failed(outputPath, error);
    return false;
  }
  if (ledger != nullptr) ledger->Written(outputPath);
  // A cancel while the movie was written ends the presentation before its twin.
  progress.PumpMessages(true);
  if (progress.cancelled()) return true;
  const std::span<const std::uint8_t> movie = buffer.bytes();
  std::vector<std::span<const std::uint8_t>> jpegs;
  jpegs.reserve(jpegPlaces_.size());
  for (const auto& [offset, size] : jpegPlaces_) jpegs.push_back(movie.subspan(offset, size));
  if (keepJpegs) {
    for (const auto& jpeg : jpegs) keptJpegs.emplace_back(jpeg.begin(), jpeg.end());
  }
  if (!twin.path.empty()) WriteTwinPage(config_, jpegs, twin, ledger);
  return true;
}

int MovieWriter::BeginMovie(MovieBuffer& buffer, const ConversionSettings& settings, const SlideList& slides) {
  if (AppendFragment(kHeaderFragment, 0, buffer) < 0) {
    buffer.Release();
    return -1;
  }
  const std::size_t afterRect = buffer.length() - std::min(buffer.length(), kFrameRectOffset + kTemplateRectLength);
  const SpliceResult rect =
      RewriteFrameRect(buffer, kFrameRectOffset, kTemplateRectLength, afterRect, settings.Width, settings.Height);
  if (!rect.ok) {
    buffer.Release();
    return -1;
  }
  const std::string config = BuildPlayerConfig(settings, slides);
  config_ = config;
  // Both lengths are written as 16-bit values.
  if (config.size() + kFirstActionFixedBytes > 0xffff) {
    Notify(FormatMessage(msg::kMovieConfigTooLong, outputPath));
    buffer.Release();
    return -1;
  }
  const auto poolLength = static_cast<std::uint16_t>(config.size() + kConstantPoolFixedBytes);
  const auto actionLength = static_cast<std::uint16_t>(config.size() + kFirstActionFixedBytes);
  if (!buffer.PutU16(kPoolLengthOffset + rect.delta, poolLength) ||
      !buffer.PutU16(kActionLengthOffset + rect.delta, actionLength)) {
    Notify(msg::kResourceNotLoaded);  // a header fragment too short to patch
    buffer.Release();
    return -1;
  }
  if (!buffer.Append(std::span(reinterpret_cast<const std::uint8_t*>(config.data()), config.size()))) {
    Notify(msg::kMemoryOverflow);
    buffer.Release();
    return -1;
  }
  if (AppendFragment(kPlayerFragment, 0, buffer) < 0) {
    buffer.Release();
    return -1;
  }
  return 1;
}

int MovieWriter::AppendSlideImage(int slide, MovieBuffer& buffer, const ConversionSettings& settings,
                                  Progress& progress) {
  progress.StepIt();
  progress.PumpMessages(true);
  if (progress.cancelled()) return -1;
  if (slide < 1 || static_cast<std::size_t>(slide) > slidePaths.size() || !encodeSlide) {
    Notify(msg::kInternalError);
    return -1;
  }

  std::uint8_t* raw = nullptr;
  const std::int32_t size = encodeSlide(slidePaths[static_cast<std::size_t>(slide) - 1], raw, settings);
  std::unique_ptr<std::uint8_t, FreeDeleter> jpeg(raw);
  if (size < 0) return -1;  // the encoder has reported it
  if (size == 0 || jpeg == nullptr) {
    // An empty stream would make a bitmap the player cannot show.
    Notify(msg::kCannotEncodeImage);
    return -1;
  }

  const auto jpegSize = static_cast<std::size_t>(size);
  if (!buffer.Grow(jpegSize + kJpegTagOverhead)) {
    Notify(msg::kMemoryOverflow);
    return -1;
  }
  std::uint8_t* tag = buffer.data() + buffer.length();
  std::memcpy(tag, kJpegTagHeader, sizeof kJpegTagHeader);
  PutLe(tag + 2, jpegSize + 6, 4);
  PutLe(tag + 6, static_cast<std::uint64_t>(SlideBitmapId(slide)), 2);
  std::memcpy(tag + 8, kEmptyEncodingTables, sizeof kEmptyEncodingTables);
  std::memcpy(tag + kJpegTagOverhead, jpeg.get(), jpegSize);
  jpegPlaces_.emplace_back(buffer.length() + kJpegTagOverhead, jpegSize);
  buffer.Commit(jpegSize + kJpegTagOverhead);
  return 1;
}

int MovieWriter::AppendSlideShape(int slide, MovieBuffer& buffer, const ConversionSettings& settings) {
  const std::size_t start = buffer.length();
  if (AppendFragment(kSlideShapeFragment, slide, buffer) < 0) return -1;
  const SpliceResult rect = RewriteFrameRect(buffer, start + kFrameRectOffset, kTemplateRectLength, kShapeTailAfterRect,
                                             settings.Width, settings.Height);
  if (!rect.ok) return -1;
  const SpliceResult edges = RewriteShapeEdges(buffer, start + kShapeRecordsOffset + rect.delta, kTemplateOutlineLength,
                                               0, settings.Width, settings.Height);
  if (!edges.ok) return -1;
  if (rect.delta + edges.delta != 0) {
    buffer.PutU32(start + kShapeTagLengthOffset,
                  static_cast<std::uint32_t>(kTemplateShapeTagLength + rect.delta + edges.delta));
  }
  return 1;
}

}  // namespace orv
