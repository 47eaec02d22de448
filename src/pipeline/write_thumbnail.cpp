#include "pipeline/write_thumbnail.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "movie/file_replace.h"
#include "pipeline/output_names.h"

namespace orv {
namespace {

constexpr std::int32_t kThumbnailWidth = 320;
constexpr std::int32_t kThumbnailQuality = 80;

std::string NameOf(const std::string& path) { return path.empty() ? std::string() : FileNamePart(path); }

}  // namespace

IndexCard ThumbnailCard(const std::string& sourcePath, const ConversionSettings& settings, const SlideList& slideList,
                        const OutputPlan& plan) {
  IndexCard card;
  card.source = SourceFileName(sourcePath);
  const std::size_t extras = (HasHelpSlide(settings) ? 1 : 0) + (HasEndSlide(settings) ? 1 : 0);
  std::size_t slides = slideList.paths.size() > extras ? slideList.paths.size() - extras : 0;
  // Notes slides are known as such only when the deck's text was read.
  bool titled = false;
  for (const SlideText& text : slideList.texts) {
    if (text.kind == SlideText::Kind::kNotes) {
      if (slides > 0) --slides;
    } else if (!titled && text.kind == SlideText::Kind::kSlide) {
      card.title = text.title;
      titled = true;
    }
  }
  card.slides = static_cast<int>(slides);
  if (!plan.movies().empty()) {
    const PlannedMovie& first = plan.movies().front();
    card.movie = NameOf(first.movie);
    card.page = NameOf(first.page);
    card.twin = NameOf(first.twin);
  }
  card.lesson = NameOf(plan.lesson());
  card.video = NameOf(plan.video());
  return card;
}

void WriteThumbnail(const std::string& sourcePath, const ConversionSettings& settings, const SlideList& slideList,
                    SlidePreparer& preparer, OutputPlan& plan) {
  const std::string& path = plan.thumbnail();
  if (path.empty()) return;
  const std::size_t first = HasHelpSlide(settings) ? 1 : 0;
  if (first >= slideList.paths.size()) {
    plan.Failed(path, 0);
    return;
  }
  const std::int32_t width = settings.Width > 0 ? settings.Width : 640;
  const std::int32_t height = settings.Height > 0 ? settings.Height : 480;
  // As wide as a card of the page; a frame of an odd shape stays within 2:1 either way.
  const SlideFrame frame{kThumbnailWidth, std::clamp(kThumbnailWidth * height / width, 160, 640), kThumbnailQuality,
                         false, 0};
  std::uint8_t* bytes = nullptr;
  const std::int32_t length = preparer.EncodeSlideImage(slideList.paths[first], bytes, frame);
  std::vector<std::uint8_t> jpeg;
  if (length > 0)
    jpeg = WithIndexCard(std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length)),
                         ThumbnailCard(sourcePath, settings, slideList, plan));
  std::free(bytes);
  errno = 0;
  if (!jpeg.empty() && ReplaceFileContents(path, std::span<const std::uint8_t>(jpeg))) {
    plan.Written(path);
    return;
  }
  const int reason = errno;
  Notify(FormatMessage(msg::kThumbnailWriteFailed, path));
  plan.Failed(path, reason);
}

}  // namespace orv
