// orvanta-cli run through the shell by the settings and help tests, its
// standard output and error caught in files of a scratch folder.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/files.h"

namespace orv::test {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string CliPath() { return std::string(ORVANTA_BINARY_DIR) + "/apps/orvanta-cli"; }

// Runs `command` (the program and its first words, quoted for the shell)
// with `args` quoted after it; no argument may hold a single quote.
inline CliRun RunCliInShell(std::string command, const std::vector<std::string>& args, const std::string& folder) {
  for (const auto& arg : args) command += " '" + arg + "'";
  command += " >'" + folder + "/out' 2>'" + folder + "/err'";
  CliRun run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadFile(folder + "/out");
  run.err = ReadFile(folder + "/err");
  return run;
}

}  // namespace orv::test
