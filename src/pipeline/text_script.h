// Which kind of script a character is written in, as LibreOffice tells its
// three character languages apart: Asian (CJK, kana, hangul, full-width
// forms), complex (right-to-left, Indic, Thai and their neighbours), Western
// for the other letters, and neutral for what belongs to no language (blanks,
// digits, punctuation, symbols, private-use bullets). Header only: the deck
// reader inside LibreOffice uses it as the engine does.
#pragma once

#include <cstddef>
#include <string_view>

namespace orv {

enum class TextScript { kNeutral, kWestern, kAsian, kComplex };

constexpr bool InRange(char32_t c, char32_t low, char32_t high) { return c >= low && c <= high; }

constexpr TextScript ScriptOf(char32_t c) {
  if (c < 0x80) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ? TextScript::kWestern : TextScript::kNeutral;
  }
  // Punctuation, symbols, digits and marks of every script.
  if (InRange(c, 0x80, 0xBF) || c == 0xD7 || c == 0xF7 || InRange(c, 0x2000, 0x2BFF) || InRange(c, 0x3000, 0x303F) ||
      InRange(c, 0xE000, 0xF8FF) || InRange(c, 0xFE10, 0xFE1F) || InRange(c, 0xFE50, 0xFE6F) ||
      InRange(c, 0xFF00, 0xFF20) || InRange(c, 0xFF3B, 0xFF40) || InRange(c, 0xFF5B, 0xFF65) ||
      InRange(c, 0xFFF0, 0xFFFF) || InRange(c, 0x1F000, 0x1FAFF) || c > 0x10FFFF) {
    return TextScript::kNeutral;
  }
  if (InRange(c, 0x1100, 0x11FF) || InRange(c, 0x2E80, 0xA4CF) || InRange(c, 0xAC00, 0xD7AF) ||
      InRange(c, 0xF900, 0xFAFF) || InRange(c, 0xFE30, 0xFE4F) || InRange(c, 0xFF00, 0xFFEF) ||
      InRange(c, 0x20000, 0x3FFFF)) {
    return TextScript::kAsian;
  }
  if (InRange(c, 0x0590, 0x08FF) || InRange(c, 0x0900, 0x0DFF) || InRange(c, 0x0E00, 0x0EFF) ||
      InRange(c, 0x1780, 0x17FF) || InRange(c, 0xFB1D, 0xFDFF) || InRange(c, 0xFE70, 0xFEFF)) {
    return TextScript::kComplex;
  }
  return TextScript::kWestern;
}

// The code point of UTF-8 `text` at `at`, moving `at` past it; a broken
// sequence reads as one U+FFFD per byte.
constexpr char32_t NextCodePoint(std::string_view text, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at++]);
  if (lead < 0x80) return lead;
  const int more = InRange(lead, 0xC2, 0xDF) ? 1 : InRange(lead, 0xE0, 0xEF) ? 2 : InRange(lead, 0xF0, 0xF4) ? 3 : -1;
  if (more < 0 || at + static_cast<std::size_t>(more) > text.size()) return 0xFFFD;
  char32_t c = lead & (0x3F >> more);
  for (int k = 0; k < more; ++k) {
    const auto next = static_cast<unsigned char>(text[at]);
    if ((next & 0xC0) != 0x80) return 0xFFFD;
    c = c << 6 | (next & 0x3F);
    ++at;
  }
  return c;
}

}  // namespace orv
