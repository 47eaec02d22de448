// Assembles one movie in memory from the fixed fragments, the player
// configuration document and one bitmap tag plus one shape per slide, and
// writes it to disk in one piece.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "movie/conversion_settings.h"
#include "movie/html5_twin.h"
#include "movie/movie_buffer.h"
#include "movie/slide_list.h"
#include "movie/write_ledger.h"

namespace orv {

class Progress;

// Turns a slide picture into a frame-sized JPEG stream: the byte count (> 0)
// with `jpegBytes` pointing at a malloc'ed block the caller frees, or -1
// after a message. SlidePreparer::EncodeSlideImage has this shape.
using SlideEncoder =
    std::function<std::int32_t(const std::string& path, std::uint8_t*& jpegBytes, const ConversionSettings& settings)>;

// The most slides one movie can hold: the slides sprite's length is patched
// as a 16-bit value (9N + 15).
inline constexpr std::size_t kMaxSlidesPerMovie = 7280;
// Bytes of the first action block besides the configuration document, and
// bytes of its constant pool besides the document (see fragment 201).
inline constexpr std::size_t kFirstActionFixedBytes = 946;
inline constexpr std::size_t kConstantPoolFixedBytes = 336;

class MovieWriter {
 public:
  MovieWriter() = default;
  explicit MovieWriter(SlideEncoder encoder) : encodeSlide(std::move(encoder)) {}

  // Writes outputPath from slidePaths; true when it was written. Every
  // failure is reported by a message (a cancel by none); no file is touched
  // unless the whole movie was assembled, and an older file of the same name
  // survives a failed write. The ledger, when set, hears of the movie and of
  // its twin.
  bool WriteMovie(const ConversionSettings& settings, const SlideList& slides, Progress& progress);

  // Fragments 200 and 201 with the frame size and the configuration
  // document: 1, or -1 after a message.
  int BeginMovie(MovieBuffer& buffer, const ConversionSettings& settings, const SlideList& slides);
  // The bitmap tag of slide i (1-based); -1 after a message or on cancel.
  int AppendSlideImage(int slide, MovieBuffer& buffer, const ConversionSettings& settings, Progress& progress);
  // The slide's rectangle shape, fitted to the frame: 1 or -1.
  int AppendSlideShape(int slide, MovieBuffer& buffer, const ConversionSettings& settings);

  std::vector<std::string> slidePaths;  // slide i is entry i - 1
  std::string outputPath;
  std::string exportExtension = "bmp";  // what the export saved the slides as
  SlideEncoder encodeSlide;
  // With twin.path set, a movie written to disk gets its HTML5 twin from the
  // same JPEG bytes; an abandoned movie gets none.
  TwinPage twin;
  WriteLedger* ledger = nullptr;
  // With keepJpegs, each movie written adds its slides' JPEG streams to
  // keptJpegs, in order (a SCORM lesson is made of them afterwards).
  bool keepJpegs = false;
  std::vector<std::vector<std::uint8_t>> keptJpegs;
  // The configuration document of the last movie begun.
  const std::string& config() const { return config_; }

 private:
  // Refuses movies the file format cannot represent.
  bool CheckLimits(const ConversionSettings& settings) const;
  // Assembles the movie into `buffer`: false after a message or on cancel.
  bool Assemble(MovieBuffer& buffer, const ConversionSettings& settings, const SlideList& slides, Progress& progress);

  // Of the movie being assembled: its configuration document and where each
  // slide's JPEG stream lies in the buffer (offset, size).
  std::string config_;
  std::vector<std::pair<std::size_t, std::size_t>> jpegPlaces_;
};

}  // namespace orv
