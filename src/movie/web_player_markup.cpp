#include "movie/web_player_markup.h"

#include "base/language.h"

#include <cstdint>
#include <string_view>

namespace orv {
namespace {

// The emulator is loaded from a script rather than a <script src> line so that
// a page opened from a file never starts it: it would only show its own error.
// The movie's context-menu choice (its NoPrint setting) is left to the movie,
// as a real plug-in would: nothing here overrides it.
constexpr std::string_view kLines =
    R"(<style>.orvanta-notice{box-sizing:border-box;max-width:100%;padding:16px 20px;border:1px solid #b0b0b0;background:#f6f6f6;color:#222;font:15px/1.5 sans-serif}.orvanta-notice code{background:#fff;border:1px solid #ddd;padding:1px 4px;word-break:break-all}</style>
<script>
(function () {
  if (location.protocol !== "file:") {
    window.RufflePlayer = window.RufflePlayer || {};
    window.RufflePlayer.config = {"publicPath": "@BASE@", "autoplay": "on", "unmuteOverlay": "hidden", "splashScreen": false};
    var loader = document.createElement("script");
    loader.src = "@BASE@ruffle.js";
    document.head.appendChild(loader);
    return;
  }
  document.addEventListener("DOMContentLoaded", function () {
    if (navigator.plugins && navigator.plugins["Shockwave Flash"]) return;
    var movie = document.getElementsByTagName("object")[0];
    if (!movie) return;
    var page = decodeURIComponent(location.pathname);
    if (/[^A-Za-z0-9_.\/-]/.test(page)) page = "'" + page.replace(/'/g, "'\\''") + "'";
    function add(parent, tag, text) {
      var node = document.createElement(tag);
      if (text) node.appendChild(document.createTextNode(text));
      parent.appendChild(node);
      return node;
    }
    var notice = document.createElement("div");
    notice.className = "orvanta-notice";
    notice.style.width = (parseInt(movie.getAttribute("width"), 10) || 640) + "px";
    add(notice, "strong", @OPENED@);
    var serve = add(notice, "p", @SERVE@);
    add(add(serve, "div", ""), "code", @PROGRAM@ + page);
@TWIN@    movie.parentNode.replaceChild(notice, movie);
  });
})();
</script>
)";

// With HTML5 twins the notice also links the twin of the page's movie, which
// plays from a file.
constexpr std::string_view kTwinLines = R"(    var ref = movie.getElementsByTagName("param")[0];
    if (ref && /\.swf$/i.test(ref.getAttribute("value"))) {
      var twin = add(notice, "p", @OR_TWIN@);
      add(twin, "a", @PLAY_TWIN@).setAttribute("href", ref.getAttribute("value").replace(/\.swf$/i, "-html5.html"));
    }
)";

// The notice's words in the program's language. The original texts of the
// pages are English and Chinese alike; these are additions of our own.
struct NoticeTexts {
  const char* opened;
  const char* serve;
  const char* orTwin;
  const char* playTwin;
};

constexpr NoticeTexts kEnglishNotice{
    "This page was opened from a file, and browsers block the Flash player on such pages.",
    "To watch the movie, let Orvanta serve this folder and open the page in your browser:",
    "Or open the HTML5 version, which plays from a file too: ", "play the HTML5 version"};
constexpr NoticeTexts kChineseNotice{"此网页是直接从文件打开的，浏览器会在这样的网页上阻止 Flash 播放器。",
                                     "要观看影片，请让 Orvanta 提供这个文件夹，并在浏览器中打开网页：",
                                     "或者打开 HTML5 版本，它也可以直接从文件播放：", "播放 HTML5 版本"};

const NoticeTexts& Notice() { return CurrentLanguage() == UiLanguage::kChinese ? kChineseNotice : kEnglishNotice; }

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A JavaScript string literal in double quotes that holds `text` exactly,
// in ASCII, with nothing that could end the script element.
std::string ScriptString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  // UTF-8 in, UTF-16 escapes out; a broken sequence is kept byte by byte.
  for (std::size_t k = 0; k < text.size();) {
    const auto byte = static_cast<unsigned char>(text[k]);
    std::uint32_t code = byte;
    std::size_t length = 1;
    if (byte >= 0xC0 && byte < 0xF8) {
      length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
      code = byte & (0x3F >> (length - 1));
      for (std::size_t j = 1; j < length; ++j) {
        const auto next = k + j < text.size() ? static_cast<unsigned char>(text[k + j]) : 0;
        if ((next & 0xC0) != 0x80) {
          length = 1;
          code = byte;
          break;
        }
        code = (code << 6) | (next & 0x3F);
      }
    }
    k += length;
    const bool plain = code >= 0x20 && code < 0x7F && code != '"' && code != '\\' && code != '<' && code != '>' &&
                       code != '&' && code != '\'';
    if (plain) {
      out += static_cast<char>(code);
      continue;
    }
    const auto unit = [&out](std::uint32_t value) {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 15];
    };
    if (code >= 0x10000) {
      unit(0xD800 + ((code - 0x10000) >> 10));
      unit(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      unit(code);
    }
  }
  return out + "\"";
}

}  // namespace

