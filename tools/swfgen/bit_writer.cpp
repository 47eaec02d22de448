#include "bit_writer.h"

#include <algorithm>
#include <stdexcept>

namespace swfgen {

void BitWriter::Put(unsigned count, std::uint32_t value) {
  if (count > 32) throw std::invalid_argument("bit field wider than 32 bits");
  for (unsigned i = count; i-- > 0;) {
    if (bitsUsed_ == 0) bytes_.push_back(0);
    const unsigned bit = (value >> i) & 1u;
    bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (bit << (7 - bitsUsed_)));
    bitsUsed_ = (bitsUsed_ + 1) % 8;
  }
}

unsigned UnsignedBits(std::uint32_t value) {
  unsigned bits = 0;
  while (value != 0) {
    ++bits;
    value >>= 1;
  }
  return bits;
}

unsigned SignedBits(std::int32_t value) {
  // One sign bit plus the magnitude bits of the value or of its complement.
  const std::uint32_t magnitude = value < 0 ? ~static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  return UnsignedBits(magnitude) + 1;
}

unsigned SignedBits(std::initializer_list<std::int32_t> values) {
  unsigned bits = 1;
  for (std::int32_t v : values) bits = std::max(bits, SignedBits(v));
  return bits;
}

}  // namespace swfgen
