// What runs that were killed in the middle of a write leave in an output
// folder: hidden temporary files and folders named after their owner
// (base/owner_tag.h). A run removes those whose owner, on this host, is gone.
#pragma once

#include <string>

namespace orv {

// Removes from `folder` (not below it) the hidden leftovers of processes of
// this host that no longer run. Everything else, the leftovers of live runs
// and of other hosts included, stays. Nothing is reported; what cannot be
// removed stays for a later run.
void SweepLeftovers(const std::string& folder);

}  // namespace orv
