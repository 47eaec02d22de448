#include "movie/movie_buffer.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace orv {
namespace {

void* SystemRealloc(void* block, std::size_t size) { return std::realloc(block, size); }

MovieBuffer::Reallocator g_reallocate = &SystemRealloc;

}  // namespace

MovieBuffer::Reallocator MovieBuffer::SetReallocator(Reallocator reallocate) {
  Reallocator previous = g_reallocate;
  g_reallocate = reallocate != nullptr ? reallocate : &SystemRealloc;
  return previous;
}

MovieBuffer::MovieBuffer(MovieBuffer&& other) noexcept { *this = std::move(other); }

MovieBuffer& MovieBuffer::operator=(MovieBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    length_ = std::exchange(other.length_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    allocated_ = std::exchange(other.allocated_, 0);
  }
  return *this;
}

bool MovieBuffer::ReallocateTo(std::size_t size) {
  if (size <= allocated_) return true;  // the block never shrinks
  void* grown = g_reallocate(data_, size);
  if (grown == nullptr) return false;
  data_ = static_cast<std::uint8_t*>(grown);
  allocated_ = size;
  return true;
}

bool MovieBuffer::Grow(std::size_t size) {
  if (size > kMaxLength - capacity_) return false;
  if (!ReallocateTo(capacity_ + size)) return false;
  capacity_ += size;
  return true;
}

bool MovieBuffer::Append(std::span<const std::uint8_t> bytes) {
  if (!Grow(bytes.size())) return false;
  if (!bytes.empty()) std::memcpy(data_ + length_, bytes.data(), bytes.size());
  length_ += bytes.size();
  return true;
}

bool MovieBuffer::Resize(std::ptrdiff_t delta) {
  if (delta >= 0) {
    const auto grow = static_cast<std::size_t>(delta);
    if (grow > kMaxLength - capacity_ || grow > kMaxLength - length_) return false;
    if (!ReallocateTo(capacity_ + grow)) return false;
    capacity_ += grow;
    length_ += grow;
    return true;
  }
  const auto shrink = static_cast<std::size_t>(-delta);
  if (shrink > length_ || shrink > capacity_) return false;
  capacity_ -= shrink;
  length_ -= shrink;
  return true;
}

bool MovieBuffer::PutU16(std::size_t offset, std::uint16_t value) {
  if (offset > length_ || length_ - offset < 2) return false;
  data_[offset] = static_cast<std::uint8_t>(value & 0xff);
  data_[offset + 1] = static_cast<std::uint8_t>(value >> 8);
  return true;
}

bool MovieBuffer::PutU32(std::size_t offset, std::uint32_t value) {
  if (offset > length_ || length_ - offset < 4) return false;
  for (int k = 0; k < 4; ++k) data_[offset + k] = static_cast<std::uint8_t>(value >> (8 * k));
  return true;
}

void MovieBuffer::Release() {
  std::free(data_);
  data_ = nullptr;
  length_ = capacity_ = allocated_ = 0;
}

}  // namespace orv
