#include "movie/web_player_markup.h"

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
    add(notice, "strong", "This page was opened from a file, and browsers block the Flash player on such pages.");
    var serve = add(notice, "p", "To watch the movie, let Orvanta serve this folder and open the page in your browser:");
    add(add(serve, "div", ""), "code", "orvanta-cli preview " + page);
@TWIN@    movie.parentNode.replaceChild(notice, movie);
  });
})();
</script>
)";

// With HTML5 twins the notice also links the twin of the page's movie, which
// plays from a file.
constexpr std::string_view kTwinLines = R"(    var ref = movie.getElementsByTagName("param")[0];
    if (ref && /\.swf$/i.test(ref.getAttribute("value"))) {
      var twin = add(notice, "p", "Or open the HTML5 version, which plays from a file too: ");
      add(twin, "a", "play the HTML5 version").setAttribute("href", ref.getAttribute("value").replace(/\.swf$/i, "-html5.html"));
    }
)";

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
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

std::string WebPlayerHeadLines(const ConversionSettings& settings) {
  std::string lines(kLines);
  constexpr std::string_view kTwinMark = "@TWIN@";
  const std::size_t at = lines.find(kTwinMark);
  lines.replace(at, kTwinMark.size(), settings.GenHTML5 != 0 ? kTwinLines : std::string_view());
  // The address goes into a script's string literal: only characters that
  // need no escaping there or in HTML are taken; anything else keeps the default.
  std::string base = SharedWebPlayerBase(settings);
  if (base.empty()) {
    base = IsPlainAddress(settings.WebPlayerBase) ? settings.WebPlayerBase : std::string(kWebPlayerFolder) + "/";
  }
  constexpr std::string_view kBaseMark = "@BASE@";
  for (std::size_t mark = lines.find(kBaseMark); mark != std::string::npos; mark = lines.find(kBaseMark, mark)) {
    lines.replace(mark, kBaseMark.size(), base);
    mark += base.size();
  }
  return WithCrLf(lines);
}

}  // namespace orv
