#include "video/video_slides.h"

#include "base/language.h"
#include "movie/twin_labels.h"

namespace orv {

std::vector<VideoSlide> VideoSlidesOf(const ConversionSettings& settings, const SlideList& slides) {
  const bool help = HasHelpSlide(settings);
  const bool end = HasEndSlide(settings);
  const std::size_t extra = (help ? 1 : 0) + (end ? 1 : 0);
  if (slides.paths.size() < extra) return {};
  const std::size_t first = help ? 1 : 0;
  const std::size_t deckSlides = slides.paths.size() - extra;

  std::vector<VideoSlide> video;
  video.reserve(deckSlides + (end ? 1 : 0));
  for (std::size_t k = 0; k < deckSlides; ++k) {
    VideoSlide slide;
    slide.picture = k < slides.videoPictures.size() ? slides.videoPictures[k] : slides.paths[first + k];
    const bool ownTime =
        settings.UsePptTime == 0 && k < slides.delays.size() && (k >= slides.timed.size() || slides.timed[k]);
    slide.seconds = ownTime ? slides.delays[k] : settings.Delay;
    if (k < slides.texts.size()) slide.title = slides.texts[k].title;
    video.push_back(std::move(slide));
  }
  if (end) {
    video.push_back({slides.paths.back(), kEndSlideSeconds, std::string(TwinLabel("end-title", CurrentLanguage()))});
  }
  return video;
}

}  // namespace orv
