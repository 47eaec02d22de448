// Turns the slide pictures of one presentation into its movie, or into one
// movie per slide in split mode.
#pragma once

#include <string>
#include <string_view>

#include "movie/conversion_settings.h"
#include "movie/slide_list.h"

namespace orv {

class Progress;

// Collects the pictures of the working folder into slideList.paths, names
// the movie or movies and writes them. 1 when the movies were attempted (a
// movie that failed with a message included); 0 when the presentation ends
// here: cancelled, the slides could not be collected, or there are none.
int ConvertPresentationMovies(const std::string& presentationPath, const std::string& workingFolder,
                              ConversionSettings& settings, SlideList& slideList, Progress& progress,
                              std::string_view exportExtension);

}  // namespace orv
