// Host headers and ranges as a client may send them: the check never answers
// a name other than the loopback ones, and nothing crashes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/file_response.h"
#include "http/host_check.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int port = data[0] << 8 | data[1];
  const std::string host(reinterpret_cast<const char*>(data + 2), size - 2);
  if (orv::http::IsOwnLoopbackHost(host, port)) {
    const std::string own = ":" + std::to_string(port);
    const std::string lower = Lower(host);
    bool known = false;
    for (const char* name : {"127.0.0.1", "localhost", "localhost.", "[::1]"}) {
      known = known || lower == name + own || (port == 80 && lower == name);
    }
    if (!known) __builtin_trap();
  }
  // The same bytes as a Range header: a piece always lies inside the file.
  orv::http::ByteRange range;
  const std::uint64_t fileSize = data[1];
  if (orv::http::ParseRange(host, fileSize, range) == orv::http::RangeKind::kPiece &&
      (range.first > range.last || range.last >= fileSize)) {
    __builtin_trap();
  }
  return 0;
}
