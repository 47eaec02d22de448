// An ImageStream over a C standard file.
#pragma once

#include <cstdio>

#include "image/image_stream.h"

namespace orv {

class FileStream final : public ImageStream {
 public:
  // Wraps `file`; closes it on destruction or Close only when `owns`.
  explicit FileStream(std::FILE* file, bool owns = false) : file_(file), owns_(owns) {}
  ~FileStream() override;

  bool Close() override;
  std::size_t Read(void* buffer, std::size_t size, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;
  bool Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t Tell() override;
  std::int64_t Size() override;
  bool Flush() override;
  bool AtEnd() override;
  bool HasError() override;
  bool PutByte(std::uint8_t c) override;
  int GetByte() override;

 private:
  std::FILE* file_;
  bool owns_;
};

}  // namespace orv
