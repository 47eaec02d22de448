// A presentation's thumbnail for the index page of its folder: its first
// slide, small, carrying what the page says of the presentation.
#pragma once

#include <string>

#include "folder_index/index_card.h"
#include "image/slide_preparation.h"
#include "movie/conversion_settings.h"
#include "movie/slide_list.h"
#include "pipeline/output_plan.h"

namespace orv {

// The card the index page reads from the thumbnail: the deck's title (its
// first slide's, when the deck was read), its slide count and the names of
// the outputs the plan makes.
IndexCard ThumbnailCard(const std::string& sourcePath, const ConversionSettings& settings, const SlideList& slideList,
                        const OutputPlan& plan);

// Writes plan.thumbnail() (nothing when the plan has none) and tells the
// plan what became of it. A failure is a failure of the presentation: its
// entry in the index would be missing.
void WriteThumbnail(const std::string& sourcePath, const ConversionSettings& settings, const SlideList& slideList,
                    SlidePreparer& preparer, OutputPlan& plan);

}  // namespace orv
