#include "movie/html5_twin.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/resources.h"
#include "movie/file_replace.h"
#include "movie/twin_labels.h"
#include "movie/twin_text.h"
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

// "Slide 3 of 12" in the labels' language.
std::string SlideOf(std::size_t k, std::size_t count, UiLanguage labels) {
  std::string text(TwinLabel("slide", labels));
  const std::size_t first = text.find("%1");
  if (first != std::string::npos) text.replace(first, 2, std::to_string(k));
  const std::size_t second = text.find("%2");
  if (second != std::string::npos) text.replace(second, 2, std::to_string(count));
  return text;
}

// The slides a page shows: all of the movie's but the notes slides, whose
// notes the page shows beside their slide instead.
struct Shown {
  std::vector<std::span<const std::uint8_t>> jpegs;
  std::vector<const SlideText*> texts;  // null for a slide without text
  std::vector<bool> kept;               // per slide of the movie
};

Shown ShownSlides(std::span<const std::span<const std::uint8_t>> jpegs, const TwinPage& page) {
  Shown shown;
  for (std::size_t k = 0; k < jpegs.size(); ++k) {
    const SlideText* text = k < page.slides.size() ? &page.slides[k] : nullptr;
    const bool kept = text == nullptr || text->kind != SlideText::Kind::kNotes;
    shown.kept.push_back(kept);
    if (!kept) continue;
    shown.jpegs.push_back(jpegs[k]);
    shown.texts.push_back(text);
  }
  return shown;
}

// The configuration without the slides the page does not show: each
// <slideProp> stands for one slide, in order.
std::string KeptSlideProps(std::string_view config, const std::vector<bool>& kept) {
  static constexpr std::string_view kOpen = "<slideProp", kClose = "</slideProp>";
  std::string out;
  std::size_t from = 0, slide = 0;
  for (std::size_t at; (at = config.find(kOpen, from)) != std::string_view::npos; ++slide) {
    const std::size_t close = config.find(kClose, at);
    const std::size_t end = close == std::string_view::npos ? config.size() : close + kClose.size();
    out.append(config.substr(from, at - from));
    if (slide >= kept.size() || kept[slide]) out.append(config.substr(at, end - at));
    from = end;
  }
  out.append(config.substr(std::min(from, config.size())));
  return out;
}

// The id of what describes slide k (from 0) to a screen reader: its text,
// or the page's own words for the help and end slides; "" without text.
std::string DescriptionId(const Shown& shown, std::size_t k) {
  const SlideText* slide = shown.texts[k];
  if (slide == nullptr) return {};
  if (slide->kind == SlideText::Kind::kHelp) return "say-help";
  if (slide->kind == SlideText::Kind::kEnd) return "say-end";
  return HasDescription(*slide) ? "d" + std::to_string(k + 1) : std::string();
}

constexpr std::string_view kJpegUri = "data:image/jpeg;base64,";

void AppendSlides(std::string& out, const Shown& shown, const TwinPage& page) {
  for (std::size_t k = 0; k < shown.jpegs.size(); ++k) {
    out += "<img class=\"slide\" alt=\"";
    out += SlideOf(k + 1, shown.jpegs.size(), page.labels);
    if (shown.texts[k] != nullptr && !shown.texts[k]->title.empty()) {
      out += ": ";
      out += EscapeHtml(BlankControls(shown.texts[k]->title));
    }
    out += '"';
    if (const std::string id = DescriptionId(shown, k); !id.empty()) out += " aria-describedby=\"" + id + '"';
    out += " src=\"";
    out += kJpegUri;
    out += Base64(shown.jpegs[k]);
    out += "\">\n";
  }
}

// Each slide's words, hidden: the pictures point at them; the text view,
// the list, the search and the notes panel read them.
void AppendTexts(std::string& out, const Shown& shown, std::string_view language, UiLanguage labels) {
  for (std::size_t k = 0; k < shown.texts.size(); ++k) {
    const SlideText* slide = shown.texts[k];
    if (slide != nullptr && slide->kind == SlideText::Kind::kSlide)
      AppendSlideText(out, k + 1, *slide, language, labels);
  }
}

bool AnyNotes(const Shown& shown) {
  for (const SlideText* slide : shown.texts) {
    if (slide != nullptr && slide->kind == SlideText::Kind::kSlide && HasNotes(*slide)) return true;
  }
  return false;
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

  const Shown shown = ShownSlides(jpegs, page);
  std::size_t imageBytes = 0;
  for (const auto& jpeg : shown.jpegs) imageBytes += kJpegUri.size() + (jpeg.size() + 2) / 3 * 4;
  std::size_t textBytes = 0;
  for (const auto& slide : page.slides) {
    textBytes += slide.title.size() * 2 + 64;
    for (const auto& block : slide.blocks) {
      textBytes += block.title.size() + block.description.size() + 32;
      for (const auto& paragraph : block.paragraphs) textBytes += paragraph.Plain().size() + 16;
      for (const auto& row : block.table.rows) {
        for (const auto& cell : row) {
          for (const auto& paragraph : cell) textBytes += paragraph.Plain().size() + 16;
        }
      }
    }
    for (const auto& paragraph : slide.notes) textBytes += paragraph.Plain().size() + 16;
  }
  std::string out;
  out.reserve(markup->size() + logic->size() + script->size() + style->size() + imageBytes + 128 * shown.jpegs.size() +
              textBytes + 1024);

  // The page speaks the deck's language; the labels keep their own where it differs.
  const std::string_view deckLanguage = LanguageTag(page.language);
  const std::string_view labelTag = TwinLabelTag(page.labels);
  const std::string_view language = deckLanguage.empty() ? labelTag : deckLanguage;
  const std::string labelLanguage =
      SameLanguage(language, labelTag) ? std::string() : " lang=\"" + std::string(labelTag) + '"';
  const bool notes = AnyNotes(shown);

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
      out += EscapeHtml(shown.jpegs.size() == jpegs.size() ? std::string(config) : KeptSlideProps(config, shown.kept));
    } else if (mark == "COUNT") {
      out += std::to_string(shown.jpegs.size());
    } else if (mark == "BYTES") {
      out += std::to_string(imageBytes);
    } else if (mark == "STYLE") {
      out.append(AsText(*style));
    } else if (mark == "LOGIC") {
      out.append(AsText(*logic));
    } else if (mark == "PAGE") {
      out.append(AsText(*script));
    } else if (mark == "SLIDES") {
      AppendSlides(out, shown, page);
    } else if (mark == "TEXTS") {
      AppendTexts(out, shown, language, page.labels);
    } else if (mark == "NOTES-AID") {
      if (notes) {
        out +=
            "<button type=\"button\" id=\"open-notes\" aria-controls=\"sheet\" aria-expanded=\"false\" "
            "aria-keyshortcuts=\"N\" title=\"";
        out += TwinLabel("notes-aid", page.labels);
        out += "\">";
        out += TwinLabel("notes", page.labels);
        out += "</button>";
      }
    } else if (mark == "LINKS") {
      AppendLinks(out, page, labelLanguage);
    } else if (mark == "LANG") {
      out += language;
    } else if (mark == "SCORM") {
      if (bridge) {
        out += "<script data-completion=\"" + std::to_string(page.scormCompletion) + "\">\n";
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
