// Feeds arbitrary bytes to the checking SWF reader: it must report (or, for
// the piecewise decoders, throw), never read past the input.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

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

// The bytes as a bare tag stream, with the action and placement records of
// the tags that hold them.
std::size_t Decode(std::span<const std::uint8_t> bytes) {
  using namespace orv::test;
  std::size_t sum = 0;
  try {
    for (const SwfTag& tag : ReadTags(bytes, false)) {
      if (tag.code == swf_tag::kPlaceObject2) sum += ReadPlaceObject2(tag.body).name.size();
      if (tag.code != swf_tag::kDoAction) continue;
      for (const Action& action : ReadActions(tag.body)) {
        if (action.code == 0x96) sum += ReadPush(action).size();
      }
    }
  } catch (const std::exception&) {
    ++sum;
  }
  return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const orv::test::SwfMovie movie = orv::test::ReadSwf(bytes);
  volatile std::size_t sink = Walk(bytes, movie.tags) + movie.problems.size() + Decode(bytes);
  (void)sink;
  return 0;
}
