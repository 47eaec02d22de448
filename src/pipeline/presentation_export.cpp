#include "pipeline/presentation_export.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/language.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "pipeline/automation_members.h"
#include "pipeline/slide_queue.h"
#include "pipeline/slide_text.h"
#include "pipeline/title_names.h"
#include "video/video_options.h"

namespace orv {
namespace {

using Args = std::vector<Variant>;

void PutText(const AutomationObject& textRange, const std::string& text) {
  textRange.Invoke(dispid::kTextRangeText, DispatchKind::kPropertyPut, {Variant::Text(text)});
}

// Steps the bar and lets the user cancel; true when the export goes on.
bool StepAndPump(Progress& progress) {
  progress.StepIt();
  progress.PumpMessages(true);
  return !progress.cancelled();
}

// Moves the bar once per exported slide (the range holds a step for each)
// and says which slide is at hand. Slides exported more than once (the
// movie's pictures, then the video's at its size) share the steps among the
// passes.
class ExportTicker {
 public:
  ExportTicker(Progress& progress, int count) : progress_(progress), count_(count), base_(progress.position()) {}
  void SetPasses(int passes) { passes_ = std::max(passes, 1); }
  // Later counts are from the start of pass `pass` (from 0).
  void StartPass(int pass) { before_ = pass * count_; }
  // Job `job` (from 1, over the passes) goes to the server; 0: all slides at once.
  void Starting(int job) {
    progress_.SetStage(ProgressStage::kExportingSlides, job > 0 && count_ > 0 ? (job - 1) % count_ + 1 : 0, count_);
  }
  // `exported` jobs of this pass are done; false when the user cancelled.
  bool Exported(int exported) {
    const std::int32_t position = base_ + (before_ + exported) / passes_;
    if (progress_.position() != position) progress_.SetPos(position);
    progress_.PumpMessages(true);
    return !progress_.cancelled();
  }

