// A checking reader for uncompressed SWF files: the header and the tag list,
// with the bodies of DefineSprite tags, every read bounds-checked. It does
// not interpret tag contents beyond that; it reports what does not add up
// (length field against the real size, tags running past the end, frame
// counts against ShowFrame tags) so that tests can verify written movies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orv {

namespace swf_tag {
inline constexpr std::uint16_t kEnd = 0;
inline constexpr std::uint16_t kShowFrame = 1;
inline constexpr std::uint16_t kDefineShape = 2;
inline constexpr std::uint16_t kSetBackgroundColor = 9;
inline constexpr std::uint16_t kDoAction = 12;
inline constexpr std::uint16_t kDefineBitsJpeg2 = 21;
inline constexpr std::uint16_t kProtect = 24;
inline constexpr std::uint16_t kPlaceObject2 = 26;
inline constexpr std::uint16_t kRemoveObject2 = 28;
inline constexpr std::uint16_t kDefineSprite = 39;
}  // namespace swf_tag

struct SwfRect {
  unsigned bits = 0;
  std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  std::size_t byteLength = 0;  // bytes the record occupies
};

struct SwfTag {
  std::uint16_t code = 0;
  std::uint32_t length = 0;    // body length from the header
  bool longHeader = false;
  std::size_t offset = 0;      // of the header, from the start of the file
  std::size_t bodyOffset = 0;  // of the body
  // DefineSprite only: the sprite's id, frame count and its own tags.
  std::uint16_t spriteId = 0;
  std::uint16_t spriteFrameCount = 0;
  std::vector<SwfTag> children;
};

struct SwfMovie {
  std::string signature;      // "FWS"
  std::uint8_t version = 0;
  std::uint32_t fileLength = 0;  // the header's length field
  SwfRect frame;
  std::uint16_t frameRate = 0;   // 8.8 fixed point
  std::uint16_t frameCount = 0;
  std::size_t headerLength = 0;  // bytes before the first tag
  std::vector<SwfTag> tags;      // top level, up to and including End
  std::vector<std::string> problems;

  bool ok() const { return problems.empty(); }
};

// Reads what can be read; everything that does not add up goes to problems.
SwfMovie ReadSwf(std::span<const std::uint8_t> bytes);

// Reads a RECT record at `offset`; false when it runs past the end.
bool ReadSwfRect(std::span<const std::uint8_t> bytes, std::size_t offset, SwfRect& rect);

// The body of a tag that the reader produced from the same bytes.
std::span<const std::uint8_t> TagBody(std::span<const std::uint8_t> bytes, const SwfTag& tag);
// The first 16-bit value of the body (the character id of definition tags),
// or -1 when the body is shorter.
int TagCharacterId(std::span<const std::uint8_t> bytes, const SwfTag& tag);

}  // namespace orv
