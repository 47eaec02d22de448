#include "image/file_stream.h"

namespace orv {

FileStream::~FileStream() { Close(); }

bool FileStream::Close() {
  bool ok = true;
  if (owns_ && file_ != nullptr) ok = std::fclose(file_) == 0;
  if (owns_) file_ = nullptr;
  return ok;
}

std::size_t FileStream::Read(void* buffer, std::size_t size, std::size_t count) {
  if (file_ == nullptr || size == 0) return 0;
  return std::fread(buffer, size, count, file_);
}

std::size_t FileStream::Write(const void* buffer, std::size_t size, std::size_t count) {
  if (file_ == nullptr || size == 0) return 0;
  return std::fwrite(buffer, size, count, file_);
}

bool FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  return file_ != nullptr && fseeko(file_, static_cast<off_t>(offset), static_cast<int>(origin)) == 0;
}

std::int64_t FileStream::Tell() { return file_ != nullptr ? ftello(file_) : -1; }

std::int64_t FileStream::Size() {
  if (file_ == nullptr) return -1;
  const off_t position = ftello(file_);
  if (position < 0 || fseeko(file_, 0, SEEK_END) != 0) return -1;
  const off_t end = ftello(file_);
  fseeko(file_, position, SEEK_SET);
  return end;
}

bool FileStream::Flush() { return file_ != nullptr && std::fflush(file_) == 0; }

bool FileStream::AtEnd() { return file_ == nullptr || std::feof(file_) != 0; }

bool FileStream::HasError() { return file_ == nullptr || std::ferror(file_) != 0; }

bool FileStream::PutByte(std::uint8_t c) { return file_ != nullptr && std::fputc(c, file_) != EOF; }

int FileStream::GetByte() {
  if (file_ == nullptr) return -1;
  const int c = std::fgetc(file_);
  return c == EOF ? -1 : c;
}

}  // namespace orv
