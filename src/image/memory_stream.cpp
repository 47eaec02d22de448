#include "image/memory_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace orv {

MemoryStream::MemoryStream(const std::uint8_t* data, std::size_t length)
    // The block is only read: a stream that does not own its block refuses
    // writes (see Write), so the const data is never changed.
    : block_(const_cast<std::uint8_t*>(data)), length_(length), owns_(false), capacity_(length) {}

MemoryStream::~MemoryStream() { Close(); }

bool MemoryStream::Close() {
  if (owns_) std::free(block_);
  block_ = nullptr;
  length_ = position_ = capacity_ = 0;
  return true;
}

std::size_t MemoryStream::Read(void* buffer, std::size_t size, std::size_t count) {
  if (block_ == nullptr || size == 0 || position_ >= length_) return 0;
  const std::size_t left = length_ - position_;
  const std::size_t wanted = count > left / size ? left : size * count;
  if (wanted == 0) return 0;
  std::memcpy(buffer, block_ + position_, wanted);
  position_ += wanted;
  return wanted / size;
}

bool MemoryStream::Reserve(std::size_t needed) {
  if (needed <= capacity_) return true;
  if (!owns_) return false;
  const std::size_t extra = needed - capacity_;
  const std::size_t steps = extra / kGrowthStep + (extra % kGrowthStep != 0 ? 1 : 0);
  if (steps > (std::numeric_limits<std::size_t>::max() - capacity_) / kGrowthStep) return false;
  const std::size_t grown = capacity_ + steps * kGrowthStep;
  void* block = std::realloc(block_, grown);
  if (block == nullptr) return false;  // the old block and its data stay
  block_ = static_cast<std::uint8_t*>(block);
  capacity_ = grown;
  return true;
}

std::size_t MemoryStream::Write(const void* buffer, std::size_t size, std::size_t count) {
  if (size == 0 || count == 0) return 0;
  if (count > std::numeric_limits<std::size_t>::max() / size) return 0;
  const std::size_t bytes = size * count;
  if (position_ > std::numeric_limits<std::size_t>::max() - bytes) return 0;
  if (!owns_ || !Reserve(position_ + bytes)) return 0;
  std::memcpy(block_ + position_, buffer, bytes);
  position_ += bytes;
  length_ = std::max(length_, position_);
  return count;
}

bool MemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == SeekOrigin::Current) base = static_cast<std::int64_t>(position_);
  if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(length_);
  if ((offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset)) return false;
  const std::int64_t target = base + offset;
  if (target < 0) return false;
  position_ = static_cast<std::size_t>(target);
  return true;
}

std::int64_t MemoryStream::Tell() { return block_ == nullptr ? -1 : static_cast<std::int64_t>(position_); }

std::int64_t MemoryStream::Size() { return block_ == nullptr ? -1 : static_cast<std::int64_t>(length_); }

bool MemoryStream::AtEnd() { return block_ == nullptr || position_ >= length_; }

bool MemoryStream::HasError() { return position_ > length_; }

int MemoryStream::GetByte() {
  if (block_ == nullptr || position_ >= length_) return -1;
  return block_[position_++];
}

}  // namespace orv
