// Minimal readers for the tests: the tag stream and the action stream of the
// player fragment, with every read checked against the end of the data.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace player_test {

using ByteSpan = std::span<const std::uint8_t>;

inline unsigned U16(ByteSpan b, std::size_t at) {
  if (at + 2 > b.size()) throw std::out_of_range("u16 past the end");
  return b[at] | (b[at + 1] << 8);
}

inline std::uint32_t U32(ByteSpan b, std::size_t at) { return U16(b, at) | (std::uint32_t{U16(b, at + 2)} << 16); }

// Zero-terminated string at `at`; `next` receives the offset after the zero.
inline std::string CString(ByteSpan b, std::size_t at, std::size_t* next = nullptr) {
  std::string s;
  for (;;) {
    if (at >= b.size()) throw std::out_of_range("unterminated string");
    const char c = static_cast<char>(b[at++]);
    if (c == '\0') break;
    s.push_back(c);
  }
  if (next) *next = at;
  return s;
}

struct Tag {
  unsigned code = 0;
  std::size_t offset = 0;  // of the header
  ByteSpan body;
};

// Reads tags until the data ends (or, with `stopAtEnd`, after an End tag).
inline std::vector<Tag> ReadTags(ByteSpan b, bool stopAtEnd) {
  std::vector<Tag> tags;
  std::size_t at = 0;
  while (at < b.size()) {
    const unsigned header = U16(b, at);
    Tag t;
    t.code = header >> 6;
    t.offset = at;
    std::size_t length = header & 0x3f;
    at += 2;
    if (length == 0x3f) {
      length = U32(b, at);
      at += 4;
    }
    if (length > b.size() - at) throw std::out_of_range("tag runs past the end");
    t.body = b.subspan(at, length);
    at += length;
    tags.push_back(t);
    if (stopAtEnd && t.code == 0) break;
  }
  return tags;
}

struct Action {
  std::uint8_t code = 0;
  std::size_t offset = 0;  // of the action code, from the start of the stream
  ByteSpan payload;
  std::size_t next() const { return offset + (code >= 0x80 ? 3 + payload.size() : 1); }
};

// Decodes one action record at `at`.
inline Action ReadAction(ByteSpan b, std::size_t at) {
  if (at >= b.size()) throw std::out_of_range("action past the end");
  Action a;
  a.code = b[at];
  a.offset = at;
  if (a.code >= 0x80) {
    const unsigned length = U16(b, at + 1);
    if (at + 3 + length > b.size()) throw std::out_of_range("action record runs past the end");
    a.payload = b.subspan(at + 3, length);
  }
  return a;
}

// Decodes records in a straight line from `at` up to and including the first
// ActionEnd. Function bodies are decoded inline, as they follow their header.
inline std::vector<Action> ReadActions(ByteSpan b, std::size_t at = 0) {
  std::vector<Action> actions;
  for (;;) {
    actions.push_back(ReadAction(b, at));
    if (actions.back().code == 0) return actions;
    at = actions.back().next();
  }
}

// Target of a Jump (0x99) or If (0x9D).
inline std::size_t BranchTarget(const Action& a) {
  const auto delta = static_cast<std::int16_t>(U16(a.payload, 0));
  return static_cast<std::size_t>(static_cast<long long>(a.next()) + delta);
}

struct PushValue {
  int type = -1;
  std::string text;     // string
  std::uint32_t number = 0;  // int, constant index, register, bool
  double real = 0;
};

inline std::vector<PushValue> ReadPush(const Action& a) {
  std::vector<PushValue> values;
  std::size_t at = 0;
  const ByteSpan p = a.payload;
  while (at < p.size()) {
    PushValue v;
    v.type = p[at++];
    switch (v.type) {
      case 0: v.text = CString(p, at, &at); break;
      case 1: v.number = U32(p, at); at += 4; break;
      case 2: case 3: break;
      case 4: case 5: case 8:
        if (at >= p.size()) throw std::out_of_range("push value past the end");
        v.number = p[at++];
        break;
      case 6: {
        const std::uint64_t bits = (std::uint64_t{U32(p, at)} << 32) | U32(p, at + 4);
        std::memcpy(&v.real, &bits, sizeof v.real);
        at += 8;
        break;
      }
      case 7: v.number = U32(p, at); at += 4; break;
      case 9: v.number = U16(p, at); at += 2; break;
      default: throw std::runtime_error("unknown push type");
    }
    values.push_back(v);
  }
  return values;
}

class BitReader {
 public:
  BitReader(ByteSpan b, std::size_t at) : b_(b), bitPos_(at * 8) {}
  std::uint32_t Get(unsigned n) {
    std::uint32_t v = 0;
    for (unsigned i = 0; i < n; ++i) {
      const std::size_t byte = bitPos_ / 8;
      if (byte >= b_.size()) throw std::out_of_range("bits past the end");
      v = (v << 1) | ((b_[byte] >> (7 - bitPos_ % 8)) & 1u);
      ++bitPos_;
    }
    return v;
  }
  std::int32_t GetSigned(unsigned n) {
    const std::uint32_t v = Get(n);
    if (n == 0 || n == 32) return static_cast<std::int32_t>(v);
    return (v & (1u << (n - 1))) ? static_cast<std::int32_t>(v | ~((1u << n) - 1)) : static_cast<std::int32_t>(v);
  }
  // Offset of the first byte after the record (padding skipped).
  std::size_t AlignedEnd() const { return (bitPos_ + 7) / 8; }

 private:
  ByteSpan b_;
  std::size_t bitPos_;
};

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

inline Placement ReadPlaceObject2(ByteSpan body) {
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

}  // namespace player_test
