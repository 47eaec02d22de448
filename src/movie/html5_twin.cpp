#include "movie/html5_twin.h"

#include <cerrno>
#include <cstring>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/resources.h"
#include "movie/file_replace.h"
#include "movie/twin_labels.h"
#include "movie/web_names.h"

namespace orv {
namespace {

// The twin's parts, compiled in from resources/fixed.
constexpr int kTemplateId = 220;  // HTML: the page with @MARKS@
constexpr int kLogicId = 221;     // JS: the slide state machine (also run by the unit tests)
constexpr int kPageId = 222;      // JS: the page: loader, panel, keys, pointer, fade
constexpr int kStyleId = 223;     // CSS
constexpr int kBridgeId = 224;    // JS: a lesson package's SCORM 1.2 bridge

std::string_view AsText(Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiAlnum(char c) { return IsAsciiAlpha(c) || (c >= '0' && c <= '9'); }

// `tag` when it has the shape of a BCP 47 tag ("zh-CN", "en"), else "": a
// malformed lang attribute is worse than the labels' own language.
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

// Whether two tags name one language ("zh-TW" and "zh-CN" do).
bool SameLanguage(std::string_view a, std::string_view b) {
  a = a.substr(0, a.find('-'));
  b = b.substr(0, b.find('-'));
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if ((a[k] | 0x20) != (b[k] | 0x20)) return false;
  }
  return true;
}

// "Slide 3 of 12" in the labels' language.
std::string SlideOf(std::size_t k, std::size_t count, UiLanguage labels) {
  std::string text(TwinLabel("slide", labels));
  const std::size_t first = text.find("%1");
  if (first != std::string::npos) text.replace(first, 2, std::to_string(k));
  const std::size_t second = text.find("%2");
  if (second != std::string::npos) text.replace(second, 2, std::to_string(count));
  return text;
}

// Deck text as page text: escaped, control characters (which no page may
// hold) as blanks.
void AppendText(std::string& out, std::string_view text) { out += EscapeHtml(BlankControls(text)); }

bool AnyText(const std::vector<std::string>& texts) {
  for (const auto& text : texts) {
    if (!text.empty()) return true;
  }
  return false;
}

bool HasText(const SlideText& slide) {
  return !slide.title.empty() || AnyText(slide.paragraphs) || AnyText(slide.notes);
}

// The id of what describes slide k to a screen reader: its text, or the
// page's own words for the help and end slides; "" for a slide without text.
std::string DescriptionId(const TwinPage& page, std::size_t k) {
  if (k >= page.slides.size()) return {};
  const SlideText& slide = page.slides[k];
  if (slide.kind == SlideText::Kind::kHelp) return "say-help";
  if (slide.kind == SlideText::Kind::kEnd) return "say-end";
  return HasText(slide) ? "d" + std::to_string(k + 1) : std::string();
}

void AppendSlides(std::string& out, std::span<const std::span<const std::uint8_t>> jpegs, const TwinPage& page) {
  for (std::size_t k = 0; k < jpegs.size(); ++k) {
    out += "<img class=\"slide\" alt=\"";
    out += SlideOf(k + 1, jpegs.size(), page.labels);
    if (k < page.slides.size() && !page.slides[k].title.empty()) {
      out += ": ";
      AppendText(out, page.slides[k].title);
    }
    out += '"';
    if (const std::string id = DescriptionId(page, k); !id.empty()) out += " aria-describedby=\"" + id + '"';
    out += " src=\"data:image/jpeg;base64,";
    out += Base64(jpegs[k]);
    out += "\">\n";
  }
}

void AppendParagraphs(std::string& out, const std::vector<std::string>& paragraphs) {
  for (const auto& paragraph : paragraphs) {
    if (paragraph.empty()) continue;
    out += "<p>";
    AppendText(out, paragraph);
    out += "</p>";
  }
}

// Each slide's whole text, hidden: the pictures point at it, the text view,
// the list and the search read it.
void AppendTexts(std::string& out, std::size_t count, const TwinPage& page) {
  for (std::size_t k = 0; k < count && k < page.slides.size(); ++k) {
    const SlideText& slide = page.slides[k];
    if (slide.kind != SlideText::Kind::kSlide || !HasText(slide)) continue;
    out += "<div id=\"d" + std::to_string(k + 1) + "\">";
    if (!slide.title.empty()) {
      out += "<h3>";
      AppendText(out, slide.title);
      out += "</h3>";
    }
    AppendParagraphs(out, slide.paragraphs);
    if (AnyText(slide.notes)) {
      out += "<div class=\"notes\">";
      AppendParagraphs(out, slide.notes);
      out += "</div>";
    }
    out += "</div>\n";
  }
}

void AppendLinks(std::string& out, const TwinPage& page, std::string_view labelLanguage) {
  if (page.previous.empty() && page.next.empty()) return;
  out += "<nav class=\"neighbours\" aria-label=\"";
  out += TwinLabel("neighbours", page.labels);
  out += '"';
  out += labelLanguage;
  out += '>';
  if (!page.previous.empty()) {
    out += "<a rel=\"prev\" href=\"" + UrlAttribute(page.previous) + "\">";
    out += TwinLabel("link-prev", page.labels);
    out += "</a> ";
  }
  if (!page.next.empty()) {
    out += "<a rel=\"next\" href=\"" + UrlAttribute(page.next) + "\">";
    out += TwinLabel("link-next", page.labels);
    out += "</a>";
  }
  out += "</nav>";
}

}  // namespace

std::string TwinName(std::string_view movieName) {
  std::string_view stem = movieName;
  if (stem.size() >= 4 && stem.substr(stem.size() - 4) == ".swf") stem.remove_suffix(4);
  return std::string(stem) + "-html5.html";
}

std::string Base64(std::span<const std::uint8_t> bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t k = 0;
  for (; k + 3 <= bytes.size(); k += 3) {
    const std::uint32_t v =
        static_cast<std::uint32_t>(bytes[k]) << 16 | static_cast<std::uint32_t>(bytes[k + 1]) << 8 | bytes[k + 2];
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (k < bytes.size()) {
    std::uint32_t v = static_cast<std::uint32_t>(bytes[k]) << 16;
    if (k + 1 < bytes.size()) v |= static_cast<std::uint32_t>(bytes[k + 1]) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += k + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::optional<std::string> BuildTwinPage(std::string_view config, std::span<const std::span<const std::uint8_t>> jpegs,
                                         const TwinPage& page) {
  const auto markup = LoadResource(kTemplateId, "HTML");
  if (!markup) return std::nullopt;
  const auto logic = LoadResource(kLogicId, "JS");
  if (!logic) return std::nullopt;
  const auto script = LoadResource(kPageId, "JS");
  if (!script) return std::nullopt;
  const auto style = LoadResource(kStyleId, "CSS");
  if (!style) return std::nullopt;
  std::optional<Bytes> bridge;
  if (page.scormBridge) {
    bridge = LoadResource(kBridgeId, "JS");
    if (!bridge) return std::nullopt;
  }

  std::size_t imageBytes = 0;
  for (const auto& jpeg : jpegs) imageBytes += (jpeg.size() + 2) / 3 * 4 + 128;
  std::size_t textBytes = 0;
  for (const auto& slide : page.slides) {
    textBytes += slide.title.size() * 2 + 64;
    for (const auto& text : slide.paragraphs) textBytes += text.size() + 8;
    for (const auto& text : slide.notes) textBytes += text.size() + 8;
  }
  std::string out;
  out.reserve(markup->size() + logic->size() + script->size() + style->size() + imageBytes + textBytes + 1024);

  // The page speaks the deck's language; the labels keep their own where it differs.
  const std::string_view deckLanguage = LanguageTag(page.language);
  const std::string_view labelTag = TwinLabelTag(page.labels);
  const std::string_view language = deckLanguage.empty() ? labelTag : deckLanguage;
  const std::string labelLanguage =
      SameLanguage(language, labelTag) ? std::string() : " lang=\"" + std::string(labelTag) + '"';

  // One pass over the template: inserted text is never searched for marks.
  const std::string_view text = AsText(*markup);
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('@', at);
    const std::size_t close = open == std::string_view::npos ? open : text.find('@', open + 1);
    if (close == std::string_view::npos) {
      out.append(text.substr(at));
      break;
    }
    out.append(text.substr(at, open - at));
    const std::string_view mark = text.substr(open + 1, close - open - 1);
    if (mark == "TITLE") {
      out += EscapeHtml(page.title);
    } else if (mark == "CONFIG") {
      out += EscapeHtml(config);
    } else if (mark == "STYLE") {
      out.append(AsText(*style));
    } else if (mark == "LOGIC") {
      out.append(AsText(*logic));
    } else if (mark == "PAGE") {
      out.append(AsText(*script));
    } else if (mark == "SLIDES") {
      AppendSlides(out, jpegs, page);
    } else if (mark == "TEXTS") {
      AppendTexts(out, jpegs.size(), page);
    } else if (mark == "LINKS") {
      AppendLinks(out, page, labelLanguage);
    } else if (mark == "LANG") {
      out += language;
    } else if (mark == "SCORM") {
      if (bridge) {
        out += "<script>\n";
        out.append(AsText(*bridge));
        out += "</script>\n";
      }
    } else if (mark == "UI") {
      out += labelLanguage;
    } else if (const std::string_view label = mark.starts_with("L:") ? TwinLabel(mark.substr(2), page.labels) : "";
               !label.empty()) {
      out += label;
    } else {
      // Not a mark: keep the first "@" and look again from the second.
      out += '@';
      at = open + 1;
      continue;
    }
    at = close + 1;
  }
  return out;
}

bool WriteTwinPage(std::string_view config, std::span<const std::span<const std::uint8_t>> jpegs, const TwinPage& page,
                   WriteLedger* ledger) {
  const auto text = BuildTwinPage(config, jpegs, page);
  if (!text) {
    if (ledger != nullptr) ledger->Failed(page.path, 0);
    return false;
  }
  if (!ReplaceFileContents(page.path, *text)) {
    const int error = errno;
    Notify(FormatMessage(msg::kHtmlWriteFailed, page.path));
    Explain(page.path + ": " + std::strerror(error));
    if (ledger != nullptr) ledger->Failed(page.path, error);
    return false;
  }
  if (ledger != nullptr) ledger->Written(page.path);
  return true;
}

}  // namespace orv
