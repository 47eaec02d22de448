#include "movie/fragments.h"

#include <cstdint>

#include "base/messages.h"
#include "base/notifier.h"

namespace orv {
namespace {

bool Put16(MovieBuffer& buffer, std::size_t start, std::size_t offset, int value) {
  return buffer.PutU16(start + offset, static_cast<std::uint16_t>(value));
}

}  // namespace

std::optional<Bytes> FragmentBytes(int id) { return LoadResource(id, "BIN"); }

bool FragmentPatch(int id, int number, std::size_t start, MovieBuffer& buffer) {
  switch (id) {
    case kSlideShapeFragment:
      return Put16(buffer, start, 6, SlideShapeId(number)) && Put16(buffer, start, 19, SlideBitmapId(number));
    case kSpriteStartFragment:
      // Only the low half of the 32-bit tag length is written.
      return Put16(buffer, start, 2, static_cast<int>(SlidesSpriteLength(number))) &&
             Put16(buffer, start, 6, SlidesSpriteId(number)) && Put16(buffer, start, 8, number);
    case kSpriteFrameFragment:
      return Put16(buffer, start, 5, SlideShapeId(number));
    case kMovieEndFragment:
      return Put16(buffer, start, 11, SlidesSpriteId(number));
    default:
      return true;  // 200 and 201 are appended as they are
  }
}

int AppendFragment(int id, int number, MovieBuffer& buffer) {
  const auto bytes = FragmentBytes(id);
  if (!bytes) return -1;
  const std::size_t start = buffer.length();
  if (!buffer.Append(*bytes)) {
    Notify(msg::kFragmentGrowFailed);
    return -1;
  }
  if (!FragmentPatch(id, number, start, buffer)) {
    // A stored fragment too short for its patch is unusable.
    Notify(msg::kResourceNotLoaded);
    return -1;
  }
  return 1;
}

}  // namespace orv
