#include "pipeline/presentation_export.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "pipeline/automation_members.h"

#include "pipeline/title_names.h"

namespace orv {
namespace {

using Args = std::vector<Variant>;

AutomationObject CallForObject(const AutomationObject& object, std::int32_t dispid, const Args& args) {
  AutomationObject result = object.Invoke(dispid, DispatchKind::kMethod, args).Object();
  if (result.IsNull()) {
    throw AutomationError("Automation method " + std::to_string(dispid) + " returned no object");
  }
  return result;
}

AutomationObject Item(const AutomationObject& collection, std::int32_t dispid, std::int32_t index) {
  return CallForObject(collection, dispid, {Variant::Index(index)});
}

void PutText(const AutomationObject& textRange, const std::string& text) {
  textRange.Invoke(dispid::kTextRangeText, DispatchKind::kPropertyPut, {Variant::Text(text)});
}

// Steps the bar and lets the user cancel; true when the export goes on.
bool StepAndPump(Progress& progress) {
  progress.StepIt();
  progress.PumpMessages(true);
  return !progress.cancelled();
}

// A notes text is a body placeholder on the notes page that has text.
bool IsNotesText(const AutomationObject& shape) {
  if (shape.GetI4(dispid::kShapeType) != ppt::kMsoPlaceholder) return false;
  if (shape.GetObject(dispid::kShapePlaceholderFormat).GetI4(dispid::kPlaceholderType) != ppt::kPlaceholderBody) {
    return false;
  }
  if (shape.GetI4(dispid::kShapeHasTextFrame) == ppt::kMsoFalse) return false;
  return shape.GetObject(dispid::kShapeTextFrame).GetI4(dispid::kTextFrameHasText) != ppt::kMsoFalse;
}

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

// Adds a notes slide after every slide whose notes page has text. False on cancel.
bool AddNotesSlides(const AutomationObject& slides, const std::string& path, Progress& progress) {
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
  }
  for (auto& delay : list.delays) {
    if (delay == 0) delay = 1;
  }
}

std::string SlideTitle(const AutomationObject& slideRange) {
  AutomationObject shapes = slideRange.GetObject(dispid::kSlideShapes);
  if (shapes.GetI4(dispid::kShapesHasTitle) == ppt::kMsoFalse) return {};
  AutomationObject title = shapes.GetObject(dispid::kShapesTitle);
  if (title.GetI4(dispid::kShapeHasTextFrame) == ppt::kMsoFalse) return {};
  AutomationObject frame = title.GetObject(dispid::kShapeTextFrame);
  if (frame.GetI4(dispid::kTextFrameHasText) == ppt::kMsoFalse) return {};
  return frame.GetObject(dispid::kTextFrameTextRange).GetText(dispid::kTextRangeText);
}

void ReadTitles(const AutomationObject& slides, SlideList& list) {
  std::int32_t count = slides.GetI4(dispid::kSlidesCount);
  for (std::int32_t j = 1; j <= count; ++j) {
    list.titles.push_back(SlideTitle(Item(slides, dispid::kSlidesRange, j)));
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

// One picture per slide, rendered at the frame size by the server.
void ExportEachSlide(const AutomationObject& presentation, const std::string& folder, const char* extension,
                     const ConversionSettings& settings) {
  AutomationObject slides = presentation.GetObject(dispid::kPresentationSlides);
  std::int32_t count = slides.GetI4(dispid::kSlidesCount);
  for (std::int32_t j = 1; j <= count; ++j) {
    std::string file = JoinPath(folder, "Slide" + std::to_string(j) + "." + extension);
    Item(slides, dispid::kSlidesItem, j)
        .Invoke(
            dispid::kSlideExport, DispatchKind::kMethod,
            {Variant::Text(file), Variant::Text(extension), Variant::I4(settings.Width), Variant::I4(settings.Height)});
  }
}

// The installation question with the failure code, followed by the
// server's own account of what is missing when it gave one.
void ShowServerMissing(std::uint32_t code, const std::string& description) {
  char text[256];
  std::snprintf(text, sizeof text, msg::kServerMissingLibreOffice, static_cast<unsigned long>(code));
  std::string message = text;
  if (!description.empty()) message += "\n" + description;
  Notify(message);
}

}  // namespace

int ExportProgressTotal(int slideCount, const ConversionSettings& settings, const SlideList& slides) {
  int total = slideCount;
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
                        std::string& exportExtension) {
  ServerStart start = server.CreateObject(kPresentationServerClass);
  if (start.application.IsNull()) {
    ShowServerMissing(start.failureCode != 0 ? start.failureCode : kServerExecFailure, start.description);
    return false;
  }
  const AutomationObject& application = start.application;

  AutomationObject presentation = CallForObject(
      application.GetObject(dispid::kApplicationPresentations), dispid::kPresentationsOpen,
      {Variant::Text(path), Variant::I4(ppt::kMsoFalse), Variant::I4(ppt::kMsoFalse), Variant::I4(ppt::kMsoFalse)});
  AutomationObject slides = presentation.GetObject(dispid::kPresentationSlides);

  if (settings.Notes == 1 && !AddNotesSlides(slides, path, progress)) return false;

  progress.SetRange(0, ExportProgressTotal(slides.GetI4(dispid::kSlidesCount), settings, list), 1);

  if (list.useSlideTimings == 1) {
    ReadTimings(slides, list);
    if (!StepAndPump(progress)) return false;
  }
  if (list.useTitles == 1) {
    ReadTitles(slides, list);
    if (!StepAndPump(progress)) return false;
  }
  if (!StepAndPump(progress)) return false;

  std::string version = application.GetText(dispid::kApplicationVersion);
  if (version.rfind("8.", 0) == 0) {
    // The oldest server can only write JPEG pictures, one call per slide.
    if (!CreateWorkingFolder(workingFolder)) return false;
    ExportEachSlide(presentation, workingFolder, "jpg", settings);
    exportExtension = "jpg";
  } else if (settings.SharpFont == 1) {
    if (!CreateWorkingFolder(workingFolder)) return false;
    ExportEachSlide(presentation, workingFolder, "bmp", settings);
    exportExtension = "bmp";
  } else {
    // The server creates the folder and names the pictures itself.
    presentation.Invoke(dispid::kPresentationSaveAs, DispatchKind::kMethod,
                        {Variant::Text(workingFolder), Variant::I4(ppt::kSaveAsBmp), Variant::I4(ppt::kMsoFalse)});
  }

  application.Invoke(dispid::kApplicationQuit, DispatchKind::kMethod);
  return true;
}

}  // namespace orv