 private:
  Progress& progress_;
  int count_;
  std::int32_t base_;
  int passes_ = 1;
  int before_ = 0;
};

// Inserts a title-and-text slide after slide `index` that carries `notes`,
// shrinking the font a point at a time until the text fits or is below 6 pt.
void AddNotesSlide(const AutomationObject& slides, std::int32_t index, const std::string& notes) {
  AutomationObject newSlide =
      CallForObject(slides, dispid::kSlidesAdd, {Variant::I4(index + 1), Variant::I4(ppt::kLayoutText)});
  AutomationObject shapes = newSlide.GetObject(dispid::kSlideShapes);
  AutomationObject title = Item(shapes, dispid::kShapesItem, 1);
  PutText(title.GetObject(dispid::kShapeTextFrame).GetObject(dispid::kTextFrameTextRange), msg::kSpeakerNotesTitle);

  AutomationObject body = Item(shapes, dispid::kShapesItem, 2);
  AutomationObject bodyText = body.GetObject(dispid::kShapeTextFrame).GetObject(dispid::kTextFrameTextRange);
  PutText(bodyText, notes);
  while (body.GetR4(dispid::kShapeHeight) < bodyText.GetR4(dispid::kTextRangeBoundHeight)) {
    AutomationObject font = bodyText.GetObject(dispid::kTextRangeFont);
    float size = font.GetR4(dispid::kFontSize);
    font.Invoke(dispid::kFontSize, DispatchKind::kPropertyPut, {Variant::R4(size - 1.0f)});
    if (font.GetR4(dispid::kFontSize) < 6.0f) break;
  }
}

// Adds a notes slide after every slide whose notes page has text; `added`
// (when given) gets their numbers. False on cancel.
bool AddNotesSlides(const AutomationObject& slides, const std::string& path, Progress& progress,
                    std::vector<std::int32_t>* added = nullptr) {
  progress.SetStatusText(FormatMessage(msg::kAnalysingNotes, path));
  // The count is read again before every pass: it grows with each notes slide,
  // and the pass after an insertion visits the notes slide itself.
  for (std::int32_t i = 1; i <= slides.GetI4(dispid::kSlidesCount); ++i) {
    progress.SetRange(0, slides.GetI4(dispid::kSlidesCount), 1);
    if (!StepAndPump(progress)) return false;
    AutomationObject notesShapes =
        Item(slides, dispid::kSlidesItem, i).GetObject(dispid::kSlideNotesPage).GetObject(dispid::kSlideShapes);
    for (std::int32_t j = 1; j <= notesShapes.GetI4(dispid::kShapesCount); ++j) {
      AutomationObject shape = Item(notesShapes, dispid::kShapesItem, j);
      if (!IsNotesText(shape)) continue;
      std::string notes = shape.GetObject(dispid::kShapeTextFrame)
                              .GetObject(dispid::kTextFrameTextRange)
                              .GetText(dispid::kTextRangeText);
      AddNotesSlide(slides, i, notes);
      if (added == nullptr) continue;
      for (auto& number : *added) number += number > i ? 1 : 0;
      added->push_back(i + 1);
    }
  }
  progress.SetStatusText(FormatMessage(msg::kConvertingFile, path));
  progress.SetPos(0);
  return true;
}

void ReadTimings(const AutomationObject& slides, SlideList& list) {
  std::int32_t count = slides.GetI4(dispid::kSlidesCount);
  for (std::int32_t j = 1; j <= count; ++j) {
    float seconds = Item(slides, dispid::kSlidesRange, j)
                        .GetObject(dispid::kSlideRangeSlideShowTransition)
                        .GetR4(dispid::kTransitionAdvanceTime);
    // Truncated toward zero; negative, huge or NaN times from a damaged file
    // play for one second instead of wrapping into an endless delay.
    double whole = std::trunc(static_cast<double>(seconds));
    std::uint32_t delay = 0;
    if (whole >= 1.0 && whole <= static_cast<double>(UINT32_MAX)) delay = static_cast<std::uint32_t>(whole);
    list.delays.push_back(delay);
    // Below a second still is a time of its own (the movie plays it 1 s);
    // only a slide that advances on a click has none.
    list.timed.push_back(seconds > 0.0f);
  }
  for (auto& delay : list.delays) {
    if (delay == 0) delay = 1;
  }
}

void ReadTitles(const AutomationObject& slides, SlideList& list) {
  std::int32_t count = slides.GetI4(dispid::kSlidesCount);
  for (std::int32_t j = 1; j <= count; ++j) {
    list.titles.push_back(ReadSlideTitle(Item(slides, dispid::kSlidesRange, j).GetObject(dispid::kSlideShapes)));
  }
  MakeTitleNames(list.titles);
}

bool CreateWorkingFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec || !IsDirectory(folder)) {
    Notify(msg::kTempFolderFailed);
    Explain(folder + ": " + (ec ? ec.message() : std::string("not a folder")));
    return false;
  }
  return true;
}

// One picture per slide from `first` to `last`, rendered at the frame size by the server.
void ExportSlides(const AutomationObject& slides, const std::string& folder, const char* extension,
                  const ConversionSettings& settings, std::int32_t first, std::int32_t last) {
  for (std::int32_t j = first; j <= last; ++j) {
    std::string file = JoinPath(folder, "Slide" + std::to_string(j) + "." + extension);
    Item(slides, dispid::kSlidesItem, j)
        .Invoke(
            dispid::kSlideExport, DispatchKind::kMethod,
            {Variant::Text(file), Variant::Text(extension), Variant::I4(settings.Width), Variant::I4(settings.Height)});
  }
}

// Every slide, one call each. False when the user cancelled.
bool ExportEachSlide(const AutomationObject& presentation, const std::string& folder, const char* extension,
                     const ConversionSettings& settings, ExportTicker& ticker) {
  AutomationObject slides = presentation.GetObject(dispid::kPresentationSlides);
  const std::int32_t count = slides.GetI4(dispid::kSlidesCount);
  for (std::int32_t j = 1; j <= count; ++j) {
    ticker.Starting(j);
    ExportSlides(slides, folder, extension, settings, j, j);
    if (!ticker.Exported(j)) return false;
  }
  return true;
}

// The folder, below the working folder, of the slides at the video's size.
constexpr char kVideoPictureFolder[] = "video";

