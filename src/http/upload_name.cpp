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

}  // namespace

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
