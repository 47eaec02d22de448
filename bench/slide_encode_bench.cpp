// Slide preparation and encoding against two baselines, in one run:
//  - the floor: libjpeg-turbo compressing the same pixels, already in memory,
//    at the same size and quality (4:2:0, baseline);
//  - ImageMagick's convert doing the fit (resize, centre on black, extent).
// Usage: slide_encode_bench FITTING_DIR FRAME_DIR [ROUNDS]
//   FITTING_DIR: 960 x 720 BMP slides, fitted into 640 x 480 (SharpFont 0)
//   FRAME_DIR:   640 x 480 BMP slides, encoded as they are (SharpFont 1)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "base/notifier.h"
#include "image/raster_image.h"
#include "image/slide_preparation.h"
#include "movie/conversion_settings.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> Slides(const std::string& dir) {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".bmp") paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// The floor: one libjpeg-turbo compression of pixels already in memory,
// handed over in their stored order with the library's BGR input.
unsigned long RawEncode(const orv::RasterImage& image, int quality) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = static_cast<JDIMENSION>(image.Width());
  info.image_height = static_cast<JDIMENSION>(image.Height());
  info.input_components = 3;
  info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  for (std::uint32_t stored = static_cast<std::uint32_t>(image.Height()); stored-- > 0;) {
    JSAMPROW row = const_cast<JSAMPROW>(image.Row(stored));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::free(out);
  return size;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// This process's processor time in seconds: on a machine shared with other
// work it moves far less than the wall clock.
double ProcessorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Best of `rounds` timings of `work` over all slides, in milliseconds per
// slide: wall clock, and processor time of this process.
struct Timing {
  double wall = 1e30;
  double processor = 1e30;
};

void KeepBest(Timing& best, const Timing& round) {
  best.wall = std::min(best.wall, round.wall);
  best.processor = std::min(best.processor, round.processor);
}

template <typename Work>
Timing PerSlide(const std::vector<std::string>& slides, int rounds, Work work) {
  Timing best;
  const double perSlide = 1000.0 / static_cast<double>(slides.size());
  for (int r = 0; r < rounds; ++r) {
    const auto start = Clock::now();
    const double processorStart = ProcessorSeconds();
    for (const auto& slide : slides) work(slide);
    best.processor = std::min(best.processor, (ProcessorSeconds() - processorStart) * perSlide);
    best.wall = std::min(best.wall, Seconds(Clock::now() - start) * perSlide);
  }
  return best;
}

Timing Ours(orv::SlidePreparer& preparer, const std::vector<std::string>& slides, int rounds,
            const orv::ConversionSettings& settings) {
  return PerSlide(slides, rounds, [&](const std::string& slide) {
    std::uint8_t* bytes = nullptr;
    if (preparer.EncodeSlideImage(slide, bytes, orv::FrameOf(settings)) < 0) std::exit(2);
    std::free(bytes);
  });
}

Timing Floor(const std::vector<orv::RasterImage*>& images, int rounds, int quality) {
  std::vector<std::string> names(images.size());
  std::size_t next = 0;
  return PerSlide(names, rounds, [&](const std::string&) { RawEncode(*images[next++ % images.size()], quality); });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FITTING_DIR FRAME_DIR [ROUNDS]\n", argv[0]);
    return 2;
  }
  const auto fitting = Slides(argv[1]);
  const auto framed = Slides(argv[2]);
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
  if (fitting.empty() || framed.empty()) {
    std::fprintf(stderr, "no .bmp slides found\n");
    return 2;
  }
  orv::StderrNotifier quiet;
  orv::ScopedNotifier scope(quiet);
  orv::ConversionSettings settings;  // 640 x 480, quality 90
  const int quality = settings.JpgQlt & 0xff;

  // The floor works on the frame-sized pixels, loaded before timing.
  std::vector<orv::RasterImage*> frames;
  for (const auto& slide : framed) {
    auto* image = new orv::RasterImage;
    if (!image->Load(slide, orv::ImageFormat::Bmp) || !image->RaiseDepth(24)) return 2;
    frames.push_back(image);
  }

  // The three take turns, one round each at a time, so that a machine busy
  // with other work slows them alike and the ratios hold.
  orv::SlidePreparer preparer;
  Timing floorMs;
  Timing plainMs;
  Timing fittedMs;
  for (int r = 0; r < rounds; ++r) {
    KeepBest(floorMs, Floor(frames, 1, quality));
    settings.SharpFont = 1;
    KeepBest(plainMs, Ours(preparer, framed, 1, settings));
    settings.SharpFont = 0;
    KeepBest(fittedMs, Ours(preparer, fitting, 1, settings));
  }

  const std::string out = (std::filesystem::temp_directory_path() / "orvanta-bench-magick.jpg").string();
  const double magickMs = PerSlide(fitting, 1, [&](const std::string& slide) {
                            const std::string command =
                                "convert '" + slide +
                                "' -resize 640x480 -background black -gravity center -extent 640x480 -quality 90 '" +
                                out + "'";
                            if (std::system(command.c_str()) != 0) std::exit(2);
                          }).wall;  // the work is in child processes: only the wall clock sees it
  std::filesystem::remove(out);
  for (auto* image : frames) delete image;

  std::printf("slides: %zu fitted (960x720 -> 640x480), %zu at frame size; best of %d rounds\n", fitting.size(),
              framed.size(), rounds);
  std::printf("                                          wall clock          processor time\n");
  std::printf("floor  libjpeg-turbo, pixels in memory   %8.2f ms/slide      %8.2f ms/slide\n", floorMs.wall,
              floorMs.processor);
  std::printf("ours   load + encode, no fitting       %8.2f ms/slide      %8.2f ms/slide\n", plainMs.wall,
              plainMs.processor);
  std::printf("ours   load + fit + encode             %8.2f ms/slide      %8.2f ms/slide\n", fittedMs.wall,
              fittedMs.processor);
  std::printf("convert (ImageMagick) fit + encode     %8.2f ms/slide  (ours is %.1fx faster)\n", magickMs,
              magickMs / fittedMs.wall);
  std::printf("no fitting vs floor: %.2fx wall clock, %.2fx processor time\n", plainMs.wall / floorMs.wall,
              plainMs.processor / floorMs.processor);
  std::printf("fitting vs floor:    %.2fx wall clock, %.2fx processor time\n", fittedMs.wall / floorMs.wall,
              fittedMs.processor / floorMs.processor);
  return 0;
}
