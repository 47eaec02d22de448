// The naming rules of everything one presentation produces. Only the output
// plan (output_plan.h) applies them to a presentation, so that a page always
// refers to its movie under the name the movie was written with.
//
// The stem of a source is its file name without the extension:
//   talk.ppt, talk.pps        -> talk   (the last four characters dropped)
//   talk.pptx, talk.ppsx,
//   talk.odp                  -> talk   (the whole extension dropped)
// A name without such an extension (a folder of slide pictures, "notes")
// is its own stem.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "movie/conversion_settings.h"

namespace orv {

// The file-name part of a source path (trailing separators ignored, so a
// folder given as "/pics/" is "pics").
std::string SourceFileName(std::string_view sourcePath);
// The stem described above.
std::string OutputStem(std::string_view sourcePath);

// One movie per presentation: stem + ".swf" and stem + ".htm".
std::string MovieName(std::string_view sourcePath);
std::string PageName(std::string_view sourcePath);

// One movie per slide, slideNumber counted from 1: "stem_3.swf", "stem_3.htm".
std::string SplitMovieName(std::string_view sourcePath, int slideNumber);
std::string SplitPageName(std::string_view sourcePath, int slideNumber);

// One movie per slide named after its title (already made safe and unique by
// MakeTitleNames): title + ".swf" and title + ".htm".
std::string TitleMovieName(std::string_view title);
std::string TitlePageName(std::string_view title);

// The names of slide `index` (counted from 0) in split mode: after its title
// when titles are used and the slide has one, else the numbered name. A title
// list shorter than the slides therefore never indexes past its end.
std::string SlideMovieName(std::string_view sourcePath, bool useTitles, const std::vector<std::string>& titles,
                           std::size_t index);
std::string SlidePageName(std::string_view sourcePath, bool useTitles, const std::vector<std::string>& titles,
                          std::size_t index);

// The SCORM package of a presentation, whole or split: stem + "-scorm.zip".
std::string ScormPackageName(std::string_view sourcePath);
// Whether it is made: GenScorm, with the HTML5 version it is made of.
bool MakesScormPackage(const ConversionSettings& settings);

// outputFolder + separator + name.
std::string OutputPath(std::string_view outputFolder, std::string_view name);
// outputFolder + separator + "autorun.inf".
std::string AutorunPath(std::string_view outputFolder);

}  // namespace orv
