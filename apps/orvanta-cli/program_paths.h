// Paths the commands need of themselves and of their arguments.
#pragma once

#include <string>

namespace orv::cli {

// `path` made absolute against the current folder and normalised, without
// following links; as given when that fails.
std::string AbsolutePath(const std::string& path);

// The running program's own file, for starting it again as a worker; empty
// when it cannot be told.
std::string ThisProgram();

}  // namespace orv::cli
