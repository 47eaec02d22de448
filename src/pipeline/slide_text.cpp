#include "pipeline/slide_text.h"

#include <cstdint>

#include "base/notifier.h"
#include "pipeline/automation_members.h"

namespace orv {
namespace {

// Groups inside groups: deeper than any deck a person makes.
constexpr int kMaxGroupDepth = 16;

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }

// The text of a shape that has some, else "".
std::string ShapeText(const AutomationObject& shape) {
  if (shape.GetI4(dispid::kShapeHasTextFrame) == ppt::kMsoFalse) return {};
  AutomationObject frame = shape.GetObject(dispid::kShapeTextFrame);
  if (frame.GetI4(dispid::kTextFrameHasText) == ppt::kMsoFalse) return {};
  return frame.GetObject(dispid::kTextFrameTextRange).GetText(dispid::kTextRangeText);
}

class SlideReader {
 public:
  explicit SlideReader(SlideList& list) : list_(list) {}

  // Fills `text` as it goes, so that a failure keeps what came before it.
  void Read(const AutomationObject& slide, bool withNotes, SlideText& text) {
    AutomationObject shapes = slide.GetObject(dispid::kSlideShapes);
    text.title = JoinLine(SplitParagraphs(ReadSlideTitle(shapes)));
    if (!text.title.empty()) ReadLanguage(shapes.GetObject(dispid::kShapesTitle));
    for (std::int32_t i = 1, n = shapes.GetI4(dispid::kShapesCount); i <= n; ++i) {
      AddShape(Item(shapes, dispid::kShapesItem, i), text.paragraphs, 0);
    }
    if (withNotes) {
      AutomationObject notes = slide.GetObject(dispid::kSlideNotesPage).GetObject(dispid::kSlideShapes);
      for (std::int32_t i = 1, n = notes.GetI4(dispid::kShapesCount); i <= n; ++i) {
        AutomationObject shape = Item(notes, dispid::kShapesItem, i);
        if (IsNotesText(shape)) AddText(shape, text.notes);
      }
    }
  }

 private:
  static std::string JoinLine(const std::vector<std::string>& parts) {
    std::string line;
    for (const auto& part : parts) line += (line.empty() ? "" : " ") + part;
    return line;
  }

  static bool IsPlaceholder(const AutomationObject& shape, std::initializer_list<std::int32_t> kinds) {
    if (shape.GetI4(dispid::kShapeType) != ppt::kMsoPlaceholder) return false;
    const std::int32_t kind = shape.GetObject(dispid::kShapePlaceholderFormat).GetI4(dispid::kPlaceholderType);
    for (std::int32_t k : kinds) {
      if (k == kind) return true;
    }
    return false;
  }

  void AddText(const AutomationObject& shape, std::vector<std::string>& out) {
    const std::string text = ShapeText(shape);
    if (text.empty()) return;
    for (auto& paragraph : SplitParagraphs(text)) out.push_back(std::move(paragraph));
    ReadLanguage(shape);
  }

  // The deck's language is that of its first text that has one.
  void ReadLanguage(const AutomationObject& shape) {
    if (!list_.language.empty()) return;
    list_.language = shape.GetObject(dispid::kShapeTextFrame)
                         .GetObject(dispid::kTextFrameTextRange)
                         .GetText(dispid::kTextRangeLanguageTag);
  }

  // The title was read on its own; a group's items and a table's cells
  // come in their own order, row by row.
  void AddShape(const AutomationObject& shape, std::vector<std::string>& out, int depth) {
    const std::int32_t type = shape.GetI4(dispid::kShapeType);
    if (type == ppt::kMsoGroup) {
      if (depth >= kMaxGroupDepth) return;
      AutomationObject items = shape.GetObject(dispid::kShapeGroupItems);
      for (std::int32_t i = 1, n = items.GetI4(dispid::kShapesCount); i <= n; ++i) {
        AddShape(Item(items, dispid::kShapesItem, i), out, depth + 1);
      }
      return;
    }
    if (type == ppt::kMsoPlaceholder && IsPlaceholder(shape, {ppt::kPlaceholderTitle, ppt::kPlaceholderCenterTitle})) {
      return;
    }
    if (shape.GetI4(dispid::kShapeHasTable) != ppt::kMsoFalse) {
      AutomationObject table = shape.GetObject(dispid::kShapeTable);
      const std::int32_t rows = table.GetObject(dispid::kTableRows).GetI4(dispid::kShapesCount);
      const std::int32_t columns = table.GetObject(dispid::kTableColumns).GetI4(dispid::kShapesCount);
      for (std::int32_t r = 1; r <= rows; ++r) {
        for (std::int32_t c = 1; c <= columns; ++c) {
          AutomationObject cell =
              table.Invoke(dispid::kTableCell, DispatchKind::kMethod, {Variant::I4(r), Variant::I4(c)}).Object();
          if (!cell.IsNull()) AddText(cell.GetObject(dispid::kCellShape), out);
        }
      }
      return;
    }
    AddText(shape, out);
  }

  SlideList& list_;
};

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

std::vector<std::string> SplitParagraphs(std::string_view text) {
  std::vector<std::string> paragraphs;
  std::string current;
  auto finish = [&] {
    std::size_t begin = 0, end = current.size();
    while (begin < end && IsBlank(static_cast<unsigned char>(current[begin]))) ++begin;
    while (end > begin && IsBlank(static_cast<unsigned char>(current[end - 1]))) --end;
    if (end > begin) paragraphs.push_back(current.substr(begin, end - begin));
    current.clear();
  };
  for (std::size_t k = 0; k < text.size(); ++k) {
    const auto c = static_cast<unsigned char>(text[k]);
    if (c == '\r' || c == '\n' || c == '\v' || c == '\f') {
      finish();
    } else if (text.substr(k, 3) == "\xE2\x80\xA8" || text.substr(k, 3) == "\xE2\x80\xA9") {
      finish();  // Unicode's line and paragraph separators
      k += 2;
    } else if (c < 0x20 || c == 0x7f) {
      current += ' ';
    } else {
      current += static_cast<char>(c);
    }
  }
  finish();
  return paragraphs;
}

bool ReadSlideTexts(const AutomationObject& slides, bool withNotes, SlideList& list, Progress& progress) {
  SlideReader reader(list);
  const std::int32_t count = slides.GetI4(dispid::kSlidesCount);
  list.texts.assign(static_cast<std::size_t>(count), SlideText{});
  for (std::int32_t j = 1; j <= count; ++j) {
    try {
      reader.Read(Item(slides, dispid::kSlidesItem, j), withNotes, list.texts[static_cast<std::size_t>(j - 1)]);
    } catch (const AutomationError& e) {
      Explain("The text of slide " + std::to_string(j) + " could not be read: " + e.description());
    }
    progress.PumpMessages(true);
    if (progress.cancelled()) return false;
  }
  return true;
}

}  // namespace orv
