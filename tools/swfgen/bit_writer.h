// Most-significant-bit-first packer for the bit records of SWF tags (RECT,
// MATRIX, colour transforms, shape records). Unlike the movie writer's fixed
// packer this one grows, because glyph outlines run to hundreds of bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace swfgen {

class BitWriter {
 public:
  // Appends the low `count` bits of `value` (count 0..32), highest first.
  void Put(unsigned count, std::uint32_t value);
  void PutSigned(unsigned count, std::int32_t value) { Put(count, static_cast<std::uint32_t>(value)); }
  void PutFlag(bool flag) { Put(1, flag ? 1u : 0u); }
  // Pads the last byte with zero bits; further bits start a new byte.
  void Align() { bitsUsed_ = 0; }

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  unsigned bitsUsed_ = 0;  // bits used in the last byte; 0 = start a new one
};

// Bits a signed field needs to hold every value in the list (two's complement).
unsigned SignedBits(std::int32_t value);
unsigned SignedBits(std::initializer_list<std::int32_t> values);
unsigned UnsignedBits(std::uint32_t value);

}  // namespace swfgen
