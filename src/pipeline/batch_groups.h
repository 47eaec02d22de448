// Which entries of a batch may be converted side by side. Entries whose
// outputs would share a name stay together, in the order given, so that a
// parallel run leaves the same files as a serial one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "movie/conversion_settings.h"

namespace orv {

// Groups of indexes into `sources`, each group in the given order, the groups
// ordered by their first entry. Everything is one group when the names
// cannot be known before converting (split movies named after slide titles)
// or when every entry writes the same file (autorun.inf).
std::vector<std::vector<std::size_t>> GroupBySharedOutputs(const std::vector<std::string>& sources,
                                                           const ConversionSettings& settings);

// The same when each source writes into a folder of its own (`folders`, one
// per source, as the source tree is kept under the output folder): names
// clash only within one folder.
std::vector<std::vector<std::size_t>> GroupBySharedOutputs(const std::vector<std::string>& sources,
                                                           const std::vector<std::string>& folders,
                                                           const ConversionSettings& settings);

// Puts the groups in decreasing order of the bytes of their sources
// (`sizes`, one per source), keeping the given order among equals: started
// first, the longest work does not leave one worker busy at the end while
// the others idle.
void OrderLargestFirst(std::vector<std::vector<std::size_t>>& groups, const std::vector<std::uintmax_t>& sizes);

// The bytes of each source: its size for a file, 0 for a folder of pictures
// or what cannot be read.
std::vector<std::uintmax_t> SourceSizes(const std::vector<std::string>& sources);

}  // namespace orv
