// A conversion request's body as a client may send it, in pieces of the
// sizes the input chooses: the form reader keeps every part's bytes in
// order, whatever the boundaries and heads, and nothing crashes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/multipart_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t piece = (data[0] % 64) + 1;
  const std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
  (void)orv::http::FormBoundary(body.substr(0, body.find('\n')));
  std::size_t parts = 0, bytes = 0;
  orv::http::MultipartReader reader(
      "XyZ",
      [&parts](const orv::http::FormPart& part) {
        if (part.name.empty()) __builtin_trap();
        ++parts;
        return parts < 100;
      },
      [&bytes](std::string_view chunk) {
        bytes += chunk.size();
        return true;
      });
  for (std::size_t at = 0; at < body.size(); at += piece) {
    if (!reader.Feed(std::string_view(body).substr(at, piece))) break;
  }
  if (bytes > body.size()) __builtin_trap();
  return 0;
}
