#include <cstdio>

#include "commands.h"

namespace orv::cli {

int RunConvertCommand(const std::vector<std::string>& /*args*/) {
  std::fputs("orvanta-cli: convert is not available yet\n", stderr);
  return kExitUsage;
}

}  // namespace orv::cli
