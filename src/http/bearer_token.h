// The service's secret: read from a file that only its owner may read, and
// compared in constant time with what a request brings.
#pragma once

#include <string>
#include <string_view>

namespace orv::http {

// The token in `path` (surrounding blanks and line ends dropped). False with
// a message when the file cannot be read, is empty, or is readable or
// writable by its group or others.
bool LoadBearerToken(const std::string& path, std::string& token, std::string& error);

// True when `authorization` is "Bearer " followed by exactly `token`; the
// time taken does not depend on where they differ.
bool BearerTokenMatches(std::string_view authorization, std::string_view token);

}  // namespace orv::http
