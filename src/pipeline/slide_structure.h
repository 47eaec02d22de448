// What a reader gets of a slide, decided from the server's raw outline:
// the reading order (position on the slide, top to bottom, then left to
// right, the title first), the title (the title placeholder's text, else the
// first line of the topmost text box), lists, tables, picture descriptions,
// the links worth following and the language of each paragraph.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "movie/slide_list.h"
#include "pipeline/deck_outline.h"

namespace orv {

// The most characters a title taken from a text box's first line keeps.
inline constexpr std::size_t kMaxDerivedTitle = 80;

// Letters counted per language tag, to name the language of most of them.
class LanguageTally {
 public:
  void Add(const std::string& tag, std::size_t letters);
  void Add(const LanguageTally& other);
  // The tag with the most letters (the first seen of equals); "" for none.
  std::string Top() const;

 private:
  std::vector<std::pair<std::string, std::size_t>> counts_;
};

// The letters of UTF-8 `text` (what is written in some script: not blanks,
// digits, punctuation or symbols).
std::size_t CountLetters(std::string_view text);

// Slide `slide` as a reader gets it; its notes only `withNotes`. `tally`
// gains the letters of its words (the notes' included) by language.
SlideText BuildSlideText(const OutlineSlide& slide, bool withNotes, LanguageTally& tally);

// A text cut into its lines: line breaks of either kind end one, blanks
// around each are dropped, empty ones skipped, and other control characters
// become spaces.
std::vector<std::string> SplitParagraphs(std::string_view text);

// Whether `link` is one to offer a reader: an http, https or mailto address
// without blanks or control characters.
bool IsReadableLink(std::string_view link);

}  // namespace orv
