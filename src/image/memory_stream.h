// An ImageStream over a malloc'ed block that grows in steps of 4096 bytes.
// The block can be handed to another owner (DetachBlock), which then frees
// it with free().
#pragma once

#include <cstdint>

#include "image/image_stream.h"

namespace orv {

class MemoryStream final : public ImageStream {
 public:
  static constexpr std::size_t kGrowthStep = 4096;

  // An empty owning stream for writing.
  MemoryStream() = default;
  // Reads (or overwrites) `length` bytes at `data` without owning them.
  MemoryStream(const std::uint8_t* data, std::size_t length);
  ~MemoryStream() override;

  bool Close() override;
  std::size_t Read(void* buffer, std::size_t size, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;
  bool Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t Tell() override;
  std::int64_t Size() override;
  bool Flush() override { return true; }
  bool AtEnd() override;
  bool HasError() override;
  int GetByte() override;

  std::uint8_t* Data() { return block_; }
  std::size_t Length() const { return length_; }
  std::size_t Capacity() const { return capacity_; }
  bool OwnsBlock() const { return owns_; }
  // Gives up ownership: the stream keeps pointing at the block but will not
  // free it.
  std::uint8_t* DetachBlock() {
    owns_ = false;
    return block_;
  }

 private:
  bool Reserve(std::size_t needed);

  std::uint8_t* block_ = nullptr;
  std::size_t length_ = 0;
  bool owns_ = true;
  std::size_t position_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace orv
