#include "movie/bit_writer.h"

namespace orv {

void BitWriter::Reset() {
  buffer_.fill(0);
  bytesStarted_ = 0;
  bitsUsedInLast_ = 0;
  overflowed_ = false;
}

void BitWriter::Put(unsigned bitCount, std::uint32_t value) {
  if (bitCount > 32) bitCount = 32;
  for (unsigned k = bitCount; k-- > 0;) {
    if (bitsUsedInLast_ == 0) {
      if (bytesStarted_ == kCapacity) {
        overflowed_ = true;
        return;
      }
      // A newly started byte is assigned, so stale bits never leak in.
      buffer_[bytesStarted_++] = 0;
    }
    const unsigned bit = (value >> k) & 1u;
    buffer_[bytesStarted_ - 1] |= static_cast<std::uint8_t>(bit << (7 - bitsUsedInLast_));
    bitsUsedInLast_ = (bitsUsedInLast_ + 1) % 8;
  }
}

}  // namespace orv
