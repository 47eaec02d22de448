#include "movie/web_names.h"

namespace orv {

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      case '\0': out += "\xef\xbf\xbd"; break;  // U+FFFD: a zero byte has no place in a page
      default: out += c;
    }
  }
  return out;
}

std::string EncodeUrlSegment(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    // ":" too, so that a name such as "javascript:x" stays a file, not a scheme.
    const bool encode = byte < 0x20 || byte == 0x7f || c == ' ' || c == '%' || c == '#' || c == '?' ||
                        c == '\\' || c == ':' || c == '"' || c == '<' || c == '>' || c == '&' || c == '\'';
    if (encode) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::string UrlAttribute(std::string_view name) { return EscapeHtml(EncodeUrlSegment(name)); }

}  // namespace orv
