#include "http/upload_name.h"

#include <array>

namespace orv::http {
namespace {

constexpr std::size_t kMostStemBytes = 200;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

// Cuts at most `bytes` bytes without splitting a UTF-8 sequence.
std::string_view CutUtf8(std::string_view text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// The length of the well-formed UTF-8 sequence at the start of `text`, 0
// when there is none.
std::size_t SequenceLength(std::string_view text) {
  const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string RepairUtf8(std::string_view text) {
  std::string repaired;
  repaired.reserve(text.size());
  while (!text.empty()) {
    const std::size_t length = SequenceLength(text);
    if (length == 0) {
      repaired += "\xEF\xBF\xBD";
      text.remove_prefix(1);
    } else {
      repaired.append(text.substr(0, length));
      text.remove_prefix(length);
    }
  }
  return repaired;
}

std::optional<std::string> UploadFileName(std::string_view clientName, std::string& error) {
  const std::size_t slash = clientName.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? clientName : clientName.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  static constexpr std::array<std::string_view, 5> kExtensions = {".ppt", ".pps", ".pptx", ".ppsx", ".odp"};
  const std::string extension = dot == std::string_view::npos ? std::string() : Lower(name.substr(dot));
  bool known = false;
  for (const auto candidate : kExtensions) known = known || extension == candidate;
  if (!known) {
    error = "the file must be a presentation (.ppt, .pps, .pptx, .ppsx or .odp)";
    return std::nullopt;
  }
  std::string stem;
  for (const char c : CutUtf8(name.substr(0, dot), kMostStemBytes)) {
    const auto byte = static_cast<unsigned char>(c);
    stem += (byte < 0x20 || byte == 0x7f) ? '_' : c;
  }
  for (std::size_t at = stem.find(".."); at != std::string::npos; at = stem.find("..")) stem.replace(at, 2, "_");
  if (!stem.empty() && stem.back() == '.') stem.back() = '_';  // it would meet the extension's dot
  if (stem.empty()) stem = "presentation";
  return stem + std::string(name.substr(dot));
}

}  // namespace orv::http
