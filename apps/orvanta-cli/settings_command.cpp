#include <cstdio>

#include "commands.h"

namespace orv::cli {

int RunSettingsCommand(const std::vector<std::string>& /*args*/) {
  std::fputs("orvanta-cli: settings is not available yet\n", stderr);
  return kExitUsage;
}

}  // namespace orv::cli
