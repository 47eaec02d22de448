// Files sent from disk in pieces, so that a server's memory stays the same
// whatever their size: whole (200), one range (206), HEAD, and 416 with
// "Content-Range: bytes */SIZE" for a range past the end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "http/http_exchange.h"

namespace orv::http {

struct ByteRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;  // inclusive
};

enum class RangeKind { kWhole, kPiece, kUnsatisfiable };

// What a Range header asks of a file of `size` bytes: one range
// ("bytes=A-B", "bytes=A-", "bytes=-N"), clipped to the file; a range that
// starts past the end (or the last 0 bytes) is unsatisfiable. Anything else,
// several ranges included, asks for the whole file, as a server may answer.
RangeKind ParseRange(std::string_view header, std::uint64_t size, ByteRange& range);

// The answer to a GET or HEAD of the file at `path`, with the request's
// Range header when it sent one; nothing when the file cannot be opened or
// is not a regular file.
std::optional<Answer> FileAnswer(const std::string& path, std::string_view contentType, const std::string* range);

}  // namespace orv::http
