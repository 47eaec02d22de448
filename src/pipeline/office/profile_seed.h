// LibreOffice registers its bundled extensions in a new profile and then
// restarts itself, which costs about a second on every start with a fresh
// private profile. The registration made by the first start is kept in the
// user's cache folder and planted in each new profile, so that later starts
// skip the restart. Nothing else of a profile is kept: no document ever
// opened leaves a trace in the seed.
#pragma once

#include <string>

namespace orv::office {

// The seed folder for the LibreOffice under `officeRoot`, named after its
// version file; empty when there is no cache folder or no version file.
std::string ExtensionSeedFolder(const std::string& officeRoot);

// Copies the seed into `profile`/user/extensions, when there is one.
void PlantExtensionSeed(const std::string& seed, const std::string& profile);

// Keeps the registration of `profile` as the seed when there is none yet and
// the registration is complete. A concurrent run that kept one first wins.
void KeepExtensionSeed(const std::string& seed, const std::string& profile);

}  // namespace orv::office
