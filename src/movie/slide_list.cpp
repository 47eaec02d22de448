#include "movie/slide_list.h"

namespace orv {

std::string TextParagraph::Plain() const {
  std::string out;
  for (const auto& run : runs) out += run.text;
  return out;
}

SlideText SlideText::Plain(std::string title, const std::vector<std::string>& paragraphs) {
  SlideText text;
  text.title = std::move(title);
  if (paragraphs.empty()) return text;
  TextBlock& block = text.blocks.emplace_back();
  for (const auto& words : paragraphs) block.paragraphs.push_back({{{words, {}}}, TextParagraph::List::kNone, 0, {}});
  return text;
}

}  // namespace orv
