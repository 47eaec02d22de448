// orvanta-cli: the conversion without windows, for scripts and servers.
#include <cstdio>
#include <string>
#include <vector>

#include "base/version.h"
#include "commands.h"

namespace {

constexpr char kUsage[] =
    "Usage: orvanta-cli COMMAND [ARGS]\n"
    "\n"
    "Turns presentations into Flash movies that play on their own.\n"
    "\n"
    "Commands:\n"
    "  convert [OPTIONS] FILE...   convert presentations or folders of slide pictures\n"
    "  settings list               show every stored option with its value\n"
    "  settings get NAME           show one stored option\n"
    "  settings set NAME VALUE     store an option\n"
    "  settings reset              forget every stored option (defaults apply)\n"
    "  settings path               show the file the options are kept in\n"
    "  preview [--port N] [--no-browser] PATH\n"
    "                              serve a page, movie or output folder on 127.0.0.1\n"
    "                              and open it in the browser, where it plays\n"
    "  serve [OPTIONS]             convert over HTTP with LibreOffice kept running\n"
    "\n"
    "Run 'orvanta-cli COMMAND --help' for the options of a command.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return orv::cli::kExitUsage;
  }
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return orv::cli::kExitOk;
  }
  if (command == "--version") {
    std::printf("orvanta-cli %s\n", orv::kVersion);
    return orv::cli::kExitOk;
  }
  if (command == "convert") return orv::cli::RunConvertCommand(args);
  if (command == "settings") return orv::cli::RunSettingsCommand(args);
  if (command == "preview") return orv::cli::RunPreviewCommand(args);
  if (command == "serve") return orv::cli::RunServeCommand(args);
  std::fprintf(stderr, "orvanta-cli: unknown command '%s'\n\n%s", command.c_str(), kUsage);
  return orv::cli::kExitUsage;
}
