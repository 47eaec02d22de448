// The presentation's video and its chapters, written where its output plan
// names them.
#pragma once

#include "base/progress.h"
#include "movie/conversion_settings.h"
#include "movie/slide_list.h"
#include "pipeline/output_plan.h"

namespace orv {

// The number of deck slides the video would show (VideoSlidesOf without the
// end slide): 0 for a presentation without slides of its own.
std::size_t VideoDeckSlides(const ConversionSettings& settings, const SlideList& slideList);

// Encodes the video the plan names, when it names one, from the slides
// VideoSlidesOf gives, and marks the plan: both files written, or both failed
// with the system's reason after a message ("输出视频 %s 时异常！"). The bar
// runs from 0 to 100% over the encoding under "正在制作视频：  \n%s"; a cancel
// stops it within a frame and leaves nothing. False when cancelled.
bool WritePresentationVideo(const ConversionSettings& settings, const SlideList& slideList, Progress& progress,
                            OutputPlan& plan);

}  // namespace orv
