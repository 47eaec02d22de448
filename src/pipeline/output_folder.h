// The output folder, made and tried before a batch exports anything: a
// folder that cannot take the movies is said once, with the system's reason,
// instead of failing every presentation after its export.
#pragma once

#include <string>

namespace orv {

// Makes `folder` (and its parents) and checks that this user may write in
// it. False with the reason ("Permission denied", "Not a directory").
bool PrepareOutputFolder(const std::string& folder, std::string& reason);

}  // namespace orv
