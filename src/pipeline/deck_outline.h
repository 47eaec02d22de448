// A deck's text and structure as the presentation server tells it in one
// reply (Presentation.Outline): per slide its shapes in the server's order
// with their place, kind, paragraphs, table cells, group items and the
// titles and descriptions their author gave them, and the shapes of its
// notes page. Raw facts only: reading order, titles and languages are
// decided from them by slide_structure.
//
// The reply is JSON:
//   {"slides": [{"shapes": [SHAPE...], "notes": [SHAPE...]}...]}
//   SHAPE: {"kind": KIND, "x": 1/100 mm, "y": 1/100 mm, "title": "", "description": "",
//           "paragraphs": [PARAGRAPH...], "items": [SHAPE...], "rows": [[[PARAGRAPH...]...]...], "header": bool}
//   PARAGRAPH: {"runs": [{"text": "", "link": "", "lang": "ko-KR"}...], "list": "bullet"|"number", "level": 0}
//   KIND: title, subtitle, body, notes, text, picture, chart, object, group, table, footer, other
// Every member but "kind" may be missing; unknown members are ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "movie/slide_list.h"

namespace orv {

// Groups inside groups: deeper than any deck a person makes.
inline constexpr int kMaxOutlineDepth = 16;

struct OutlineRun {
  std::string text;
  std::string link;      // as the deck has it; any scheme
  std::string language;  // BCP 47 tag of the run's letters; may be empty
};

struct OutlineParagraph {
  std::vector<OutlineRun> runs;
  TextParagraph::List list = TextParagraph::List::kNone;
  int level = 0;
};

struct OutlineShape {
  enum class Kind {
    kTitle,
    kSubtitle,
    kBody,
    kNotes,
    kText,
    kPicture,
    kChart,
    kObject,
    kGroup,
    kTable,
    kFooter,
    kOther
  };
  Kind kind = Kind::kOther;
  std::int64_t x = 0, y = 0;  // the top left corner, 1/100 mm
  std::string title, description;
  std::vector<OutlineParagraph> paragraphs;
  std::vector<OutlineShape> items;                               // kGroup
  std::vector<std::vector<std::vector<OutlineParagraph>>> rows;  // kTable: rows of cells
  bool headerRow = false;                                        // kTable
};

struct OutlineSlide {
  std::vector<OutlineShape> shapes;
  std::vector<OutlineShape> notes;  // the notes page's
};

struct DeckOutline {
  std::vector<OutlineSlide> slides;
};

// The reply read; nothing, with `error` set, when it is not JSON of the
// shape above or nests groups deeper than kMaxOutlineDepth.
std::optional<DeckOutline> ParseDeckOutline(std::string_view reply, std::string& error);

// The reply for `outline` (what a server answers).
std::string WriteDeckOutline(const DeckOutline& outline);

// The names of the kinds in the reply.
std::string_view OutlineKindName(OutlineShape::Kind kind);

}  // namespace orv
