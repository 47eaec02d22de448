// How much Chinese a UTF-8 text holds, for the checks that an English text
// has none left and a Chinese one is Chinese.
#pragma once

#include <cstddef>
#include <string_view>

namespace orv::test {

// The characters from U+2E80 to U+FFFF: CJK, with its fullwidth punctuation.
inline std::size_t ChineseCharacters(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i + 2 < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const auto next = static_cast<unsigned char>(text[i + 1]);
    if ((lead == 0xE2 && next >= 0xBA) || (lead >= 0xE3 && lead <= 0xEF)) {
      ++count;
      i += 2;
    }
  }
  return count;
}

}  // namespace orv::test
