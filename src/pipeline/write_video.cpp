#include "pipeline/write_video.h"

#include <chrono>

#include "base/messages.h"
#include "base/notifier.h"
#include "video/video_slides.h"
#include "video/video_writer.h"

namespace orv {
namespace {

// The bar's steps over the encoding.
constexpr std::int32_t kVideoSteps = 1000;
// How often the view takes input (Esc, the Cancel button, Ctrl-C) while frames are encoded.
constexpr auto kPumpInterval = std::chrono::milliseconds(40);

}  // namespace

std::size_t VideoDeckSlides(const ConversionSettings& settings, const SlideList& slideList) {
  const std::size_t shown = VideoSlidesOf(settings, slideList).size();
  return HasEndSlide(settings) && shown > 0 ? shown - 1 : shown;
}

bool WritePresentationVideo(const ConversionSettings& settings, const SlideList& slideList, Progress& progress,
                            OutputPlan& plan) {
  if (plan.video().empty()) return true;
  VideoJob job;
  job.slides = VideoSlidesOf(settings, slideList);
  job.fade = settings.Fade != 0;
  job.options.format = VideoFormatFromIndex(settings.VideoFormat);
  job.options.height = settings.VideoHeight;
  job.outputPath = plan.video();

  // The bar is the video's from here; the driver's last step ends it.
  progress.SetStatusText(FormatMessage(msg::kMakingVideo, plan.video()));
  progress.SetRange(0, kVideoSteps, 1);
  progress.SetPos(0);
  std::int32_t shown = 0;
  auto pumped = std::chrono::steady_clock::now();
  const VideoOutcome outcome = WriteVideo(job, [&](double done) {
    const auto step = static_cast<std::int32_t>(done * kVideoSteps);
    if (step != shown) progress.SetPos(shown = step);
    if (const auto now = std::chrono::steady_clock::now(); now - pumped >= kPumpInterval) {
      pumped = now;
      progress.PumpMessages(true);
    }
    return !progress.cancelled();
  });

  switch (outcome.status) {
    case VideoOutcome::Status::kWritten:
      plan.Written(plan.video());
      plan.Written(plan.chapters());
      return true;
    case VideoOutcome::Status::kCancelled:
      return false;
    case VideoOutcome::Status::kFailed:
      break;
  }
  Notify(FormatMessage(msg::kVideoWriteFailed, plan.video()));
  Explain(outcome.reason);
  plan.Failed(plan.video(), outcome.error);
  plan.Failed(plan.chapters(), outcome.error);
  return true;
}

}  // namespace orv
