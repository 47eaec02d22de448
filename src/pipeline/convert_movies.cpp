#include "pipeline/convert_movies.h"

#include "pipeline/working_folder.h"
#include "pipeline/write_movies.h"

namespace orv {

int ConvertPresentationMovies(const std::string& presentationPath, const std::string& workingFolder,
                              ConversionSettings& settings, SlideList& slideList, Progress& progress,
                              std::string_view exportExtension) {
  if (!CollectSlideImages(workingFolder, settings, slideList, exportExtension)) return 0;
  // Naming and writing are shared with movies made from a folder of pictures.
  return WriteSlideMovies(presentationPath, settings, slideList, progress, exportExtension);
}

}  // namespace orv
