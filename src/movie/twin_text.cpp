#include "movie/twin_text.h"

#include <algorithm>
#include <vector>

#include "movie/twin_labels.h"
#include "movie/web_names.h"

namespace orv {
namespace {

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiAlnum(char c) { return IsAsciiAlpha(c) || (c >= '0' && c <= '9'); }

using List = TextParagraph::List;

bool HasWords(const TextParagraph& paragraph) {
  for (const auto& run : paragraph.runs) {
    if (!run.text.empty()) return true;
  }
  return false;
}

bool AnyWords(const std::vector<TextParagraph>& paragraphs) {
  for (const auto& paragraph : paragraphs) {
    if (HasWords(paragraph)) return true;
  }
  return false;
}

class TextWriter {
 public:
  TextWriter(std::string& out, std::string_view language, UiLanguage labels)
      : out_(out), language_(language), labels_(labels) {}

  // ` lang="…"` when `tag` names another language than the page's.
  std::string Lang(std::string_view tag) const {
    tag = LanguageTag(tag);
    if (tag.empty() || SameLanguage(tag, language_)) return {};
    return " lang=\"" + std::string(tag) + '"';
  }

  // Words as page text: escaped, line breaks kept, other control characters
  // (which no page may hold) as blanks.
  void Words(std::string_view text) {
    std::size_t from = 0;
    for (std::size_t to; (to = text.find('\n', from)) != std::string_view::npos; from = to + 1) {
      out_ += EscapeHtml(BlankControls(text.substr(from, to - from)));
      out_ += "<br>";
    }
    out_ += EscapeHtml(BlankControls(text.substr(from)));
  }

  void Runs(const TextParagraph& paragraph) {
    for (const auto& run : paragraph.runs) {
      if (run.link.empty()) {
        Words(run.text);
        continue;
      }
      // A new tab: the lesson stays where it was.
      out_ += "<a href=\"" + EscapeHtml(run.link) + "\" target=\"_blank\" rel=\"noopener noreferrer\">";
      Words(run.text);
      out_ += "</a>";
    }
  }

  void Heading(const SlideText& slide) {
    if (slide.title.empty()) return;
    out_ += "<h3" + Lang(slide.titleLanguage) + '>';
    Words(slide.title);
    out_ += "</h3>";
  }

  // Paragraphs, list items nested into lists as their levels say. A level
  // that skips one is read as the next one down.
  void Paragraphs(const std::vector<TextParagraph>& paragraphs) {
    std::vector<List> open;
    auto closeOne = [&] {
      out_ += open.back() == List::kNumber ? "</li></ol>" : "</li></ul>";
      open.pop_back();
    };
    auto openOne = [&](List kind) {
      out_ += kind == List::kNumber ? "<ol>" : "<ul>";
      open.push_back(kind);
    };
    for (const auto& paragraph : paragraphs) {
      if (!HasWords(paragraph)) continue;
      if (paragraph.list == List::kNone) {
        while (!open.empty()) closeOne();
        out_ += "<p" + Lang(paragraph.language) + '>';
        Runs(paragraph);
        out_ += "</p>";
        continue;
      }
      const std::size_t depth =
          std::min(static_cast<std::size_t>(paragraph.level < 0 ? 0 : paragraph.level), open.size()) + 1;
      while (open.size() > depth) closeOne();
      if (open.size() == depth && open.back() != paragraph.list) closeOne();
      if (open.size() == depth) {
        out_ += "</li>";
      } else {
        openOne(paragraph.list);
      }
      out_ += "<li" + Lang(paragraph.language) + '>';
      Runs(paragraph);
    }
    while (!open.empty()) closeOne();
  }

  void Cell(const std::vector<TextParagraph>& paragraphs, bool header) {
    out_ += header ? "<th scope=\"col\"" : "<td";
    if (paragraphs.size() == 1) out_ += Lang(paragraphs.front().language);
    out_ += '>';
    for (std::size_t k = 0; k < paragraphs.size(); ++k) {
      if (k > 0) out_ += "<br>";
      const std::string lang = paragraphs.size() > 1 ? Lang(paragraphs[k].language) : std::string();
      if (!lang.empty()) out_ += "<span" + lang + '>';
      Runs(paragraphs[k]);
      if (!lang.empty()) out_ += "</span>";
    }
    out_ += header ? "</th>" : "</td>";
  }

  void Table(const TextTable& table) {
    out_ += "<table>";
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
      const bool header = table.headerRow && r == 0;
      out_ += header ? "<thead><tr>" : "<tr>";
      for (const auto& cell : table.rows[r]) Cell(cell, header);
      out_ += header ? "</tr></thead>" : "</tr>";
    }
    out_ += "</table>";
  }

  // "Picture: Its title. What it shows."
  void Picture(const TextBlock& block) {
    out_ += "<p class=\"picture\"><span class=\"what\"" + Lang(TwinLabelTag(labels_)) + '>';
    out_ += TwinLabel("picture", labels_);
    out_ += "</span> ";
    Words(block.title);
    if (!block.title.empty() && !block.description.empty()) {
      const char last = block.title.back();
      out_ += last == '.' || last == ':' || last == '!' || last == '?' ? " " : ". ";
    }
    Words(block.description);
    out_ += "</p>";
  }

  void Blocks(const std::vector<TextBlock>& blocks) {
    for (const auto& block : blocks) {
      if (block.kind == TextBlock::Kind::kText) Paragraphs(block.paragraphs);
      if (block.kind == TextBlock::Kind::kTable) Table(block.table);
      if (block.kind == TextBlock::Kind::kPicture) Picture(block);
    }
  }

 private:
  std::string& out_;
  std::string_view language_;
  UiLanguage labels_;
};

}  // namespace

std::string_view LanguageTag(std::string_view tag) {
  std::size_t at = 0;
  while (at < tag.size() && IsAsciiAlpha(tag[at])) ++at;
  if (at < 2 || at > 8) return {};
  while (at < tag.size()) {
    if (tag[at++] != '-') return {};
    const std::size_t begin = at;
    while (at < tag.size() && IsAsciiAlnum(tag[at])) ++at;
    if (at == begin || at - begin > 8) return {};
  }
  return tag;
}

bool SameLanguage(std::string_view a, std::string_view b) {
  a = a.substr(0, a.find('-'));
  b = b.substr(0, b.find('-'));
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if ((a[k] | 0x20) != (b[k] | 0x20)) return false;
  }
  return true;
}

bool HasDescription(const SlideText& slide) {
  if (!slide.title.empty()) return true;
  for (const auto& block : slide.blocks) {
    if (block.kind != TextBlock::Kind::kText || AnyWords(block.paragraphs)) return true;
  }
  return false;
}

bool HasNotes(const SlideText& slide) { return AnyWords(slide.notes); }

void AppendSlideText(std::string& out, std::size_t number, const SlideText& slide, std::string_view language,
                     UiLanguage labels) {
  TextWriter writer(out, language, labels);
  if (HasDescription(slide)) {
    out += "<div id=\"d" + std::to_string(number) + "\">";
    writer.Heading(slide);
    writer.Blocks(slide.blocks);
    out += "</div>\n";
  }
  if (HasNotes(slide)) {
    out += "<div id=\"n" + std::to_string(number) + "\" class=\"notes\">";
    writer.Paragraphs(slide.notes);
    out += "</div>\n";
  }
}

}  // namespace orv
