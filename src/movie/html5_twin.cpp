#include "movie/html5_twin.h"

#include <cerrno>
#include <cstring>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/resources.h"
#include "movie/file_replace.h"
#include "movie/web_names.h"

namespace orv {
namespace {

// The twin's parts, compiled in from resources/fixed.
constexpr int kTemplateId = 220;  // HTML: the page with @MARKS@
constexpr int kLogicId = 221;     // JS: the slide state machine (also run by the unit tests)
constexpr int kPageId = 222;      // JS: the page: loader, panel, keys, pointer, fade
constexpr int kStyleId = 223;     // CSS

std::string_view AsText(Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

void AppendSlides(std::string& out, std::span<const std::span<const std::uint8_t>> jpegs, const TwinPage& page) {
  const std::string count = std::to_string(jpegs.size());
  for (std::size_t k = 0; k < jpegs.size(); ++k) {
    out += "<img class=\"slide\" alt=\"Slide ";
    out += std::to_string(k + 1);
    out += " of ";
    out += count;
    if (k < page.slides.size() && !page.slides[k].title.empty()) {
      out += ": ";
      out += EscapeHtml(page.slides[k].title);
    }
    out += "\" src=\"data:image/jpeg;base64,";
    out += Base64(jpegs[k]);
    out += "\">\n";
  }
}

void AppendLinks(std::string& out, const TwinPage& page) {
  if (page.previous.empty() && page.next.empty()) return;
  out += "<nav class=\"neighbours\" aria-label=\"Other slides\">";
  if (!page.previous.empty()) {
    out += "<a rel=\"prev\" href=\"" + UrlAttribute(page.previous) + "\">Prev</a> ";
  }
  if (!page.next.empty()) {
    out += "<a rel=\"next\" href=\"" + UrlAttribute(page.next) + "\">Next</a>";
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

  std::size_t imageBytes = 0;
  for (const auto& jpeg : jpegs) imageBytes += (jpeg.size() + 2) / 3 * 4 + 128;
  std::string out;
  out.reserve(markup->size() + logic->size() + script->size() + style->size() + imageBytes + 1024);

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
    } else if (mark == "LINKS") {
      AppendLinks(out, page);
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

bool WriteTwinPage(std::string_view config, std::span<const std::span<const std::uint8_t>> jpegs,
                   const TwinPage& page) {
  const auto text = BuildTwinPage(config, jpegs, page);
  if (!text) return false;
  if (!ReplaceFileContents(page.path, *text)) {
    const int error = errno;
    Notify(FormatMessage(msg::kHtmlWriteFailed, page.path));
    Explain(page.path + ": " + std::strerror(error));
    return false;
  }
  return true;
}

}  // namespace orv
