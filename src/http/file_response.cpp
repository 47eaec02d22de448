#include "http/file_response.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>

namespace orv::http {
namespace {

constexpr std::size_t kPieceBytes = 64 * 1024;

// The open file, closed when the last piece has gone or the client left.
struct OpenFile {
  explicit OpenFile(int descriptor) : fd(descriptor) {}
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() { ::close(fd); }
  int fd;
};

bool SendPiece(const OpenFile& file, std::size_t offset, std::size_t length, httplib::DataSink& sink) {
  std::array<char, kPieceBytes> buffer;
  const std::size_t wanted = length < buffer.size() ? length : buffer.size();
  ssize_t got = 0;
  do {
    got = ::pread(file.fd, buffer.data(), wanted, static_cast<off_t>(offset));
  } while (got < 0 && errno == EINTR);
  // A file that shrank meanwhile ends the answer; the client sees it short.
  if (got <= 0) return false;
  return sink.write(buffer.data(), static_cast<std::size_t>(got));
}

}  // namespace

bool RangesSatisfiable(const httplib::Ranges& ranges, std::uint64_t size) {
  for (const auto& [first, last] : ranges) {
    if (first < 0) {
      // "-N": the last N bytes; none of an empty file, and "-0" is nothing.
      if (last <= 0 || size == 0) return false;
    } else if (static_cast<std::uint64_t>(first) >= size) {
      return false;
    }
  }
  return true;
}

bool SendFile(const httplib::Request& request, httplib::Response& response, const std::string& path,
              std::string_view contentType) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  auto file = std::make_shared<OpenFile>(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  const auto size = static_cast<std::uint64_t>(info.st_size);
  response.set_header("Accept-Ranges", "bytes");
  if (!RangesSatisfiable(request.ranges, size)) {
    response.status = 416;
    response.set_header("Content-Range", "bytes */" + std::to_string(size));
    return true;
  }
  const std::string type(contentType);
  if (size == 0) {
    response.set_content("", type);
    return true;
  }
  response.set_content_provider(
      static_cast<std::size_t>(size), type,
      [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        return SendPiece(*file, offset, length, sink);
      },
      [file](bool) {});
  return true;
}

}  // namespace orv::http
