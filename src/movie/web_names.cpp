#include "movie/web_names.h"

namespace orv {
namespace {

// Every byte for which `keep` is false becomes %XX (upper-case hex).
template <typename Keep>
std::string PercentEncode(std::string_view text, Keep keep) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (keep(byte)) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

// & < > " and ' as references (`apostrophe` is how the ' is written); a zero
// byte becomes U+FFFD.
std::string EscapeMarkup(std::string_view text, std::string_view apostrophe) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += apostrophe;
        break;
      case '\0':
        out += "\xef\xbf\xbd";
        break;  // U+FFFD: a zero byte has no place in a page
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

std::string EscapeHtml(std::string_view text) { return EscapeMarkup(text, "&#39;"); }

std::string EscapeXml(std::string_view text) { return EscapeMarkup(BlankControls(text), "&apos;"); }

std::string BlankControls(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  }
  return out;
}

std::string EncodeUrlSegment(std::string_view name) {
  // ":" too, so that a name such as "javascript:x" stays a file, not a scheme.
  // Bytes from 0x80 up too: the page declares no charset, so a browser may read
  // a raw UTF-8 name as windows-1252 and ask for another file.
  return PercentEncode(name, [](unsigned char byte) {
    return byte >= 0x20 && byte < 0x7f &&
           std::string_view(" %#?\\:\"<>&'").find(static_cast<char>(byte)) == std::string_view::npos;
  });
}

std::string EncodeUrlPath(std::string_view path) {
  return PercentEncode(path, [](unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           std::string_view("-._~/").find(static_cast<char>(byte)) != std::string_view::npos;
  });
}

std::string UrlAttribute(std::string_view name) { return EscapeHtml(EncodeUrlSegment(name)); }

}  // namespace orv
