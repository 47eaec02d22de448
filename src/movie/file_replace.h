// Writes a whole output file so that a failure never leaves a truncated file
// in place of a good older one: the bytes go to a temporary file in the same
// folder, which is renamed over the target only once completely written.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orv {

// True when `path` now holds exactly `bytes`. On false the target is as it
// was and no temporary file is left behind.
bool ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes);
bool ReplaceFileContents(const std::string& path, std::string_view text);

}  // namespace orv
