// Videos through the real command line: decks through LibreOffice with their
// own timings and titles, at the video's size in their own aspect ratio; and
// a full disk and a Ctrl-C in the middle of an encoding.
#include <gtest/gtest.h>

#include <sys/mount.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <array>
#include <chrono>
#include <cstring>
#include <sstream>

#include "base/messages.h"
#include "base/notifier.h"
#include "batchlist/entry_report.h"
#include "cli_runner.h"
#include "support/needs.h"
#include "support/pictures.h"

namespace orv {
namespace {

struct VideoFacts {
  int width = 0, height = 0;
  double seconds = 0;
  std::size_t chapters = 0;
  std::string codec;
};

VideoFacts Probe(const fs::path& video) {
  VideoFacts facts;
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, ("file:" + video.string()).c_str(), nullptr, nullptr) < 0) return facts;
  if (avformat_find_stream_info(input, nullptr) >= 0 && input->nb_streams > 0) {
    facts.width = input->streams[0]->codecpar->width;
    facts.height = input->streams[0]->codecpar->height;
    facts.seconds = static_cast<double>(input->duration) / AV_TIME_BASE;
    facts.chapters = input->nb_chapters;
    facts.codec = avcodec_get_name(input->streams[0]->codecpar->codec_id);
  }
  avformat_close_input(&input);
  return facts;
}

std::string Cue(const char* from, const char* to, const std::string& title) {
  return std::string(from) + " --> " + to + "\n" + title + "\n";
}

std::vector<batchlist::EntryRecord> Records(const fs::path& report) {
  std::vector<batchlist::EntryRecord> records;
  for (std::istringstream lines(test::ReadFile(report)); !lines.eof();) {
    std::string line;
    if (std::getline(lines, line) && !line.empty()) records.push_back(*batchlist::ParseReportLine(line));
  }
  return records;
}

class VideoConversion : public ::testing::Test {
 protected:
  CliRun Convert(std::vector<std::string> args, CliOptions options = {}) {
    args.insert(args.end(),
                {"--output-dir", out_.path(), "--report", work_ / "report.jsonl", "--no-web-player", "--no-index"});
    options.tmpdir = tmp_.path();
    return RunCli(args, config_.path(), options);
  }
  void TearDown() override {
    if (mounted_) ::umount2(out_.path().c_str(), MNT_DETACH);
  }

  test::ScratchFolder config_, in_, out_, work_, tmp_;
  bool mounted_ = false;
};

// The tour (16:9, its own timings of 4, 6, 3 and 5 s) and a 4:3 corpus deck
// without timings (each slide plays Delay, 3 s, where its movie gives 1 s),
// in one run: each video at 1080 pixels high in its deck's aspect ratio, as
// long as its timings, a chapter per slide named by the deck's titles.
TEST_F(VideoConversion, DecksBecomeVideosWithTheirTimingsTitlesAndAspect) {
  const fs::path corpus = fs::path(ORVANTA_SHARED_DIR) / "corpus" / "ppt" / "basic_test_ppt_file.ppt";
  ORVANTA_NEEDS(OfficeAvailable(), "LibreOffice (soffice)");
  ORVANTA_NEEDS(fs::exists(corpus), corpus.string());
  const fs::path tour = in_ / "课程 导论.v1.odp";
  fs::create_symlink(fs::path(ORVANTA_SOURCE_DIR) / "examples" / "orvanta-tour.odp", tour);
  std::string out;
  CliOptions options;
  options.out = &out;
  const CliRun run = Convert({"--video", "--no-html5", tour.string(), corpus.string()}, options);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("2 converted, 0 failed, 0 cancelled; 2 videos"), std::string::npos) << run.err;
  const fs::path video = out_ / "课程 导论.v1.mp4";
  EXPECT_NE(out.find(tour.string() + ": video " + video.string() + "\n"), std::string::npos) << out;
  EXPECT_NE(out.find(tour.string() + ": chapters " + (out_ / "课程 导论.v1.chapters.vtt") + "\n"), std::string::npos)
      << out;

  const VideoFacts wide = Probe(video);
  EXPECT_EQ(wide.width, 1920);
  EXPECT_EQ(wide.height, 1080);
  EXPECT_NEAR(wide.seconds, 18.0, 1.0 / 30);
  EXPECT_EQ(wide.chapters, 4u);
  EXPECT_EQ(wide.codec, "h264");
  const std::string chapters = test::ReadFile(out_ / "课程 导论.v1.chapters.vtt");
  for (const std::string& cue :
       {Cue("00:00:00.000", "00:00:04.000", "Welcome to Orvanta"),
        Cue("00:00:04.000", "00:00:10.000", "Navigating a movie"),
        Cue("00:00:10.000", "00:00:13.000", "Timings and fades"), Cue("00:00:13.000", "00:00:18.000", "Publishing")}) {
    EXPECT_NE(chapters.find(cue), std::string::npos) << cue << chapters;
  }
  const VideoFacts square = Probe(out_ / "basic_test_ppt_file.mp4");
  EXPECT_EQ(square.width, 1440);
  EXPECT_EQ(square.height, 1080);
  EXPECT_NEAR(square.seconds, 6.0, 1.0 / 30);
  EXPECT_EQ(square.chapters, 2u);

  for (const batchlist::EntryRecord& record : Records(work_ / "report.jsonl")) {
    const std::string stem = record.source == tour.string() ? "课程 导论.v1" : "basic_test_ppt_file";
    EXPECT_EQ(record.outputs,
              (std::vector<std::string>{stem + ".swf", stem + ".htm", stem + ".mp4", stem + ".chapters.vtt"}));
  }
  ExpectNothingLeft(tmp_.path(), out_.path());
}

