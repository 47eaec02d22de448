// The configuration document the movie's player reads when it starts: stage
// alignment and scaling, menu, frame size, panel, playback and slide timings.
#pragma once

#include <string>

#include "movie/conversion_settings.h"
#include "movie/slide_list.h"

namespace orv {

// Builds the document (ASCII, no line breaks, no zero byte). In split mode
// the panel is hidden whatever ShowNav says: single-slide movies never show
// the navigation panel.
std::string BuildPlayerConfig(const ConversionSettings& settings, const SlideList& slides);

}  // namespace orv
