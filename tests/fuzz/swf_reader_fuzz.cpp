// Feeds arbitrary bytes to the checking SWF reader: it must report, never
// read past the input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "support/swf_reader.h"

namespace {

std::size_t Walk(std::span<const std::uint8_t> bytes, const std::vector<orv::test::SwfTag>& tags) {
  std::size_t sum = 0;
  for (const auto& tag : tags) {
    sum += orv::test::TagBody(bytes, tag).size();
    sum += static_cast<std::size_t>(orv::test::TagCharacterId(bytes, tag) + 1);
    sum += Walk(bytes, tag.children);
  }
  return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const orv::test::SwfMovie movie = orv::test::ReadSwf(bytes);
  volatile std::size_t sink = Walk(bytes, movie.tags) + movie.problems.size();
  (void)sink;
  return 0;
}
