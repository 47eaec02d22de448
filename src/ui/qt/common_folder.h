// The folder a list's sources share: where the desktop's outputs keep the
// sources' folder tree from, as --source-root does in the command line.
#pragma once

#include <string>
#include <vector>

namespace orv {

// The deepest folder that holds every source ("/" at worst).
std::string CommonFolder(const std::vector<std::string>& sources);

}  // namespace orv
