#include "pipeline/slide_text.h"

#include <algorithm>

#include "base/notifier.h"
#include "pipeline/automation_members.h"
#include "pipeline/deck_outline.h"

namespace orv {
namespace {

// The text of a shape that has some, else "".
std::string ShapeText(const AutomationObject& shape) {
  if (shape.GetI4(dispid::kShapeHasTextFrame) == ppt::kMsoFalse) return {};
  AutomationObject frame = shape.GetObject(dispid::kShapeTextFrame);
  if (frame.GetI4(dispid::kTextFrameHasText) == ppt::kMsoFalse) return {};
  return frame.GetObject(dispid::kTextFrameTextRange).GetText(dispid::kTextRangeText);
}

}  // namespace

bool IsNotesText(const AutomationObject& shape) {
  if (shape.GetI4(dispid::kShapeType) != ppt::kMsoPlaceholder) return false;
  if (shape.GetObject(dispid::kShapePlaceholderFormat).GetI4(dispid::kPlaceholderType) != ppt::kPlaceholderBody) {
    return false;
  }
  if (shape.GetI4(dispid::kShapeHasTextFrame) == ppt::kMsoFalse) return false;
  return shape.GetObject(dispid::kShapeTextFrame).GetI4(dispid::kTextFrameHasText) != ppt::kMsoFalse;
}

std::string ReadSlideTitle(const AutomationObject& shapes) {
  if (shapes.GetI4(dispid::kShapesHasTitle) == ppt::kMsoFalse) return {};
  return ShapeText(shapes.GetObject(dispid::kShapesTitle));
}

void ReadSlideTexts(const AutomationObject& presentation, const std::vector<std::int32_t>& notesSlides, bool withNotes,
                    SlideList& list) {
  std::string reply, error;
  try {
    reply = presentation.Invoke(dispid::kPresentationOutline, DispatchKind::kMethod, {Variant::I4(withNotes ? -1 : 0)})
                .Text();
  } catch (const AutomationError& e) {
    Explain(std::string("The text of the slides could not be read: ") + e.description());
    return;
  }
  const std::optional<DeckOutline> outline = ParseDeckOutline(reply, error);
  if (!outline) {
    Explain("The text of the slides could not be read: " + error);
    return;
  }
  LanguageTally deck, again;
  list.texts.clear();
  list.texts.reserve(outline->slides.size());
  for (std::size_t k = 0; k < outline->slides.size(); ++k) {
    const bool notesSlide =
        std::find(notesSlides.begin(), notesSlides.end(), static_cast<std::int32_t>(k + 1)) != notesSlides.end();
    list.texts.push_back(BuildSlideText(outline->slides[k], withNotes && !notesSlide, notesSlide ? again : deck));
    if (notesSlide) list.texts.back().kind = SlideText::Kind::kNotes;
  }
  list.language = deck.Top();
}

}  // namespace orv
