#include "movie/file_replace.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <random>

#include "base/owner_tag.h"

namespace orv {
namespace {

// Opens a new file beside the target, named after it and after this process,
// so that a run killed while writing leaves a file a later run may remove.
int CreateTemporary(const std::string& path, std::string& tempPath) {
  static thread_local std::mt19937 random{std::random_device{}()};
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    tempPath = TemporaryPathFor(path, suffix);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::string tempPath;
  const int fd = CreateTemporary(path, tempPath);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  int error = ok ? 0 : errno;
  if (::fsync(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(tempPath.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(tempPath.c_str());
    errno = error;  // the first failure's reason, for the caller's message
  }
  return ok;
}

bool ReplaceFileContents(const std::string& path, std::string_view text) {
  return ReplaceFileContents(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace orv