// A set of pictures of every slide, exported one slide at a time: the
// movie's at the frame size, or the video's at its own into a folder of
// their own.
struct PicturePass {
  std::string folder;
  const char* extension = "bmp";
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// The passes that go one slide at a time (and so can be shared): the
// movie's sharp pictures, and the video's when they differ from the movie's.
// The video is the slides' own aspect ratio at its height.
std::vector<PicturePass> OneByOnePasses(const AutomationObject& presentation, const ConversionSettings& settings,
                                        const std::string& workingFolder, bool oldestServer) {
  std::vector<PicturePass> passes;
  const bool movieAtFrame = oldestServer || settings.SharpFont == 1;
  if (!oldestServer && settings.SharpFont == 1)
    passes.push_back({workingFolder, "bmp", settings.Width, settings.Height});
  if (settings.GenVideo == 0) return passes;
  const AutomationObject setup = presentation.GetObject(dispid::kPresentationPageSetup);
  const auto hundredths = [&setup](std::int32_t id) {
    const float points = setup.GetR4(id);
    return points > 0.0f && points < 1e6f ? static_cast<std::int32_t>(std::lround(points * 100.0f)) : 0;
  };
  const std::int32_t height = settings.VideoHeight;
  const std::int32_t width =
      VideoWidthFor(height, hundredths(dispid::kPageSetupSlideWidth), hundredths(dispid::kPageSetupSlideHeight));
  if (!movieAtFrame || width != settings.Width || height != settings.Height) {
    passes.push_back({JoinPath(workingFolder, kVideoPictureFolder), oldestServer ? "jpg" : "bmp", width, height});
  }
  return passes;
}

// Job `job` (from 1) of `passes` over `count` slides: the passes one after
// the other, each slide by slide.
void ExportJob(const AutomationObject& slides, const std::vector<PicturePass>& passes, int count, int job) {
  const PicturePass& pass = passes[static_cast<std::size_t>((job - 1) / count)];
  const std::int32_t slide = (job - 1) % count + 1;
  const std::string file = JoinPath(pass.folder, "Slide" + std::to_string(slide) + "." + pass.extension);
  Item(slides, dispid::kSlidesItem, slide)
      .Invoke(dispid::kSlideExport, DispatchKind::kMethod,
              {Variant::Text(file), Variant::Text(pass.extension), Variant::I4(pass.width), Variant::I4(pass.height)});
}

// On a slide worker's thread: open the file, add the notes slides as the
// first LibreOffice does, then take slides from the queue until none is left.
void ExportShare(AutomationServer& server, SlideQueue& queue, const std::string& path, const std::string& folder,
                 const ConversionSettings& settings) {
  ServerStart start = server.CreateObject(kPresentationServerClass);
  if (start.application.IsNull()) {
    throw AutomationError("A LibreOffice for a share of the slides could not start: " + start.description);
  }
  AutomationObject presentation = CallForObject(
      start.application.GetObject(dispid::kApplicationPresentations), dispid::kPresentationsOpen,
      {Variant::Text(path), Variant::I4(ppt::kMsoFalse), Variant::I4(ppt::kMsoFalse), Variant::I4(ppt::kMsoFalse)});
  AutomationObject slides = presentation.GetObject(dispid::kPresentationSlides);
  Progress unseen;  // the first LibreOffice's progress is the one shown
  if (settings.Notes == 1 && !AddNotesSlides(slides, path, unseen)) return;
  const int jobs = queue.WaitForCount();
  if (jobs == 0) return;  // not shared after all
  const std::vector<PicturePass> passes = OneByOnePasses(presentation, settings, folder, false);
  const int count = slides.GetI4(dispid::kSlidesCount);
  if (count <= 0 || count * static_cast<int>(passes.size()) != jobs) {
    throw AutomationError("The LibreOffices sharing the slides of " + path + " do not see the same slides");
  }
  int taken = 0;
  for (int job; (job = queue.Take(jobs)) != 0; ++taken) {
    ExportJob(slides, passes, count, job);
    queue.Exported();
  }
  if (taken > 0) start.application.Invoke(dispid::kApplicationQuit, DispatchKind::kMethod);
}

// One presentation's slides shared with the slide workers. They start at
// once, so that they open the file while the first LibreOffice does, and
// take slides once it has counted them. An export that ends without Finish
// gives them up (a call in flight ends its LibreOffice). Workers that came
// too late for any slide finish on their own; the next presentation waits
// for them before it starts them again.
class SharedExport {
 public:
  SharedExport(SlideWorkers* workers, const std::string& path, const std::string& folder,
               const ConversionSettings& settings, Progress& progress)
      : workers_(workers != nullptr && workers->count() > 0 ? workers : nullptr) {
    if (workers_ == nullptr) return;
    while (!workers_->Done()) {
      progress.PumpMessages(true);
      workers_->Wait(std::chrono::milliseconds(50));
    }
    queue_ = std::make_shared<SlideQueue>();
    workers_->StartAll([queue = queue_, path, folder, settings](AutomationServer& server, std::size_t) {
      ExportShare(server, *queue, path, folder, settings);
    });
  }
  ~SharedExport() {
    if (workers_ == nullptr) return;
    if (!opened_) queue_->Open(0);
    if (!done_) workers_->GiveUp();
  }
  SharedExport(const SharedExport&) = delete;
  SharedExport& operator=(const SharedExport&) = delete;

