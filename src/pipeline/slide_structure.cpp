#include "pipeline/slide_structure.h"

#include <algorithm>

#include "pipeline/text_script.h"

namespace orv {
namespace {

using Kind = OutlineShape::Kind;

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }

bool IsLineBreak(std::string_view text, std::size_t at, std::size_t& length) {
  const auto c = static_cast<unsigned char>(text[at]);
  length = 1;
  if (c == '\r' || c == '\n' || c == '\v' || c == '\f') return true;
  length = 3;  // Unicode's line and paragraph separators
  return text.substr(at, 3) == "\xE2\x80\xA8" || text.substr(at, 3) == "\xE2\x80\xA9";
}

// A run's words as the page may hold them: line breaks as "\n", other
// control characters as blanks, and no private-use characters (the glyphs
// of symbol fonts, which no reader's font shows and no screen reader says).
std::string CleanRun(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t k = 0; k < text.size();) {
    std::size_t length = 1;
    const auto c = static_cast<unsigned char>(text[k]);
    if (IsLineBreak(text, k, length)) {
      out += '\n';
      k += length;
      continue;
    }
    const std::size_t begin = k;
    const char32_t point = NextCodePoint(text, k);
    if (InRange(point, 0xE000, 0xF8FF)) continue;
    if (c < 0x20 || c == 0x7f) {
      out += ' ';
    } else {
      out.append(text.substr(begin, k - begin));
    }
  }
  return out;
}

// Blanks and line breaks at the paragraph's two ends go.
void TrimRuns(std::vector<TextRun>& runs) {
  auto edge = [](char c) { return IsBlank(static_cast<unsigned char>(c)) || c == '\n'; };
  while (!runs.empty()) {
    std::string& text = runs.front().text;
    text.erase(0, std::find_if_not(text.begin(), text.end(), edge) - text.begin());
    if (!text.empty()) break;
    runs.erase(runs.begin());
  }
  while (!runs.empty()) {
    std::string& text = runs.back().text;
    text.erase(std::find_if_not(text.rbegin(), text.rend(), edge).base(), text.end());
    if (!text.empty()) break;
    runs.pop_back();
  }
}

class SlideBuilder {
 public:
  SlideBuilder(bool withNotes, LanguageTally& tally) : withNotes_(withNotes), tally_(tally) {}

  SlideText Build(const OutlineSlide& slide) {
    const std::vector<const OutlineShape*> order = ReadingOrder(slide.shapes);
    const OutlineShape* title = nullptr;
    for (const OutlineShape* shape : order) {
      if (shape->kind == Kind::kTitle && !AsParagraphs(shape->paragraphs, nullptr).empty()) {
        title = shape;
        break;
      }
    }
    if (title != nullptr) {
      LanguageTally words;
      const auto paragraphs = AsParagraphs(title->paragraphs, &words);
      for (const auto& paragraph : paragraphs) {
        for (const auto& line : SplitParagraphs(paragraph.Plain()))
          text_.title += (text_.title.empty() ? "" : " ") + line;
      }
      text_.titleLanguage = words.Top();
      tally_.Add(words);
    }
    std::size_t topmostText = std::string::npos;
    for (const OutlineShape* shape : order) {
      if (shape == title) continue;
      const std::size_t before = text_.blocks.size();
      AddShape(*shape, 0);
      if (topmostText == std::string::npos && text_.blocks.size() > before &&
          text_.blocks[before].kind == TextBlock::Kind::kText && IsTextBox(shape->kind)) {
        topmostText = before;
      }
    }
    if (title == nullptr && topmostText != std::string::npos) TitleFromTextBox(topmostText);
    if (withNotes_) {
      for (const OutlineShape& shape : slide.notes) {
        if (shape.kind != Kind::kNotes && shape.kind != Kind::kBody) continue;
        for (auto& paragraph : AsParagraphs(shape.paragraphs, &tally_)) text_.notes.push_back(std::move(paragraph));
      }
    }
    return std::move(text_);
  }

 private:
  static bool IsTextBox(Kind kind) {
    return kind == Kind::kText || kind == Kind::kBody || kind == Kind::kSubtitle || kind == Kind::kOther;
  }

  // Top to bottom, then left to right; the server's order among equals.
  static std::vector<const OutlineShape*> ReadingOrder(const std::vector<OutlineShape>& shapes) {
    std::vector<const OutlineShape*> order;
    for (const auto& shape : shapes) order.push_back(&shape);
    std::stable_sort(order.begin(), order.end(), [](const OutlineShape* a, const OutlineShape* b) {
      return a->y != b->y ? a->y < b->y : a->x < b->x;
    });
    return order;
  }

  // The paragraphs that hold words, cleaned, their links checked, each with
  // the language of most of its letters. `tally` (if any) gains the letters.
  static std::vector<TextParagraph> AsParagraphs(const std::vector<OutlineParagraph>& paragraphs,
                                                 LanguageTally* tally) {
    std::vector<TextParagraph> out;
    for (const auto& source : paragraphs) {
      TextParagraph paragraph;
      paragraph.list = source.list;
      paragraph.level = paragraph.list == TextParagraph::List::kNone ? 0 : source.level;
      LanguageTally letters;
      for (const auto& run : source.runs) {
        std::string text = CleanRun(run.text);
        if (text.empty()) continue;
        letters.Add(run.language, CountLetters(text));
        const std::string link = IsReadableLink(run.link) ? run.link : std::string();
        if (!paragraph.runs.empty() && paragraph.runs.back().link == link) {
          paragraph.runs.back().text += text;
        } else {
          paragraph.runs.push_back({std::move(text), link});
        }
      }
      TrimRuns(paragraph.runs);
      if (paragraph.runs.empty()) continue;
      paragraph.language = letters.Top();
      if (tally != nullptr) tally->Add(letters);
      out.push_back(std::move(paragraph));
    }
    return out;
  }

