// The scheme reader on arbitrary bytes: it must never read past the end, and
// whatever it accepts must write back as the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "settings/scheme_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orv::SchemeEntries entries = orv::DecodeScheme({data, size});
  if (!entries.valid) return 0;
  std::vector<std::uint8_t> again = orv::EncodeScheme(entries.paths);
  // Bytes after the last entry are ignored, so the rewrite is a prefix.
  if (again.size() > size || std::memcmp(again.data(), data, again.size()) != 0) __builtin_trap();
  return 0;
}