bool IsPlainAddress(std::string_view address) {
  if (address.empty()) return false;
  for (const char c : address) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       std::string_view("-._~/:%").find(c) != std::string_view::npos;
    if (!plain) return false;
  }
  return true;
}

std::string SharedWebPlayerBase(const ConversionSettings& settings) {
  if (!IsPlainAddress(settings.WebPlayerUrl)) return {};
  std::string base = settings.WebPlayerUrl;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base != "/") base += '/';
  return base;
}

std::string TwinLinkText() {
  // Character references keep the page plain ASCII: it declares no charset.
  if (CurrentLanguage() != UiLanguage::kChinese) return "Text version and slides (HTML5)";
  return "&#25991;&#23383;&#29256;&#21644;&#24187;&#28783;&#29255;&#65288;HTML5&#65289;";  // 文字版和幻灯片（HTML5）
}

std::string WebPlayerHeadLines(std::string_view player, bool linksTwin, std::string_view previewProgram) {
  std::string lines(kLines);
  constexpr std::string_view kTwinMark = "@TWIN@";
  const std::size_t at = lines.find(kTwinMark);
  lines.replace(at, kTwinMark.size(), linksTwin ? kTwinLines : std::string_view());
  // The address goes into a script's string literal: only characters that
  // need no escaping there or in HTML are taken; anything else keeps the default.
  const std::string base = IsPlainAddress(player) ? std::string(player) : std::string(kWebPlayerFolder) + "/";
  // The program's path goes in as a string literal of its own: every byte
  // past ASCII and every character a script or HTML gives a meaning to is
  // escaped, so that the lines stay plain ASCII.
  const std::string program = previewProgram.empty() ? std::string("orvanta-cli") : std::string(previewProgram);
  const std::string literal = ScriptString(program + " preview ");
  constexpr std::string_view kProgramMark = "@PROGRAM@";
  lines.replace(lines.find(kProgramMark), kProgramMark.size(), literal);
  const NoticeTexts& notice = Notice();
  for (const auto& [mark, text] : {std::pair<std::string_view, const char*>{"@OPENED@", notice.opened},
                                   {"@SERVE@", notice.serve},
                                   {"@OR_TWIN@", notice.orTwin},
                                   {"@PLAY_TWIN@", notice.playTwin}}) {
    const std::size_t place = lines.find(mark);
    if (place != std::string::npos) lines.replace(place, mark.size(), ScriptString(text));
  }
  constexpr std::string_view kBaseMark = "@BASE@";
  for (std::size_t mark = lines.find(kBaseMark); mark != std::string::npos; mark = lines.find(kBaseMark, mark)) {
    lines.replace(mark, kBaseMark.size(), base);
    mark += base.size();
  }
  return WithCrLf(lines);
}

}  // namespace orv
