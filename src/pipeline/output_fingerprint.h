// A short text that changes whenever a value that changes what a conversion
// writes changes: --resume converts an entry again when its outputs were made
// with other values. Values that touch no output (where the output folder
// opens, the time limit, the number of workers) leave it alone, and so does
// the program's language unless an output speaks it.
#pragma once

#include <string>

#include "movie/conversion_settings.h"

namespace orv {

// 16 hex digits over every such value of `settings` and the program's
// language (base/language.h) where it shows in an output.
std::string OutputFingerprint(const ConversionSettings& settings);

// The canonical text the fingerprint is taken of (one "Name=value" line per
// value), for tests and for --verbose.
std::string OutputFingerprintText(const ConversionSettings& settings);

}  // namespace orv
