// Replaces a bit record inside the movie being assembled by a freshly built
// one of possibly different length, moving the bytes that follow it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "movie/movie_buffer.h"

namespace orv {

struct SpliceResult {
  std::ptrdiff_t delta = 0;  // new length - old length; negative when shorter
  bool ok = false;           // false: the movie must be abandoned (message shown)
};

// The record at `start`, `oldLength` bytes long, is followed by `tailLength`
// bytes that move with it. Both report a block that cannot grow with
// "Memory Overflow"; a record that cannot be built or a range outside the
// written bytes is an internal fault and reported as such.
SpliceResult RewriteFrameRect(MovieBuffer& buffer, std::size_t start, std::size_t oldLength, std::size_t tailLength,
                              std::int32_t widthPx, std::int32_t heightPx);
SpliceResult RewriteShapeEdges(MovieBuffer& buffer, std::size_t start, std::size_t oldLength, std::size_t tailLength,
                               std::int32_t widthPx, std::int32_t heightPx);

}  // namespace orv
