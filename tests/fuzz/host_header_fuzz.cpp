// Host headers and ranges as a client may send them: the check never answers
// a name other than the loopback ones, and nothing crashes.
#include <httplib.h>

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
  httplib::Ranges ranges;
  for (std::size_t k = 2; k + 1 < size; k += 2) ranges.emplace_back(static_cast<std::int8_t>(data[k]), data[k + 1]);
  (void)orv::http::RangesSatisfiable(ranges, data[1]);
  return 0;
}
