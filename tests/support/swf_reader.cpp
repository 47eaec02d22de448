#include "support/swf_reader.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

namespace orv::test {
namespace {

bool Fits(ByteSpan bytes, std::size_t offset, std::size_t size) {
  return offset <= bytes.size() && size <= bytes.size() - offset;
}

std::string Describe(std::string_view what, std::size_t offset) {
  return std::string(what) + " at offset " + std::to_string(offset);
}

// One tag header and body at `offset` of `range`; on failure `problem` says
// why and nothing was read.
bool ReadOneTag(ByteSpan range, std::size_t offset, SwfTag& tag, std::string& problem) {
  if (!Fits(range, offset, 2)) {
    problem = Describe("tag list without End tag, stopped", offset);
    return false;
  }
  tag.offset = offset;
  const unsigned codeAndLength = U16(range, offset);
  tag.code = static_cast<std::uint16_t>(codeAndLength >> 6);
  tag.length = codeAndLength & 0x3f;
  offset += 2;
  if (tag.length == 0x3f) {
    if (!Fits(range, offset, 4)) {
      problem = Describe("long tag header running past the end", tag.offset);
      return false;
    }
    tag.longHeader = true;
    tag.length = U32(range, offset);
    offset += 4;
  }
  tag.bodyOffset = offset;
  if (!Fits(range, offset, tag.length)) {
    problem = Describe("tag " + std::to_string(tag.code) + " running past the end", tag.offset);
    return false;
  }
  tag.body = range.subspan(offset, tag.length);
  return true;
}

// Reads tags from `offset` up to `end` (exclusive) until an End tag. Sprites
// are read one level deep: SWF does not nest them.
std::vector<SwfTag> ReadMovieTags(ByteSpan bytes, std::size_t offset, std::size_t end, bool insideSprite,
                                  std::vector<std::string>& problems, std::size_t& stoppedAt) {
  std::vector<SwfTag> tags;
  const ByteSpan range = bytes.first(end);
  while (true) {
    SwfTag tag;
    std::string problem;
    if (!ReadOneTag(range, offset, tag, problem)) {
      problems.push_back(problem);
      break;
    }
    offset = tag.bodyOffset + tag.length;
    if (tag.code == swf_tag::kDefineSprite) {
      if (insideSprite) {
        problems.push_back(Describe("DefineSprite inside a sprite", tag.offset));
      } else if (tag.length < 4) {
        problems.push_back(Describe("DefineSprite body too short", tag.offset));
      } else {
        tag.spriteId = static_cast<std::uint16_t>(U16(range, tag.bodyOffset));
        tag.spriteFrameCount = static_cast<std::uint16_t>(U16(range, tag.bodyOffset + 2));
        std::size_t spriteStop = 0;
        tag.children = ReadMovieTags(bytes, tag.bodyOffset + 4, offset, true, problems, spriteStop);
        if (spriteStop != offset) {
          problems.push_back(Describe("DefineSprite length does not match its tags", tag.offset));
        }
      }
    }
    const bool endTag = tag.code == swf_tag::kEnd;
    tags.push_back(std::move(tag));
    if (endTag) break;
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

unsigned U16(ByteSpan bytes, std::size_t at) {
  if (!Fits(bytes, at, 2)) throw std::out_of_range("u16 past the end");
  return bytes[at] | (bytes[at + 1] << 8);
}

std::uint32_t U32(ByteSpan bytes, std::size_t at) { return U16(bytes, at) | (std::uint32_t{U16(bytes, at + 2)} << 16); }

std::string CString(ByteSpan bytes, std::size_t at, std::size_t* next) {
  std::string text;
  for (;;) {
    if (at >= bytes.size()) throw std::out_of_range("unterminated string");
    const char c = static_cast<char>(bytes[at++]);
    if (c == '\0') break;
    text.push_back(c);
  }
  if (next) *next = at;
  return text;
}

std::uint32_t BitReader::Get(unsigned count) {
  std::uint32_t value = 0;
  for (unsigned k = 0; k < count; ++k) {
    const std::size_t byte = bit_ / 8;
    if (byte >= bytes_.size()) throw std::out_of_range("bits past the end");
    value = (value << 1) | ((bytes_[byte] >> (7 - bit_ % 8)) & 1u);
    ++bit_;
  }
  return value;
}

std::int32_t BitReader::GetSigned(unsigned count) {
  std::uint32_t raw = Get(count);
  if (count > 0 && count < 32 && (raw >> (count - 1)) != 0) raw |= ~0u << count;
  return static_cast<std::int32_t>(raw);
}

bool ReadSwfRect(ByteSpan bytes, std::size_t offset, SwfRect& rect) {
  try {
    BitReader reader(bytes, offset);
    SwfRect read;
    read.bits = reader.Get(5);
    read.xMin = reader.GetSigned(read.bits);
    read.xMax = reader.GetSigned(read.bits);
    read.yMin = reader.GetSigned(read.bits);
    read.yMax = reader.GetSigned(read.bits);
    read.byteLength = reader.AlignedEnd() - offset;
    rect = read;
    return true;
  } catch (const std::out_of_range&) {
    return false;
  }
}

SwfMovie ReadSwf(ByteSpan bytes) {
  SwfMovie movie;
  if (bytes.size() < 8) {
    movie.problems.emplace_back("file shorter than the 8-byte header");
    return movie;
  }
  movie.signature.assign(reinterpret_cast<const char*>(bytes.data()), 3);
  movie.version = bytes[3];
  movie.fileLength = U32(bytes, 4);
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
  movie.frameRate = static_cast<std::uint16_t>(U16(bytes, afterRect));
  movie.frameCount = static_cast<std::uint16_t>(U16(bytes, afterRect + 2));
  movie.headerLength = afterRect + 4;

  std::size_t stoppedAt = 0;
  movie.tags = ReadMovieTags(bytes, movie.headerLength, bytes.size(), false, movie.problems, stoppedAt);
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

ByteSpan TagBody(ByteSpan bytes, const SwfTag& tag) {
  if (!Fits(bytes, tag.bodyOffset, tag.length)) return {};
  return bytes.subspan(tag.bodyOffset, tag.length);
}

int TagCharacterId(ByteSpan bytes, const SwfTag& tag) {
  const auto body = TagBody(bytes, tag);
  if (body.size() < 2) return -1;
  return static_cast<int>(U16(body, 0));
}

std::vector<SwfTag> ReadTags(ByteSpan bytes, bool stopAtEnd) {
  std::vector<SwfTag> tags;
  std::size_t at = 0;
  while (at < bytes.size()) {
    SwfTag tag;
    std::string problem;
    if (!ReadOneTag(bytes, at, tag, problem)) throw std::out_of_range(problem);
    at = tag.bodyOffset + tag.length;
    tags.push_back(tag);
    if (stopAtEnd && tag.code == swf_tag::kEnd) break;
  }
  return tags;
}

Action ReadAction(ByteSpan bytes, std::size_t at) {
  if (at >= bytes.size()) throw std::out_of_range("action past the end");
  Action action;
  action.code = bytes[at];
  action.offset = at;
  if (action.code >= 0x80) {
    const unsigned length = U16(bytes, at + 1);
    if (!Fits(bytes, at + 3, length)) throw std::out_of_range("action record runs past the end");
    action.payload = bytes.subspan(at + 3, length);
  }
  return action;
}

std::vector<Action> ReadActions(ByteSpan bytes, std::size_t at) {
  std::vector<Action> actions;
  for (;;) {
    actions.push_back(ReadAction(bytes, at));
    if (actions.back().code == 0) return actions;
    at = actions.back().next();
  }
}

std::size_t BranchTarget(const Action& action) {
  const auto delta = static_cast<std::int16_t>(U16(action.payload, 0));
  return static_cast<std::size_t>(static_cast<long long>(action.next()) + delta);
}

std::vector<PushValue> ReadPush(const Action& action) {
  std::vector<PushValue> values;
  std::size_t at = 0;
  const ByteSpan p = action.payload;
  while (at < p.size()) {
    PushValue v;
    v.type = p[at++];
    switch (v.type) {
      case 0:
        v.text = CString(p, at, &at);
        break;
      case 1:
        v.number = U32(p, at);
        at += 4;
        break;
      case 2:
      case 3:
        break;
      case 4:
      case 5:
      case 8:
        if (at >= p.size()) throw std::out_of_range("push value past the end");
        v.number = p[at++];
        break;
      case 6: {
        const std::uint64_t bits = (std::uint64_t{U32(p, at)} << 32) | U32(p, at + 4);
        std::memcpy(&v.real, &bits, sizeof v.real);
        at += 8;
        break;
      }
      case 7:
        v.number = U32(p, at);
        at += 4;
        break;
      case 9:
        v.number = U16(p, at);
        at += 2;
        break;
      default:
        throw std::runtime_error("unknown push type");
    }
    values.push_back(v);
  }
  return values;
}

Placement ReadPlaceObject2(ByteSpan body) {
  Placement p;
  if (body.size() < 3) throw std::out_of_range("PlaceObject2 too short");
  const unsigned flags = body[0];
  p.move = flags & 0x01;
  p.depth = U16(body, 1);
  std::size_t at = 3;
  if (flags & 0x02) {
    p.character = static_cast<int>(U16(body, at));
    at += 2;
  }
  if (flags & 0x04) {
    BitReader bits(body, at);
    if (bits.Get(1)) {
      const unsigned n = bits.Get(5);
      bits.Get(2 * n);
    }
    if (bits.Get(1)) {
      const unsigned n = bits.Get(5);
      bits.Get(2 * n);
    }
    const unsigned n = bits.Get(5);
    p.x = bits.GetSigned(n);
    p.y = bits.GetSigned(n);
    at = bits.AlignedEnd();
  }
  if (flags & 0x08) {
    BitReader bits(body, at);
    const bool add = bits.Get(1), mult = bits.Get(1);
    const unsigned n = bits.Get(4);
    if (mult) {
      p.redMult = bits.GetSigned(n);
      p.greenMult = bits.GetSigned(n);
      p.blueMult = bits.GetSigned(n);
      p.alphaMult = bits.GetSigned(n);
    }
    if (add) {
      bits.Get(3 * n);
      p.alphaAdd = bits.GetSigned(n);
    }
    at = bits.AlignedEnd();
  }
  if (flags & 0x10) at += 2;
  if (flags & 0x20) p.name = CString(body, at, &at);
  return p;
}

}  // namespace orv::test
