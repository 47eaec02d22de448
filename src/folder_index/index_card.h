// What the folder's index page says of one presentation, kept where the page
// finds it again on a later run: inside the presentation's thumbnail, a small
// JPEG of its first slide beside its outputs, as a comment segment. A folder
// that several runs wrote into is listed whole, whoever wrote it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

struct IndexCard {
  std::string source;  // the presentation's file name ("讲座 一.ppt")
  std::string title;   // the deck's own title; empty: none
  int slides = 0;      // the deck's slides (help, end and notes slides not counted)
  // The outputs' file names in the thumbnail's folder; empty: not made.
  std::string movie, page, twin, lesson, video;
};

// "<stem>-thumb.jpg".
std::string ThumbnailName(std::string_view stem);
inline constexpr std::string_view kThumbnailSuffix = "-thumb.jpg";

// The JPEG with the card as its first segment; empty when `jpeg` does not
// start as a JPEG does. A title too long for one segment is shortened.
std::vector<std::uint8_t> WithIndexCard(std::span<const std::uint8_t> jpeg, const IndexCard& card);

// The card of a thumbnail; nothing when the bytes carry none (any JPEG, a
// damaged one, a card of another shape). Reads only the segments before the
// picture data.
std::optional<IndexCard> ReadIndexCard(std::span<const std::uint8_t> jpeg);

}  // namespace orv
