// A checking reader of SWF bytes for the tests: the movie header and its tag
// list (with DefineSprite bodies), the action records of a DoAction body,
// Push values and PlaceObject2 records. Every read is bounds-checked.
//
// ReadSwf never throws: what does not add up (length field against the real
// size, tags running past the end, frame counts against ShowFrame tags) goes
// to SwfMovie::problems. The piecewise decoders (ReadTags, ReadActions, ...)
// throw std::out_of_range instead, for tests that expect well-formed input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orv::test {

using ByteSpan = std::span<const std::uint8_t>;

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
inline constexpr std::uint16_t kFrameLabel = 43;
inline constexpr std::uint16_t kExportAssets = 56;
}  // namespace swf_tag

// Little-endian values and a zero-terminated string; `next` receives the
// offset after the zero.
unsigned U16(ByteSpan bytes, std::size_t at);
std::uint32_t U32(ByteSpan bytes, std::size_t at);
std::string CString(ByteSpan bytes, std::size_t at, std::size_t* next = nullptr);

// Most-significant-bit-first reader of the bit records (RECT, MATRIX, CXFORM).
class BitReader {
 public:
  BitReader(ByteSpan bytes, std::size_t at) : bytes_(bytes), bit_(at * 8) {}
  std::uint32_t Get(unsigned count);
  std::int32_t GetSigned(unsigned count);
  // Offset of the first byte after the record (padding skipped).
  std::size_t AlignedEnd() const { return (bit_ + 7) / 8; }

 private:
  ByteSpan bytes_;
  std::size_t bit_;
};

struct SwfRect {
  unsigned bits = 0;
  std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  std::size_t byteLength = 0;  // bytes the record occupies
};

struct SwfTag {
  std::uint16_t code = 0;
  std::uint32_t length = 0;  // body length from the header
  bool longHeader = false;
  std::size_t offset = 0;      // of the header, from the start of the data read
  std::size_t bodyOffset = 0;  // of the body
  ByteSpan body;               // into the bytes that were read
  // DefineSprite in a movie only: the sprite's id, frame count and its tags.
  std::uint16_t spriteId = 0;
  std::uint16_t spriteFrameCount = 0;
  std::vector<SwfTag> children;
};

struct SwfMovie {
  std::string signature;  // "FWS"
  std::uint8_t version = 0;
  std::uint32_t fileLength = 0;  // the header's length field
  SwfRect frame;
  std::uint16_t frameRate = 0;  // 8.8 fixed point
  std::uint16_t frameCount = 0;
  std::size_t headerLength = 0;  // bytes before the first tag
  std::vector<SwfTag> tags;      // top level, up to and including End
  std::vector<std::string> problems;

  bool ok() const { return problems.empty(); }
};

// Reads what can be read; everything that does not add up goes to problems.
SwfMovie ReadSwf(ByteSpan bytes);

// Reads a RECT record at `offset`; false when it runs past the end.
bool ReadSwfRect(ByteSpan bytes, std::size_t offset, SwfRect& rect);

// The body of a tag that the reader produced from the same bytes.
ByteSpan TagBody(ByteSpan bytes, const SwfTag& tag);
// The first 16-bit value of the body (the character id of definition tags),
// or -1 when the body is shorter.
int TagCharacterId(ByteSpan bytes, const SwfTag& tag);

// A bare tag stream (no movie header): until the data ends or, with
// `stopAtEnd`, up to and including an End tag. Sprites are not opened.
std::vector<SwfTag> ReadTags(ByteSpan bytes, bool stopAtEnd);

struct Action {
  std::uint8_t code = 0;
  std::size_t offset = 0;  // of the action code, from the start of the stream
  ByteSpan payload;
  std::size_t next() const { return offset + (code >= 0x80 ? 3 + payload.size() : 1); }
};

// Decodes one action record at `at`.
Action ReadAction(ByteSpan bytes, std::size_t at);
// Decodes records in a straight line from `at` up to and including the first
// ActionEnd. Function bodies are decoded inline, as they follow their header.
std::vector<Action> ReadActions(ByteSpan bytes, std::size_t at = 0);
// Target of a Jump (0x99) or If (0x9D).
std::size_t BranchTarget(const Action& action);

struct PushValue {
  int type = -1;
  std::string text;          // string
  std::uint32_t number = 0;  // int, constant index, register, bool
  double real = 0;
};
std::vector<PushValue> ReadPush(const Action& action);

struct Placement {
  unsigned depth = 0;
  int character = -1;
  bool move = false;
  std::int32_t x = 0, y = 0;
  // Colour transform with alpha, in 8.8 fixed point: 256 is 1.0 (no change).
  std::int32_t redMult = 256, greenMult = 256, blueMult = 256, alphaMult = 256;
  std::int32_t alphaAdd = 0;
  std::string name;
};
Placement ReadPlaceObject2(ByteSpan body);

}  // namespace orv::test
