// slidemovie: writes one movie from slide pictures with the movie writer,
// for playback tests that need what a picture folder cannot express
// (per-slide delays as a presentation would record them).
//
//   slidemovie --out MOVIE.swf [--width W] [--height H] [--delays 2,1,3 | --fixed S]
//              [--nav] [--autostart] [--loop] [--no-fade] [--align] [--scale] [--no-print]
//              [--html5] PICTURE...
//
// --html5 also writes the movie's HTML5 twin beside it.
//
// Exit status 0 when the movie was written, 1 when the writer reported a
// failure (its message is on standard error), 2 for bad usage.
#include <charconv>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/notifier.h"
#include "base/progress.h"
#include "image/slide_preparation.h"
#include "movie/conversion_settings.h"
#include "movie/html5_twin.h"
#include "movie/movie_writer.h"
#include "movie/slide_list.h"

namespace {

int Usage(std::string_view why) {
  std::cerr << "slidemovie: " << why << "\n"
            << "usage: slidemovie --out MOVIE.swf [--width W] [--height H] [--delays a,b,c | --fixed S]\n"
               "                  [--nav] [--autostart] [--loop] [--no-fade] [--align] [--scale] [--no-print]\n"
               "                  [--html5] PICTURE...\n";
  return 2;
}

bool ParseInt(std::string_view text, std::int32_t& value) {
  const auto* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end;
}

bool ParseDelays(std::string_view text, std::vector<std::uint32_t>& delays) {
  while (!text.empty()) {
    const auto comma = text.find(',');
    std::int32_t value = 0;
    if (!ParseInt(text.substr(0, comma), value) || value < 1) return false;
    delays.push_back(static_cast<std::uint32_t>(value));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  return !delays.empty();
}

// Counts the writer's messages so that a failed movie is a failed run.
class CountingNotifier final : public orv::Notifier {
 public:
  void Report(std::string_view text) override {
    ++reports;
    std::cerr << "Orvanta: " << text << "\n";
  }
  bool Ask(std::string_view text) override {
    std::cerr << "Orvanta: " << text << " (answered no)\n";
    return false;
  }
  int reports = 0;
};

}  // namespace

int main(int argc, char** argv) {
  orv::ConversionSettings settings;
  settings.UsePptTime = 1;  // a fixed interval unless --delays is given
  orv::SlideList slides;
  orv::MovieWriter writer;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string_view arg = args[k];
    const bool hasValue = k + 1 < args.size();
    if (arg == "--out" && hasValue) {
      writer.outputPath = std::string(args[++k]);
    } else if (arg == "--width" && hasValue) {
      if (!ParseInt(args[++k], settings.Width)) return Usage("bad width");
    } else if (arg == "--height" && hasValue) {
      if (!ParseInt(args[++k], settings.Height)) return Usage("bad height");
    } else if (arg == "--fixed" && hasValue) {
      if (!ParseInt(args[++k], settings.Delay)) return Usage("bad delay");
      settings.UsePptTime = 1;
    } else if (arg == "--delays" && hasValue) {
      if (!ParseDelays(args[++k], slides.delays)) return Usage("bad delays");
      settings.UsePptTime = 0;
      slides.useSlideTimings = 1;
    } else if (arg == "--nav") {
      settings.ShowNav = 0;
    } else if (arg == "--autostart") {
      settings.AutoStart = 1;
    } else if (arg == "--loop") {
      settings.Loop = 1;
    } else if (arg == "--no-fade") {
      settings.Fade = 0;
    } else if (arg == "--align") {
      settings.Align = 1;
    } else if (arg == "--scale") {
      settings.Scale = 1;
    } else if (arg == "--no-print") {
      settings.NoPrint = 1;
    } else if (arg == "--html5") {
      settings.GenHTML5 = 1;
    } else if (arg.starts_with("--")) {
      return Usage("unknown option " + std::string(arg));
    } else {
      slides.paths.emplace_back(arg);
    }
  }
  if (writer.outputPath.empty() || slides.paths.empty()) return Usage("an output and pictures are needed");

  CountingNotifier notifier;
  orv::ScopedNotifier scoped(notifier);
  orv::SlidePreparer preparer;
  writer.encodeSlide = [&preparer](const std::string& path, std::uint8_t*& jpegBytes,
                                   const orv::ConversionSettings& options) {
    return preparer.EncodeSlideImage(path, jpegBytes, orv::FrameOf(options));
  };
  writer.slidePaths = slides.paths;
  if (settings.GenHTML5 != 0) {
    const std::filesystem::path movie(writer.outputPath);
    writer.twin.path = (movie.parent_path() / orv::TwinName(movie.filename().string())).string();
    writer.twin.title = movie.stem().string();
  }
  orv::Progress progress;
  writer.WriteMovie(settings, slides, progress);
  if (notifier.reports > 0 || !std::filesystem::exists(writer.outputPath)) return 1;
  return 0;
}
