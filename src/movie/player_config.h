// The configuration document the movie's player reads when it starts: stage
// alignment and scaling, menu, frame size, panel, playback and slide timings.
#pragma once

#include <string>

#include "movie/conversion_settings.h"
#include "movie/slide_list.h"

namespace orv {

// Builds the document (ASCII, no line breaks, no zero byte). In split mode
// it first sets settings.ShowNav to 1: single-slide movies never show the
// navigation panel, and the record keeps that for the rest of the run.
std::string BuildPlayerConfig(ConversionSettings& settings, const SlideList& slides);

}  // namespace orv
