// The service's secret: read from a file that only its owner may read, and
// compared in constant time with what a request brings.
#pragma once

#include <string>
#include <string_view>

namespace orv::http {

// The token in `path` (surrounding blanks and line ends dropped). False with
// a message when the file cannot be read, is empty, is writable by its group
// or others, readable by others, or readable by a group this process is not
// in (a Kubernetes Secret with fsGroup: root's, mode 0440, is fine).
bool LoadBearerToken(const std::string& path, std::string& token, std::string& error);

// True when `authorization` is the scheme "Bearer" (in any letter case),
// blanks, then exactly `token`; the time taken does not depend on where they
// differ.
bool BearerTokenMatches(std::string_view authorization, std::string_view token);

}  // namespace orv::http
