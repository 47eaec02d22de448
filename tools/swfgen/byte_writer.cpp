#include "byte_writer.h"

#include <stdexcept>

namespace swfgen {

void ByteWriter::String(std::string_view s) {
  if (s.find('\0') != std::string_view::npos) throw std::invalid_argument("string with a zero byte");
  out_.insert(out_.end(), s.begin(), s.end());
  U8(0);
}

void ByteWriter::PatchU16(std::size_t at, unsigned v) {
  if (v > 0xffff || at + 2 > out_.size()) throw std::out_of_range("16-bit patch out of range");
  out_[at] = static_cast<std::uint8_t>(v & 0xff);
  out_[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace swfgen
