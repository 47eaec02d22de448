// The heap block one movie is assembled in. It grows by exact-size
// reallocation at every append and never shrinks; when a record gets shorter
// only the counts go down. The block is released when the buffer is
// destroyed or Release() is called, so an abandoned movie never leaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orv {

class MovieBuffer {
 public:
  // A movie's length is written into 32-bit fields; the buffer keeps below
  // the signed 32-bit limit so every length and offset stays representable.
  static constexpr std::size_t kMaxLength = 0x7fffffff;

  MovieBuffer() = default;
  ~MovieBuffer() { Release(); }
  MovieBuffer(const MovieBuffer&) = delete;
  MovieBuffer& operator=(const MovieBuffer&) = delete;
  MovieBuffer(MovieBuffer&& other) noexcept;
  MovieBuffer& operator=(MovieBuffer&& other) noexcept;

  // Raises capacity by `size` and reallocates the block to exactly that
  // size. False (nothing changed) when the size limit is passed or the
  // allocation fails.
  bool Grow(std::size_t size);
  // Grow + copy at the end + raise length.
  bool Append(std::span<const std::uint8_t> bytes);
  // Moves the end of the data by `delta` bytes (the splice): capacity and
  // length change together; a positive delta reallocates. False when the
  // block cannot grow or the new length would be negative.
  bool Resize(std::ptrdiff_t delta);
  // Marks `size` bytes after the current end as written (after Grow).
  void Commit(std::size_t size) { length_ += size; }

  // Little-endian writes inside the written bytes; false (nothing written)
  // when the field does not lie inside them.
  bool PutU16(std::size_t offset, std::uint16_t value);
  bool PutU32(std::size_t offset, std::uint32_t value);

  void Release();

  std::uint8_t* data() { return data_; }
  const std::uint8_t* data() const { return data_; }
  std::size_t length() const { return length_; }
  std::size_t capacity() const { return capacity_; }
  std::span<const std::uint8_t> bytes() const { return {data_, length_}; }

  // Tests replace the allocator to see what a failing realloc does.
  using Reallocator = void* (*)(void*, std::size_t);
  static Reallocator SetReallocator(Reallocator reallocate);

 private:
  bool ReallocateTo(std::size_t size);

  std::uint8_t* data_ = nullptr;
  std::size_t length_ = 0;
  std::size_t capacity_ = 0;
  std::size_t allocated_ = 0;
};

}  // namespace orv
