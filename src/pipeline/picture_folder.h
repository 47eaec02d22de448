// A folder of slide pictures as the source of a movie: Slide1.bmp,
// Slide2.bmp, ... (any prefix, one picture extension: bmp, jpg or wmf). The
// folder belongs to the user and is only read; the help and end slides go
// into a private working folder that lives as long as this object.
#pragma once

#include <string>
#include <vector>

#include "movie/conversion_settings.h"

namespace orv {

class PictureFolderSlides {
 public:
  PictureFolderSlides() = default;
  ~PictureFolderSlides();
  PictureFolderSlides(const PictureFolderSlides&) = delete;
  PictureFolderSlides& operator=(const PictureFolderSlides&) = delete;

  std::vector<std::string> paths;  // playing order, help first and end slide last
  std::string extension;           // the pictures' extension, lower case

 private:
  friend bool CollectPictureFolder(const std::string&, const ConversionSettings&, PictureFolderSlides&);
  std::string workingFolder_;
};

// The extension most of the folder's pictures have (bmp before jpg before
// wmf on a tie); empty when the folder holds none.
std::string DominantPictureExtension(const std::string& folder);

// Collects the pictures in the order of their numbers, compared as numbers,
// and adds the help and end slides when the settings ask for them. False
// after a message.
bool CollectPictureFolder(const std::string& folder, const ConversionSettings& settings, PictureFolderSlides& slides);

}  // namespace orv
