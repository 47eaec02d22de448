// slidevideo: one video from slide pictures through the video library, for
// the video benchmark and the playback tests. Prints the seconds it took and
// the process's peak memory.
//
//   slidevideo --out FILE.mp4|FILE.webm [--height 720|1080|2160] [--seconds 2,3,1 | --each S]
//              [--no-fade] [--preset NAME] PICTURE...
//
// Exit status 0 when the video was written, 1 when it failed, 2 for bad usage.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/paths.h"
#include "video/video_writer.h"

namespace {

int Usage(const char* why) {
  std::fprintf(stderr,
               "slidevideo: %s\nusage: slidevideo --out FILE.mp4|FILE.webm [--height H] [--seconds a,b | --each S]\n"
               "                  [--no-fade] [--preset NAME] PICTURE...\n",
               why);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  orv::VideoJob job;
  job.fade = true;
  std::vector<double> seconds;
  double each = 5;
  std::string preset = "medium";
  std::vector<std::string> pictures;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool valued = i + 1 < argc;
    if (arg == "--out" && valued) {
      job.outputPath = argv[++i];
    } else if (arg == "--height" && valued) {
      job.options.height = std::atoi(argv[++i]);
    } else if (arg == "--each" && valued) {
      each = std::atof(argv[++i]);
    } else if (arg == "--seconds" && valued) {
      for (std::string_view list = argv[++i]; !list.empty();) {
        const auto comma = list.find(',');
        seconds.push_back(std::atof(std::string(list.substr(0, comma)).c_str()));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
      }
    } else if (arg == "--preset" && valued) {
      preset = argv[++i];
    } else if (arg == "--no-fade") {
      job.fade = false;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage("unknown option");
    } else {
      pictures.emplace_back(arg);
    }
  }
  if (job.outputPath.empty() || pictures.empty()) return Usage("--out and pictures are needed");
  job.options.format = job.outputPath.ends_with(".webm") ? orv::VideoFormat::kWebm : orv::VideoFormat::kMp4;
  job.options.preset = preset;
  for (std::size_t k = 0; k < pictures.size(); ++k) {
    job.slides.push_back({pictures[k], k < seconds.size() ? seconds[k] : each, orv::FileNamePart(pictures[k])});
  }
  const auto start = std::chrono::steady_clock::now();
  const orv::VideoOutcome outcome = orv::WriteVideo(job, [](double) { return true; });
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  if (outcome.status != orv::VideoOutcome::Status::kWritten) {
    std::fprintf(stderr, "slidevideo: %s\n", outcome.reason.c_str());
    return 1;
  }
  std::printf("seconds %.3f peak_mb %.1f\n", elapsed, static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
