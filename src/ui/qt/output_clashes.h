// Entries of the list whose outputs would replace each other's, found before
// a batch starts, and the folder tree that keeps them apart. The finder is a
// stand-in for the output plan's own answer (same folder and same file stem);
// the windows ask only for its result.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "movie/conversion_settings.h"

namespace orv {

// Per entry, the earlier entry (in list order, top first) whose outputs the
// entry's would replace, or nothing. The same file listed twice is no clash:
// it writes the same outputs again.
std::vector<std::optional<std::size_t>> FindEntryClashes(const std::vector<std::string>& sources,
                                                         const std::vector<std::string>& outputFolders,
                                                         const ConversionSettings& settings);

// The deepest folder that holds every source ("/" at worst).
std::string CommonFolder(const std::vector<std::string>& sources);

}  // namespace orv
