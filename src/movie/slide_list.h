// What one presentation contributes to its movies: timings, title names and
// the slide pictures in playing order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// A piece of a paragraph: its words and, for a link, where it leads (an
// http, https or mailto address; other links stay plain text).
struct TextRun {
  std::string text;
  std::string link;
};

// One paragraph of the deck: a list item when `list` says so, nested
// `level` deep (0 outermost). `language` is the BCP 47 tag of most of its
// letters; empty when it has none or the deck does not say.
struct TextParagraph {
  enum class List { kNone, kBullet, kNumber };
  std::vector<TextRun> runs;
  List list = List::kNone;
  int level = 0;
  std::string language;

  std::string Plain() const;  // the runs' words, links as their text
};

// A table: rows of cells, each cell its paragraphs; `headerRow` when the
// deck marks the first row as the table's header.
struct TextTable {
  std::vector<std::vector<std::vector<TextParagraph>>> rows;
  bool headerRow = false;
};

// One thing on a slide that a reader meets, in reading order: the paragraphs
// of one text shape, a table, or what the author wrote about a picture,
// chart or group (its title and description).
struct TextBlock {
  enum class Kind { kText, kTable, kPicture };
  Kind kind = Kind::kText;
  std::vector<TextParagraph> paragraphs;  // kText
  TextTable table;                        // kTable
  std::string title, description;         // kPicture
};

// What a reader of the slide can have as text: the deck's own words, read
// while the deck is open. Pictures of a folder have none. A notes slide
// (kNotes) is the one the export adds after a slide for its speaker notes:
// the movie shows it, the HTML5 version shows the notes beside their slide.
struct SlideText {
  enum class Kind { kSlide, kHelp, kEnd, kNotes };
  Kind kind = Kind::kSlide;
  std::string title;                 // one line; may be empty
  std::string titleLanguage;         // the title's BCP 47 tag; may be empty
  std::vector<TextBlock> blocks;     // everything else on the slide, in reading order
  std::vector<TextParagraph> notes;  // the speaker notes (only when they are converted)

  // A slide of plain paragraphs (tests and picture folders).
  static SlideText Plain(std::string title, const std::vector<std::string>& paragraphs = {});
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
  std::string language;             // BCP 47 tag of most of the deck's letters ("zh-CN"); empty when unknown

  // The deck's slides again at the video's size, in order, without the help
  // and end slides; empty when the video takes `paths` (they have its size,
  // or they come from a folder of pictures).
  std::vector<std::string> videoPictures;
};

}  // namespace orv
