// Entries of one batch whose outputs would replace each other's: two decks
// with the same name in one output folder (lecture1.ppt and lecture1.pps, or
// a folder of pictures and a deck of its name). Found before anything is
// converted, from the names the entries' output plans give, so that the later
// entry is refused instead of overwriting the earlier one's files.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "movie/conversion_settings.h"

namespace orv {

// For each source (absolute), the index of the earlier source of the list
// whose files its own would replace, or nothing. `folders` holds each
// source's folder below the output folder ("" for the output folder itself).
// The same file listed twice does not clash with itself; files that several
// entries share by design (autorun.inf, the web player) do not clash; split
// movies named after slide titles are known only once converted, and are
// checked then.
std::vector<std::optional<std::size_t>> FindOutputClashes(const std::vector<std::string>& sources,
                                                          const std::vector<std::string>& folders,
                                                          const ConversionSettings& settings);

}  // namespace orv
