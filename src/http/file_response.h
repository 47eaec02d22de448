// Files sent from disk in pieces, so that a server's memory stays the same
// whatever their size: whole (200), one or several ranges (206), HEAD, and
// 416 with "Content-Range: bytes */SIZE" for a range past the end.
#pragma once

#include <httplib.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace orv::http {

// True when every range the request names starts inside a file of `size`
// bytes (httplib writes nonsense for one that does not).
bool RangesSatisfiable(const httplib::Ranges& ranges, std::uint64_t size);

// Answers the request with the file at `path`; false (and nothing set) when
// it cannot be opened or is not a regular file.
bool SendFile(const httplib::Request& request, httplib::Response& response, const std::string& path,
              std::string_view contentType);

}  // namespace orv::http
