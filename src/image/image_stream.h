// The byte stream every codec reads and writes: a file or a growable block
// of memory behind one interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace orv {

enum class SeekOrigin { Start = SEEK_SET, Current = SEEK_CUR, End = SEEK_END };

class ImageStream {
 public:
  ImageStream() = default;
  virtual ~ImageStream() = default;
  ImageStream(const ImageStream&) = delete;
  ImageStream& operator=(const ImageStream&) = delete;

  virtual bool Close() = 0;
  // Returns whole items transferred, as fread/fwrite do.
  virtual std::size_t Read(void* buffer, std::size_t size, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t size, std::size_t count) = 0;
  virtual bool Seek(std::int64_t offset, SeekOrigin origin) = 0;
  virtual std::int64_t Tell() = 0;
  virtual std::int64_t Size() = 0;
  virtual bool Flush() = 0;
  virtual bool AtEnd() = 0;
  virtual bool HasError() = 0;
  virtual bool PutByte(std::uint8_t c) { return Write(&c, 1, 1) == 1; }
  // -1 at the end.
  virtual int GetByte() = 0;
};

}  // namespace orv