  bool active() const { return workers_ != nullptr; }

  // True when the `count` slides are shared: take them with Take.
  bool Share(int count) {
    if (workers_ == nullptr) return false;
    count_ = count >= kMinimumSharedSlides ? count : 0;
    opened_ = true;
    queue_->Open(count_);
    return count_ > 0;
  }
  int Take() { return queue_->Take(count_); }
  // One more slide written; how many are, by every LibreOffice.
  int Exported() {
    queue_->Exported();
    return queue_->exported();
  }

  // Waits until every slide is exported, moving the bar as the others
  // write theirs. False when the user cancelled; a worker's failure that
  // cost a slide is raised as its AutomationError.
  bool Finish(ExportTicker& ticker) {
    if (workers_ == nullptr) return true;
    if (!opened_) Share(0);
    while (queue_->exported() < count_) {
      if (std::exception_ptr error = workers_->FirstError()) {
        workers_->GiveUp();
        done_ = true;
        std::rethrow_exception(error);
      }
      if (!ticker.Exported(queue_->exported())) return false;
      workers_->Wait(std::chrono::milliseconds(20));
    }
    done_ = true;
    return true;
  }

 private:
  SlideWorkers* workers_;
  std::shared_ptr<SlideQueue> queue_;
  int count_ = 0;
  bool opened_ = false;
  bool done_ = false;
};

// The installation question with the failure code, followed by the
// server's own account of what is missing when it gave one.
void ShowServerMissing(std::uint32_t code, const std::string& description) {
  char text[256];
  std::snprintf(text, sizeof text, Translate(msg::kServerMissingLibreOffice), static_cast<unsigned long>(code));
  std::string message = text;
  if (!description.empty()) message += "\n" + description;
  Notify(message);
}

}  // namespace

int ExportProgressTotal(int slideCount, const ConversionSettings& settings, const SlideList& slides) {
  // One step per slide exported, one per slide of the movie.
  int total = 2 * slideCount;
  if (settings.SplitPPT == 0) {
    if (settings.InsHelp == 1) ++total;
    if (settings.BlankEnd == 1) ++total;
  }
  if (slides.useSlideTimings == 1) ++total;
  if (slides.useTitles == 1) ++total;
  return total + 2;  // the end of the preparation and the driver's final step
}

