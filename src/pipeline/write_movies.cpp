#include "pipeline/write_movies.h"

#include <filesystem>
#include <memory>

#include "base/language.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "base/progress.h"
#include "image/slide_preparation.h"
#include "movie/html5_twin.h"
#include "movie/movie_writer.h"
#include "movie/player_config.h"
#include "pipeline/output_names.h"
#include "pipeline/write_thumbnail.h"
#include "scorm/scorm_package.h"

namespace orv {
namespace {

// What the twin says of deck slide `k`: its own text when the deck was
// read, else the title that names its movie (a folder's picture names).
SlideText DeckSlideText(const SlideList& slideList, const std::vector<std::string>& nameTitles, std::size_t k) {
  if (!slideList.texts.empty()) return k < slideList.texts.size() ? slideList.texts[k] : SlideText{};
  SlideText text;
  if (k < nameTitles.size()) text.title = nameTitles[k];
  return text;
}

// One entry per slide of a whole-deck movie: the help slide first and the
// end slide last, as the pictures are.
std::vector<SlideText> MovieSlideTexts(const ConversionSettings& settings, const SlideList& slideList,
                                       const std::vector<std::string>& nameTitles) {
  const bool help = settings.InsHelp != 0, end = settings.BlankEnd != 0;
  const std::size_t extra = (help ? 1 : 0) + (end ? 1 : 0);
  const std::size_t deckSlides = slideList.paths.size() >= extra ? slideList.paths.size() - extra : 0;
  std::vector<SlideText> texts;
  texts.reserve(slideList.paths.size());
  if (help) texts.emplace_back().kind = SlideText::Kind::kHelp;
  for (std::size_t k = 0; k < deckSlides; ++k) texts.push_back(DeckSlideText(slideList, nameTitles, k));
  if (end) texts.emplace_back().kind = SlideText::Kind::kEnd;
  return texts;
}

// The package's path relative to the run's output folder: what tells it from
// the lesson of a presentation of the same name in another folder of the batch.
std::string LessonIdentity(const OutputPlan& plan) {
  const std::string relative =
      std::filesystem::path(plan.lesson()).lexically_relative(plan.placement().root).generic_string();
  return relative.empty() || relative.starts_with("..") ? FileNamePart(plan.lesson()) : relative;
}

// The lesson's name on the learning platform: the first slide's title, else
// the presentation's file name.
std::string LessonTitle(const std::string& sourcePath, const SlideList& slideList) {
  if (!slideList.texts.empty() && !slideList.texts.front().title.empty()) return slideList.texts.front().title;
  if (!slideList.titles.empty() && !slideList.titles.front().empty()) return slideList.titles.front();
  return OutputStem(sourcePath);
}

// The presentation's SCORM package: one lesson of all the slides the movie
// or movies show (help and end slides as the whole movie has them), played
// by the HTML5 version with the bridge to the platform. Not made when a
// movie was abandoned (already reported): the lesson would miss its slides.
void WriteLesson(const std::string& sourcePath, const ConversionSettings& settings, const SlideList& slideList,
                 const MovieWriter& writer, const std::vector<SlideText>& texts, const std::string& config,
                 OutputPlan& plan) {
  if (writer.keptJpegs.size() != slideList.paths.size()) return;
  TwinPage lesson;
  lesson.title = writer.twin.title;
  lesson.slides = texts;
  lesson.language = writer.twin.language;
  lesson.labels = writer.twin.labels;
  lesson.scormBridge = true;
  lesson.scormCompletion = settings.ScormCompletion;
  const std::vector<std::span<const std::uint8_t>> jpegs(writer.keptJpegs.begin(), writer.keptJpegs.end());
  const auto page = BuildTwinPage(config, jpegs, lesson);
  if (!page) {
    plan.Failed(plan.lesson(), 0);
    return;
  }
  WriteScormPackage(plan.lesson(), LessonIdentity(plan), LessonTitle(sourcePath, slideList), *page, &plan);
}

}  // namespace

int WriteSlideMovies(const std::string& sourcePath, const ConversionSettings& settings, const SlideList& slideList,
                     Progress& progress, std::string_view exportExtension, OutputPlan& plan) {
  if (slideList.paths.empty()) {
    Notify(FormatMessage(msg::kPresentationEmpty, sourcePath));
    return 0;
  }

  // One picture object serves every slide of the presentation.
  auto preparer = std::make_shared<SlidePreparer>();
  MovieWriter writer([preparer](const std::string& path, std::uint8_t*& jpegBytes, const ConversionSettings& options) {
    return preparer->EncodeSlideImage(path, jpegBytes, FrameOf(options));
  });
  writer.exportExtension = std::string(exportExtension);
  writer.ledger = &plan;

  // Without the deck's text, the names' titles name the slides in the twins.
  const bool titled = settings.UseTitle != 0;
  const std::vector<std::string> noTitles;
  const std::vector<std::string>& titles = titled ? slideList.titles : noTitles;
  writer.twin.title = OutputStem(sourcePath);
  writer.twin.language = slideList.language;
  writer.twin.labels = CurrentLanguage();
  writer.keepJpegs = !plan.lesson().empty();
  const bool split = settings.SplitPPT != 0;

  for (const PlannedMovie& movie : plan.movies()) {
    writer.outputPath = movie.movie;
    writer.twin.path = movie.twin;
    writer.twin.previous = movie.previousTwin;
    writer.twin.next = movie.nextTwin;
    if (split) {
      writer.twin.slides.assign(1, DeckSlideText(slideList, titles, movie.firstPicture));
      // A movie of one notes slide shows it as a slide: there is no slide beside it.
      if (writer.twin.slides[0].kind == SlideText::Kind::kNotes) writer.twin.slides[0].kind = SlideText::Kind::kSlide;
    } else {
      writer.twin.slides = MovieSlideTexts(settings, slideList, titles);
    }
    const auto first = slideList.paths.begin() + static_cast<std::ptrdiff_t>(movie.firstPicture);
    writer.slidePaths.assign(first, first + static_cast<std::ptrdiff_t>(movie.pictureCount));
    writer.WriteMovie(settings, slideList, progress);
    // A cancel during the writes is taken before the next file.
    progress.PumpMessages(true);
    if (progress.cancelled()) return 0;
  }
  if (writer.keepJpegs && !split) {
    WriteLesson(sourcePath, settings, slideList, writer, writer.twin.slides, writer.config(), plan);
  } else if (writer.keepJpegs) {
    // The lesson of a split presentation plays its slides as one movie would
    // (split movies have no help or end slide).
    ConversionSettings whole = settings;
    whole.SplitPPT = 0;
    whole.InsHelp = 0;
    whole.BlankEnd = 0;
    std::vector<SlideText> texts;
    for (std::size_t k = 0; k < slideList.paths.size(); ++k) texts.push_back(DeckSlideText(slideList, titles, k));
    WriteLesson(sourcePath, settings, slideList, writer, texts, BuildPlayerConfig(whole, slideList), plan);
  }
  // The index page's entry, last: only for a presentation whose files so far
  // are all there, and not after a cancel.
  progress.PumpMessages(true);
  if (progress.cancelled()) return 0;
  if (!plan.thumbnail().empty() && !plan.AnyFailed()) WriteThumbnail(sourcePath, settings, slideList, *preparer, plan);
  return 1;
}

}  // namespace orv
