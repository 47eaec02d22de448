// What a presentation's video shows, from what its movie is made of: the
// slides and notes slides in order, without the help slide (it explains keys
// a video does not have), with the blank end slide when the movie has one.
#pragma once

#include <vector>

#include "movie/conversion_settings.h"
#include "movie/slide_list.h"
#include "video/video_writer.h"

namespace orv {

// The extra slides' time in the movie, and so in the video.
inline constexpr double kEndSlideSeconds = 3;

// Each slide for the time the movie's automatic playback gives it: its own
// timing (UsePptTime 0), or Delay (UsePptTime 1); a slide without a timing of
// its own plays Delay seconds. Chapters take the deck's titles (slides.texts)
// when they were read, the end slide "End of the slides".
std::vector<VideoSlide> VideoSlidesOf(const ConversionSettings& settings, const SlideList& slides);

}  // namespace orv
