// The id that ties a request's answer to its lines in the log
// (X-Request-Id): the client's own when it is sane, else a fresh one.
#pragma once

#include <string>
#include <string_view>

namespace orv::http {

// 1 to 64 characters of letters, digits, "-", "_", ".", ":" and "/" (what
// proxies and tracing systems send); nothing that could break a log line.
bool IsSaneRequestId(std::string_view id);

// 32 random hexadecimal digits.
std::string NewRequestId();

// The request path of a target: up to "?" or "#", "%XX" decoded (a "%" not
// followed by two hexadecimal digits stays as it is).
std::string DecodeTargetPath(std::string_view target);

}  // namespace orv::http
