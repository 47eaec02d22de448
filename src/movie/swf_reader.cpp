#include "movie/swf_reader.h"

#include <string_view>

namespace orv {
namespace {

std::uint32_t ReadLe(std::span<const std::uint8_t> bytes, std::size_t offset, int count) {
  std::uint32_t value = 0;
  for (int k = 0; k < count; ++k) value |= static_cast<std::uint32_t>(bytes[offset + k]) << (8 * k);
  return value;
}

bool Fits(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
  return offset <= bytes.size() && size <= bytes.size() - offset;
}

// Most-significant-bit-first reader over a byte range.
class BitReader {
 public:
  BitReader(std::span<const std::uint8_t> bytes, std::size_t offset) : bytes_(bytes), bit_(offset * 8) {}
  bool Get(unsigned count, std::uint32_t& value) {
    value = 0;
    for (unsigned k = 0; k < count; ++k) {
      const std::size_t byte = bit_ / 8;
      if (byte >= bytes_.size()) return false;
      value = (value << 1) | ((bytes_[byte] >> (7 - bit_ % 8)) & 1u);
      ++bit_;
    }
    return true;
  }
  bool GetSigned(unsigned count, std::int32_t& value) {
    std::uint32_t raw;
    if (!Get(count, raw)) return false;
    if (count > 0 && count < 32 && (raw >> (count - 1)) != 0) raw |= ~0u << count;
    value = static_cast<std::int32_t>(raw);
    return true;
  }
  std::size_t bytesStarted(std::size_t from) const { return (bit_ + 7) / 8 - from; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t bit_;
};

std::string Describe(std::string_view what, std::size_t offset) {
  return std::string(what) + " at offset " + std::to_string(offset);
}

// Reads tags from `offset` up to `end` (exclusive) until an End tag. Sprites
// are read one level deep: SWF does not nest them.
std::vector<SwfTag> ReadTags(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t end,
                             bool insideSprite, std::vector<std::string>& problems,
                             std::size_t& stoppedAt) {
  std::vector<SwfTag> tags;
  const auto range = bytes.first(end);
  while (true) {
    if (!Fits(range, offset, 2)) {
      problems.push_back(Describe("tag list without End tag, stopped", offset));
      break;
    }
    SwfTag tag;
    tag.offset = offset;
    const std::uint32_t codeAndLength = ReadLe(range, offset, 2);
    tag.code = static_cast<std::uint16_t>(codeAndLength >> 6);
    tag.length = codeAndLength & 0x3f;
    offset += 2;
    if (tag.length == 0x3f) {
      if (!Fits(range, offset, 4)) {
        problems.push_back(Describe("long tag header running past the end", tag.offset));
        break;
      }
      tag.longHeader = true;
      tag.length = ReadLe(range, offset, 4);
      offset += 4;
    }
    tag.bodyOffset = offset;
    if (!Fits(range, offset, tag.length)) {
      problems.push_back(Describe("tag " + std::to_string(tag.code) + " running past the end", tag.offset));
      break;
    }
    offset += tag.length;
    if (tag.code == swf_tag::kDefineSprite) {
      if (insideSprite) {
        problems.push_back(Describe("DefineSprite inside a sprite", tag.offset));
      } else if (tag.length < 4) {
        problems.push_back(Describe("DefineSprite body too short", tag.offset));
      } else {
        tag.spriteId = static_cast<std::uint16_t>(ReadLe(range, tag.bodyOffset, 2));
        tag.spriteFrameCount = static_cast<std::uint16_t>(ReadLe(range, tag.bodyOffset + 2, 2));
        std::size_t spriteStop = 0;
        tag.children = ReadTags(bytes, tag.bodyOffset + 4, offset, true, problems, spriteStop);
        if (spriteStop != offset) {
          problems.push_back(Describe("DefineSprite length does not match its tags", tag.offset));
        }
      }
    }
    const bool end_tag = tag.code == swf_tag::kEnd;
    tags.push_back(std::move(tag));
    if (end_tag) break;
  }
  stoppedAt = offset;
  return tags;
}

std::size_t CountShowFrames(const std::vector<SwfTag>& tags) {
  std::size_t count = 0;
  for (const auto& tag : tags) count += tag.code == swf_tag::kShowFrame ? 1 : 0;
  return count;
}

}  // namespace

bool ReadSwfRect(std::span<const std::uint8_t> bytes, std::size_t offset, SwfRect& rect) {
  BitReader reader(bytes, offset);
  std::uint32_t bits;
  if (!reader.Get(5, bits)) return false;
  rect.bits = bits;
  if (!reader.GetSigned(bits, rect.xMin) || !reader.GetSigned(bits, rect.xMax) ||
      !reader.GetSigned(bits, rect.yMin) || !reader.GetSigned(bits, rect.yMax)) {
    return false;
  }
  rect.byteLength = reader.bytesStarted(offset);
  return true;
}

SwfMovie ReadSwf(std::span<const std::uint8_t> bytes) {
  SwfMovie movie;
  if (bytes.size() < 8) {
    movie.problems.emplace_back("file shorter than the 8-byte header");
    return movie;
  }
  movie.signature.assign(reinterpret_cast<const char*>(bytes.data()), 3);
  movie.version = bytes[3];
  movie.fileLength = ReadLe(bytes, 4, 4);
  if (movie.signature != "FWS") {
    movie.problems.emplace_back("signature is not FWS (uncompressed)");
    return movie;
  }
  if (movie.fileLength != bytes.size()) {
    movie.problems.push_back("length field " + std::to_string(movie.fileLength) + " but " +
                             std::to_string(bytes.size()) + " bytes");
  }
  if (!ReadSwfRect(bytes, 8, movie.frame)) {
    movie.problems.emplace_back("frame RECT running past the end");
    return movie;
  }
  const std::size_t afterRect = 8 + movie.frame.byteLength;
  if (!Fits(bytes, afterRect, 4)) {
    movie.problems.emplace_back("header running past the end");
    return movie;
  }
  movie.frameRate = static_cast<std::uint16_t>(ReadLe(bytes, afterRect, 2));
  movie.frameCount = static_cast<std::uint16_t>(ReadLe(bytes, afterRect + 2, 2));
  movie.headerLength = afterRect + 4;

  std::size_t stoppedAt = 0;
  movie.tags = ReadTags(bytes, movie.headerLength, bytes.size(), false, movie.problems, stoppedAt);
  if (stoppedAt < bytes.size() && !movie.tags.empty() && movie.tags.back().code == swf_tag::kEnd) {
    movie.problems.push_back(Describe("data after the End tag", stoppedAt));
  }
  if (CountShowFrames(movie.tags) != movie.frameCount) {
    movie.problems.push_back("frame count " + std::to_string(movie.frameCount) + " but " +
                             std::to_string(CountShowFrames(movie.tags)) + " ShowFrame tags");
  }
  for (const auto& tag : movie.tags) {
    if (tag.code == swf_tag::kDefineSprite && tag.length >= 4 &&
        CountShowFrames(tag.children) != tag.spriteFrameCount) {
      movie.problems.push_back(Describe("sprite frame count differs from its ShowFrame tags", tag.offset));
    }
  }
  return movie;
}

std::span<const std::uint8_t> TagBody(std::span<const std::uint8_t> bytes, const SwfTag& tag) {
  if (!Fits(bytes, tag.bodyOffset, tag.length)) return {};
  return bytes.subspan(tag.bodyOffset, tag.length);
}

int TagCharacterId(std::span<const std::uint8_t> bytes, const SwfTag& tag) {
  const auto body = TagBody(bytes, tag);
  if (body.size() < 2) return -1;
  return static_cast<int>(ReadLe(body, 0, 2));
}

}  // namespace orv
