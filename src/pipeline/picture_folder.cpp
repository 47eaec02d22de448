#include "pipeline/picture_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "movie/slide_list.h"
#include "pipeline/working_folder.h"

namespace orv {
namespace {

constexpr std::array<const char*, 3> kPictureExtensions = {"bmp", "jpg", "wmf"};

std::string LowerExtension(const std::string& name) {
  auto dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace

PictureFolderSlides::~PictureFolderSlides() {
  if (!workingFolder_.empty()) DeleteFolderTree(workingFolder_);
}

std::string DominantPictureExtension(const std::string& folder) {
  std::array<int, kPictureExtensions.size()> counts{};
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return {};
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    struct stat st {};
    if (::stat(JoinPath(folder, name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    std::string ext = LowerExtension(name);
    for (std::size_t i = 0; i < kPictureExtensions.size(); ++i) {
      if (ext == kPictureExtensions[i]) ++counts[i];
    }
  }
  ::closedir(dir);
  std::size_t best = 0;
  for (std::size_t i = 1; i < counts.size(); ++i) {
    if (counts[i] > counts[best]) best = i;
  }
  return counts[best] > 0 ? kPictureExtensions[best] : std::string();
}

bool CollectPictureFolder(const std::string& folder, const ConversionSettings& settings, PictureFolderSlides& slides) {
  slides.extension = DominantPictureExtension(folder);

  // The user's folder gets no help or end slide written into it.
  ConversionSettings readOnly = settings;
  readOnly.InsHelp = 0;
  readOnly.BlankEnd = 0;
  SlideList pictures;
  if (!slides.extension.empty() && !CollectSlideImages(folder, readOnly, pictures, slides.extension)) {
    return false;
  }

  SlideList extras;
  const bool wantsExtras = HasHelpSlide(settings) || HasEndSlide(settings);
  if (wantsExtras && !pictures.paths.empty()) {
    std::string pattern = settings.TempFolder + "orvanta-slides-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      const int error = errno;
      Notify(msg::kTempFolderFailed);
      Explain(pattern + ": " + std::strerror(error));
      return false;
    }
    slides.workingFolder_ = pattern;
    // Nothing in the fresh folder matches this extension, so only the
    // extra slides are collected.
    if (!CollectSlideImages(slides.workingFolder_, settings, extras, "no-pictures")) return false;
  }

  const bool helpFirst = !extras.paths.empty() && settings.InsHelp != 0;
  if (helpFirst) slides.paths.push_back(extras.paths.front());
  slides.paths.insert(slides.paths.end(), pictures.paths.begin(), pictures.paths.end());
  if (!extras.paths.empty() && settings.BlankEnd != 0) slides.paths.push_back(extras.paths.back());
  return true;
}

}  // namespace orv