bool ExportPresentation(AutomationServer& server, const std::string& path, const std::string& workingFolder,
                        const ConversionSettings& settings, SlideList& list, Progress& progress,
                        std::string& exportExtension, SlideWorkers* slideWorkers) {
  // Only slides exported one by one can be shared: the movie's at the frame
  // size, the video's at its own.
  const bool oneByOne = settings.SharpFont == 1 || settings.GenVideo != 0;
  SharedExport shared(oneByOne ? slideWorkers : nullptr, path, workingFolder, settings, progress);
  progress.SetStage(ProgressStage::kStartingOffice);
  ServerStart start = server.CreateObject(kPresentationServerClass);
  if (start.application.IsNull()) {
    ShowServerMissing(start.failureCode != 0 ? start.failureCode : kServerExecFailure, start.description);
    return false;
  }
  const AutomationObject& application = start.application;
  progress.SetStage(ProgressStage::kOpening);

  AutomationObject presentation = CallForObject(
      application.GetObject(dispid::kApplicationPresentations), dispid::kPresentationsOpen,
      {Variant::Text(path), Variant::I4(ppt::kMsoFalse), Variant::I4(ppt::kMsoFalse), Variant::I4(ppt::kMsoFalse)});
  AutomationObject slides = presentation.GetObject(dispid::kPresentationSlides);
  progress.SetStage(ProgressStage::kNone);

  // The file is open: loading is over, whatever comes next.
  std::vector<std::int32_t> notesSlides;
  if (settings.Notes == 1) {
    if (!AddNotesSlides(slides, path, progress, &notesSlides)) return false;
  } else {
    progress.SetStatusText(FormatMessage(msg::kConvertingFile, path));
  }

  const std::int32_t count = slides.GetI4(dispid::kSlidesCount);
  progress.SetRange(0, ExportProgressTotal(count, settings, list), 1);

  if (list.useSlideTimings == 1) {
    ReadTimings(slides, list);
    if (!StepAndPump(progress)) return false;
  }
  if (list.useTitles == 1) {
    ReadTitles(slides, list);
    if (!StepAndPump(progress)) return false;
  }
  // The words for the HTML5 version and the video's chapters; the movie
  // never sees them.
  if (settings.GenHTML5 != 0 || settings.GenVideo != 0) {
    ReadSlideTexts(presentation, notesSlides, settings.Notes == 1, list);
  }
  if (!StepAndPump(progress)) return false;

  ExportTicker ticker(progress, count);
  std::string version = application.GetText(dispid::kApplicationVersion);
  const bool oldestServer = version.rfind("8.", 0) == 0;
  const std::vector<PicturePass> passes = OneByOnePasses(presentation, settings, workingFolder, oldestServer);
  // The movie's pictures from the server's own calls come first, unless
  // they are one of the passes.
  const int earlier = oldestServer || settings.SharpFont != 1 ? 1 : 0;
  ticker.SetPasses(earlier + static_cast<int>(passes.size()));
  if (oldestServer) {
    // The oldest server can only write JPEG pictures, one call per slide.
    if (!CreateWorkingFolder(workingFolder)) return false;
    if (!ExportEachSlide(presentation, workingFolder, "jpg", settings, ticker)) return false;
    exportExtension = "jpg";
  } else if (settings.SharpFont != 1) {
    // The server creates the folder and names the pictures itself, all in one call.
    ticker.Starting(0);
    presentation.Invoke(dispid::kPresentationSaveAs, DispatchKind::kMethod,
                        {Variant::Text(workingFolder), Variant::I4(ppt::kSaveAsBmp), Variant::I4(ppt::kMsoFalse)});
  } else {
    exportExtension = "bmp";
  }

  ticker.StartPass(earlier);
  for (const PicturePass& pass : passes) {
    if (!CreateWorkingFolder(pass.folder)) return false;
  }
  const int jobs = count * static_cast<int>(passes.size());
  const bool sharing = !oldestServer && jobs > 0 && shared.active() && shared.Share(jobs);
  for (int job = 1; job <= jobs; ++job) {
    const int taken = sharing ? shared.Take() : job;
    if (taken == 0) break;
    ticker.Starting(taken);
    ExportJob(slides, passes, count, taken);
    // Rendering at the video's size takes a while: a cancel is taken between slides.
    if (!ticker.Exported(sharing ? shared.Exported() : job)) return false;
  }
  if (!passes.empty() && passes.back().folder != workingFolder) {
    const PicturePass& video = passes.back();
    for (int slide = 1; slide <= count; ++slide) {
      list.videoPictures.push_back(JoinPath(video.folder, "Slide" + std::to_string(slide) + "." + video.extension));
    }
  }

  if (!shared.Finish(ticker)) return false;
  if (!ticker.Exported(jobs)) return false;
  application.Invoke(dispid::kApplicationQuit, DispatchKind::kMethod);
  return true;
}

}  // namespace orv
