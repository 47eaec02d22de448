// Writes the movie of a presentation, or one movie per slide in split mode,
// from slide pictures already collected in slideList.paths.
#pragma once

#include <string>
#include <string_view>

#include "movie/conversion_settings.h"
#include "movie/slide_list.h"
#include "pipeline/output_plan.h"

namespace orv {

class Progress;

// Writes the movies of `plan`, each with its HTML5 version, and the SCORM
// lesson, marking the plan as each file is written. 1 when the movies were
// attempted (a movie that failed with a message included); 0 when the user
// cancelled or there are no slides ("PPT 文件：%s 为空！！！").
int WriteSlideMovies(const std::string& sourcePath, const ConversionSettings& settings, const SlideList& slideList,
                     Progress& progress, std::string_view exportExtension, OutputPlan& plan);

}  // namespace orv
