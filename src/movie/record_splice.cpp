#include "movie/record_splice.h"

#include <cstring>

#include "base/messages.h"
#include "base/notifier.h"
#include "movie/bit_writer.h"
#include "movie/frame_records.h"

namespace orv {
namespace {

SpliceResult Splice(MovieBuffer& buffer, std::size_t start, std::size_t oldLength, std::size_t tailLength,
                    const BitWriter& record) {
  SpliceResult result;
  const std::size_t length = buffer.length();
  if (start > length || oldLength > length - start || tailLength > length - start - oldLength) {
    Notify(msg::kInternalError);
    return result;
  }
  const std::size_t newLength = record.byteCount();
  result.delta = static_cast<std::ptrdiff_t>(newLength) - static_cast<std::ptrdiff_t>(oldLength);
  if (result.delta != 0) {
    if (!buffer.Resize(result.delta)) {
      Notify(msg::kMemoryOverflow);
      return result;
    }
    std::memmove(buffer.data() + start + newLength, buffer.data() + start + oldLength, tailLength);
  }
  std::memcpy(buffer.data() + start, record.bytes().data(), newLength);
  result.ok = true;
  return result;
}

}  // namespace

SpliceResult RewriteFrameRect(MovieBuffer& buffer, std::size_t start, std::size_t oldLength, std::size_t tailLength,
                              std::int32_t widthPx, std::int32_t heightPx) {
  BitWriter writer;
  if (!BuildFrameRect(writer, widthPx, heightPx)) {
    Notify(msg::kInternalError);
    return {};
  }
  return Splice(buffer, start, oldLength, tailLength, writer);
}

SpliceResult RewriteShapeEdges(MovieBuffer& buffer, std::size_t start, std::size_t oldLength, std::size_t tailLength,
                               std::int32_t widthPx, std::int32_t heightPx) {
  BitWriter writer;
  if (!BuildSlideOutline(writer, widthPx, heightPx)) {
    Notify(msg::kInternalError);
    return {};
  }
  return Splice(buffer, start, oldLength, tailLength, writer);
}

}  // namespace orv
