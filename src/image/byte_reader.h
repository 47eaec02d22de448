// A little-endian reader over a byte range that never reads past its end.
// A read beyond the end yields zero and marks the reader as failed, so a
// record handler can read all its fields and check once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace orv {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return pos_ <= bytes_.size() ? bytes_.size() - pos_ : 0; }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

  std::uint8_t U8() { return static_cast<std::uint8_t>(Read(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Read(2)); }
  std::int16_t S16() { return static_cast<std::int16_t>(Read(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Read(4)); }
  std::int32_t S32() { return static_cast<std::int32_t>(Read(4)); }
  float F32() {
    std::uint32_t raw = U32();
    float value;
    static_assert(sizeof value == sizeof raw);
    std::memcpy(&value, &raw, sizeof value);
    return value;
  }

  // The next `count` bytes, or an empty span (and failure) when fewer are left.
  std::span<const std::uint8_t> Take(std::size_t count) {
    if (!ok_ || count > remaining()) {
      ok_ = false;
      return {};
    }
    auto part = bytes_.subspan(pos_, count);
    pos_ += count;
    return part;
  }

  void Skip(std::size_t count) { Take(count); }

  // True when `count` items of `itemSize` bytes are still available; the
  // product is formed without overflow.
  bool Has(std::uint64_t count, std::uint64_t itemSize) const {
    return ok_ && (itemSize == 0 || count <= remaining() / itemSize);
  }

 private:
  std::uint64_t Read(std::size_t size) {
    if (!ok_ || size > remaining()) {
      ok_ = false;
      return 0;
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
      value |= static_cast<std::uint64_t>(bytes_[pos_ + i]) << (8 * i);
    }
    pos_ += size;
    return value;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace orv