  void AddDescription(const OutlineShape& shape) {
    std::string title = SplitParagraphsJoined(shape.title), description = SplitParagraphsJoined(shape.description);
    if (title.empty() && description.empty()) return;
    TextBlock& block = text_.blocks.emplace_back();
    block.kind = TextBlock::Kind::kPicture;
    block.title = std::move(title);
    block.description = std::move(description);
  }

  static std::string SplitParagraphsJoined(std::string_view text) {
    std::string out;
    for (const auto& line : SplitParagraphs(text)) out += (out.empty() ? "" : " ") + line;
    return out;
  }

  void AddShape(const OutlineShape& shape, int depth) {
    switch (shape.kind) {
      case Kind::kFooter:
        return;  // slide numbers, dates and footers: the same on every slide
      case Kind::kGroup:
        AddDescription(shape);
        if (depth >= kMaxOutlineDepth) return;
        for (const OutlineShape* item : ReadingOrder(shape.items)) AddShape(*item, depth + 1);
        return;
      case Kind::kPicture:
      case Kind::kChart:
      case Kind::kObject:
        AddDescription(shape);
        return;
      case Kind::kTable:
        AddTable(shape);
        return;
      default:
        break;
    }
    auto paragraphs = AsParagraphs(shape.paragraphs, &tally_);
    if (paragraphs.empty()) return;
    TextBlock& block = text_.blocks.emplace_back();
    block.paragraphs = std::move(paragraphs);
  }

  void AddTable(const OutlineShape& shape) {
    TextTable table;
    table.headerRow = shape.headerRow;
    bool any = false;
    for (const auto& row : shape.rows) {
      auto& cells = table.rows.emplace_back();
      for (const auto& cell : row) {
        cells.push_back(AsParagraphs(cell, &tally_));
        any = any || !cells.back().empty();
      }
    }
    if (!any) return;
    TextBlock& block = text_.blocks.emplace_back();
    block.kind = TextBlock::Kind::kTable;
    block.table = std::move(table);
  }

  // The first line of the topmost text box names the slide; taken whole, it
  // is not read twice.
  void TitleFromTextBox(std::size_t index) {
    auto& paragraphs = text_.blocks[index].paragraphs;
    const std::vector<std::string> lines = SplitParagraphs(paragraphs.front().Plain());
    if (lines.empty()) return;
    text_.title = CutTitle(lines.front());
    text_.titleLanguage = paragraphs.front().language;
    if (text_.title != lines.front() || lines.size() > 1) return;
    paragraphs.erase(paragraphs.begin());
    if (paragraphs.empty()) text_.blocks.erase(text_.blocks.begin() + static_cast<std::ptrdiff_t>(index));
  }

  // At most kMaxDerivedTitle characters: a longer line ends at its last
  // blank that leaves room for "…", or mid-word when it has none.
  static std::string CutTitle(const std::string& line) {
    std::vector<std::size_t> starts;  // where each character begins
    for (std::size_t at = 0; at < line.size();) {
      starts.push_back(at);
      NextCodePoint(line, at);
    }
    if (starts.size() <= kMaxDerivedTitle) return line;
    std::size_t end = starts[kMaxDerivedTitle - 1];
    const std::size_t blank = line.rfind(' ', end);
    if (blank != std::string::npos && blank > 0) end = blank;
    while (end > 0 && line[end - 1] == ' ') --end;
    return line.substr(0, end) + "\xE2\x80\xA6";
  }

  bool withNotes_;
  LanguageTally& tally_;
  SlideText text_;
};

}  // namespace

void LanguageTally::Add(const std::string& tag, std::size_t letters) {
  if (letters == 0) return;
  for (auto& [known, count] : counts_) {
    if (known == tag) {
      count += letters;
      return;
    }
  }
  counts_.emplace_back(tag, letters);
}

void LanguageTally::Add(const LanguageTally& other) {
  for (const auto& [tag, count] : other.counts_) Add(tag, count);
}

std::string LanguageTally::Top() const {
  const std::pair<std::string, std::size_t>* top = nullptr;
  for (const auto& entry : counts_) {
    if (!entry.first.empty() && (top == nullptr || entry.second > top->second)) top = &entry;
  }
  return top != nullptr ? top->first : std::string();
}

std::size_t CountLetters(std::string_view text) {
  std::size_t letters = 0;
  for (std::size_t at = 0; at < text.size();) letters += ScriptOf(NextCodePoint(text, at)) != TextScript::kNeutral;
  return letters;
}

bool IsReadableLink(std::string_view link) {
  std::string scheme;
  for (char c : link.substr(0, link.find(':'))) scheme += static_cast<char>(c | 0x20);
  if (link.find(':') == std::string_view::npos || (scheme != "http" && scheme != "https" && scheme != "mailto")) {
    return false;
  }
  for (char c : link) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) return false;
  }
  return link.size() > scheme.size() + 1;
}

SlideText BuildSlideText(const OutlineSlide& slide, bool withNotes, LanguageTally& tally) {
  return SlideBuilder(withNotes, tally).Build(slide);
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
    std::size_t length = 1;
    const auto c = static_cast<unsigned char>(text[k]);
    if (IsLineBreak(text, k, length)) {
      finish();
      k += length - 1;
    } else if (c < 0x20 || c == 0x7f) {
      current += ' ';
    } else {
      current += static_cast<char>(c);
    }
  }
  finish();
  return paragraphs;
}

}  // namespace orv
