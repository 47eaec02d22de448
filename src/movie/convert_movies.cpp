#include "movie/convert_movies.h"

#include <memory>

#include "base/messages.h"
#include "base/notifier.h"
#include "image/slide_preparation.h"
#include "movie/movie_writer.h"
#include "pipeline/output_names.h"
#include "pipeline/progress.h"
#include "pipeline/working_folder.h"

namespace orv {

int ConvertPresentationMovies(const std::string& presentationPath, const std::string& workingFolder,
                              ConversionSettings& settings, SlideList& slideList, Progress& progress,
                              std::string_view exportExtension) {
  if (!CollectSlideImages(workingFolder, settings, slideList, exportExtension)) return 0;
  if (slideList.paths.empty()) {
    Notify(FormatMessage(msg::kPresentationEmpty, presentationPath));
    return 0;
  }

  // One picture object serves every slide of the presentation; the bands
  // around a fitted slide are black.
  auto preparer = std::make_shared<SlidePreparer>();
  preparer->fillColour = 0;
  MovieWriter writer([preparer](const std::string& path, std::uint8_t*& jpegBytes,
                                const ConversionSettings& options) {
    return preparer->EncodeSlideImage(path, jpegBytes, options);
  });
  writer.exportExtension = std::string(exportExtension);

  if (settings.SplitPPT == 0) {
    writer.outputPath = OutputPath(settings.OutputFolder, MovieName(presentationPath));
    writer.slidePaths = slideList.paths;
    writer.WriteMovie(settings, slideList, progress);
    return progress.cancelled() ? 0 : 1;
  }

  for (std::size_t k = 0; k < slideList.paths.size(); ++k) {
    // A slide without a title of its own keeps the numbered name.
    writer.outputPath = OutputPath(
        settings.OutputFolder,
        SlideMovieName(presentationPath, settings.UseTitle != 0, slideList.titles, k));
    writer.slidePaths.assign(1, slideList.paths[k]);
    writer.WriteMovie(settings, slideList, progress);
    if (progress.cancelled()) return 0;
  }
  return 1;
}

}  // namespace orv
