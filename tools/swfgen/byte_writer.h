// Little-endian byte appender for SWF tag bodies.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace swfgen {

using Bytes = std::vector<std::uint8_t>;

class ByteWriter {
 public:
  void U8(unsigned v) { out_.push_back(static_cast<std::uint8_t>(v)); }
  void U16(unsigned v) {
    U8(v & 0xff);
    U8((v >> 8) & 0xff);
  }
  void U32(std::uint32_t v) {
    U16(v & 0xffff);
    U16(v >> 16);
  }
  // Zero-terminated string; the text itself must not contain a zero byte.
  void String(std::string_view s);
  void Append(std::span<const std::uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
  // Overwrites a 16-bit field written earlier (lengths known only afterwards).
  void PatchU16(std::size_t at, unsigned v);

  std::size_t size() const { return out_.size(); }
  const Bytes& bytes() const { return out_; }
  Bytes Take() { return std::move(out_); }

 private:
  Bytes out_;
};

}  // namespace swfgen