// A folder of pictures needs no LibreOffice. A Ctrl-C during its encoding
// cancels the entry at once and leaves no video; a disk that fills during
// it fails the entry, says so, lists only what was written and leaves no
// part of the video.
TEST_F(VideoConversion, ACtrlCOrAFullDiskDuringTheEncodingLeavesNoVideo) {
  const std::string pictures = in_ / "讲义 3.v2";
  fs::create_directories(pictures);
  // Noise: pictures that take room in any video.
  std::uint32_t seed = 2654435761u;
  const auto noise = [&seed](int, int) {
    seed = seed * 1664525u + 1013904223u;
    return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(seed >> 24), static_cast<std::uint8_t>(seed >> 16),
                                       static_cast<std::uint8_t>(seed >> 8)};
  };
  test::BmpLayout layout;
  layout.width = 320;
  layout.height = 240;
  for (int i = 1; i <= 3; ++i) {
    layout.pixels = test::Rows24(320, 240, noise);
    test::WriteFile(pictures + "/Slide" + std::to_string(i) + ".bmp", test::BuildBmp(layout));
  }
  // Long slides at 2160 pixels: a Ctrl-C once a tenth of the encoding is done.
  CliOptions interrupt;
  std::chrono::steady_clock::time_point sent;
  interrupt.watch = [&sent](pid_t pid, const std::string& err) {
    const std::size_t encoding = err.find("正在制作视频");
    if (sent.time_since_epoch().count() == 0 && encoding != std::string::npos &&
        err.find(": 10%", encoding) != std::string::npos) {
      sent = std::chrono::steady_clock::now();
      ::kill(pid, SIGINT);
    }
  };
  const CliRun cancelled =
      Convert({pictures, "--video", "--no-html5", "--video-height", "2160", "--delay", "600"}, interrupt);
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
  EXPECT_EQ(cancelled.status, 1) << cancelled.err;
  EXPECT_NE(cancelled.err.find("cancelled"), std::string::npos) << cancelled.err;
  EXPECT_EQ(test::FileNames(out_.path()), std::vector<std::string>{"讲义 3.v2.swf"}) << "no video, no part of it";
  std::printf("[ measure  ] from a Ctrl-C during the encoding to the run's end: %.2f s\n", took);

  ORVANTA_NEEDS(::geteuid() == 0, "root, to mount a small tmpfs as the output folder");
  // Room for the movie, not for the video.
  const std::uintmax_t movie = fs::file_size(out_ / "讲义 3.v2.swf");
  fs::remove(out_ / "讲义 3.v2.swf");
  const std::string size = "size=" + std::to_string(movie + 16 * 1024);
  ASSERT_EQ(::mount("tmpfs", out_.path().c_str(), "tmpfs", 0, size.c_str()), 0) << std::strerror(errno);
  mounted_ = true;
  const CliRun full =
      Convert({pictures, "--video", "--video-height", "720", "--delay", "30", "--no-html", "--no-html5"});
  EXPECT_EQ(full.status, 1) << full.err;
  const std::string failed = FormatMessage(msg::kVideoWriteFailed, out_ / "讲义 3.v2.mp4");
  EXPECT_NE(full.err.find(failed), std::string::npos) << full.err;
  const std::vector<batchlist::EntryRecord> records = Records(work_ / "report.jsonl");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records.back().status, batchlist::EntryStatus::kFailed);
  EXPECT_EQ(records.back().message, failed + " (" + msg::kDiskFull + ")");
  EXPECT_EQ(records.back().outputs, std::vector<std::string>{"讲义 3.v2.swf"});
  EXPECT_EQ(test::FileNames(out_.path()), std::vector<std::string>{"讲义 3.v2.swf"}) << "no part of the video";

  ExpectNothingLeft(tmp_.path(), out_.path());
}

}  // namespace
}  // namespace orv
