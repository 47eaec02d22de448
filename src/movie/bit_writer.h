// Most-significant-bit-first packer for the bit records of a movie (RECT and
// shape records). Records are short: the longest one the movie writer builds
// is 15 bytes, so a fixed buffer is enough and writing past it is refused.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace orv {

class BitWriter {
 public:
  static constexpr std::size_t kCapacity = 24;

  void Reset();
  // Appends the low `bitCount` bits of `value` (at most 32), highest first.
  // Bits that would run past the buffer are dropped and mark the writer as
  // overflowed.
  void Put(unsigned bitCount, std::uint32_t value);

  // Number of bytes started so far (a partly filled last byte counts).
  std::size_t byteCount() const { return bytesStarted_; }
  bool overflowed() const { return overflowed_; }
  std::span<const std::uint8_t> bytes() const { return {buffer_.data(), bytesStarted_}; }

 private:
  std::array<std::uint8_t, kCapacity> buffer_{};
  std::size_t bytesStarted_ = 0;
  unsigned bitsUsedInLast_ = 0;  // 0 means the last started byte is full
  bool overflowed_ = false;
};

}  // namespace orv
