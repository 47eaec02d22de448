// The names of everything one presentation produces, shared by the batch
// driver, the movie writer and the web page writer so that a page always
// refers to the movie under the name it was written with.
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

// Where the HTML5 twin of `movieName` goes; empty when its name would be too
// long for the file system (the movie's own name may still fit).
std::string TwinPathIfItFits(std::string_view outputFolder, std::string_view movieName);

// The SCORM package of a presentation, whole or split: stem + "-scorm.zip".
std::string ScormPackageName(std::string_view sourcePath);
// Whether it is made: GenScorm, with the HTML5 version it is made of.
bool MakesScormPackage(const ConversionSettings& settings);

// Every name one entry writes into its output folder, for the settings it
// was converted with and the titles and number of its slides: the movie or
// movies, their twins (those whose names fit), the pages, autorun.inf, the
// SCORM package (when its name fits).
std::vector<std::string> EntryOutputNames(std::string_view sourcePath, const ConversionSettings& settings,
                                          const std::vector<std::string>& titles, std::size_t slideCount);

// outputFolder + separator + name.
std::string OutputPath(std::string_view outputFolder, std::string_view name);
// outputFolder + separator + "autorun.inf".
std::string AutorunPath(std::string_view outputFolder);

}  // namespace orv
