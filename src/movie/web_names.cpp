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
    const bool encode = byte < 0x20 || byte == 0x7f || c == ' ' || c == '%' || c == '#' || c == '?' ||
                        c == '\\' || c == '"' || c == '<' || c == '>' || c == '&' || c == '\'';
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
