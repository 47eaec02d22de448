// What one presentation contributes to its movies: timings, title names and
// the slide pictures in playing order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// What a reader of the slide can have as text: the deck's own words, read
// while the deck is open. Pictures of a folder have none.
struct SlideText {
  enum class Kind { kSlide, kHelp, kEnd };
  Kind kind = Kind::kSlide;
  std::string title;                    // the title placeholder's text, one line; may be empty
  std::vector<std::string> paragraphs;  // every other text of the slide, in reading order
  std::vector<std::string> notes;       // the speaker notes' paragraphs (only when they are converted)
};

struct SlideList {
  std::int32_t useTitles = 0;         // collect titles and use them as file names
  std::int32_t useSlideTimings = 0;   // read each slide's advance time
  std::vector<std::uint32_t> delays;  // seconds, one per slide, never 0
  // Per slide with delays: whether the presentation gave it a time of its
  // own (its delay of 1 s otherwise stands for "advances on a click").
  std::vector<bool> timed;
  std::vector<std::string> titles;  // safe, unique file base names
  std::vector<std::string> paths;   // slide pictures, help first and end slide last
  std::vector<SlideText> texts;     // per slide of the deck (notes slides included); may be empty
  std::string language;             // BCP 47 tag of the slide text ("zh-CN"); empty when unknown
};

}  // namespace orv
