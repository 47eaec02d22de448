// orvanta-cli serve: the conversion service, until SIGTERM or Ctrl-C.
#include <pthread.h>
#include <signal.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "commands.h"
#include "help_text.h"
#include "http/bearer_token.h"
#include "http/conversion_service.h"
#include "program_paths.h"
#include "serve_options.h"
#include "settings/settings_store.h"
#include "settings/settings_values.h"

namespace orv::cli {
namespace {

// "LibreOffice 7.4.7.2 40(Build:2)", as `soffice --version` says it.
std::string OfficeVersion() {
  std::FILE* pipe = ::popen("soffice --version 2>/dev/null", "r");
  if (pipe == nullptr) return "unknown";
  std::array<char, 256> line{};
  std::string text = std::fgets(line.data(), line.size(), pipe) != nullptr ? line.data() : "";
  ::pclose(pipe);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text.empty() ? "unknown" : text;
}

}  // namespace

int RunServeCommand(const std::vector<std::string>& args) {
  ServeOptions options;
  std::string error;
  if (!ParseServeOptions(args, options, error)) {
    std::fprintf(stderr, "Orvanta: %s\n%s", error.c_str(), HelpHint("serve").c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(ServeUsage().c_str(), stdout);
    return kExitOk;
  }
  http::ServiceConfig& config = options.config;
  if (!http::IsLoopbackAddress(config.host) && options.tokenFile.empty()) {
    std::fprintf(stderr,
                 "Orvanta: listening on %s, beyond this machine, needs --token-file: every request "
                 "would otherwise be answered\n",
                 config.host.c_str());
    return kExitUsage;
  }
  if (!options.tokenFile.empty() && !http::LoadBearerToken(options.tokenFile, config.token, error)) {
    std::fprintf(stderr, "Orvanta: %s\n", error.c_str());
    return kExitUsage;
  }
  if (!options.timeLimitGiven) {
    const SettingsStore store = config.storePath.empty() ? SettingsStore() : SettingsStore(config.storePath);
    config.timeLimit = store.GetInt("TimeLimit", FindSetting("TimeLimit")->defaultValue);
  }
  config.program = ThisProgram();
  config.officeVersion = OfficeVersion();

  // SIGINT and SIGTERM go to one waiting thread, which stops the service.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  http::ConversionService service(config);
  if (!service.Start(error)) {
    std::fprintf(stderr, "Orvanta: %s\n", error.c_str());
    return kExitFailed;
  }
  std::printf("Serving conversions at http://%s:%d/v1/convert with %zu worker(s)\n",
              config.host.find(':') != std::string::npos ? ("[" + config.host + "]").c_str() : config.host.c_str(),
              service.port(), config.workers);
  std::fflush(stdout);
  std::thread waiter([&service, &stopSignals] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (signal != 0) service.Stop();
  });
  service.Serve();
  // Wakes the waiter when the service ended on its own.
  pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
  return kExitOk;
}

}  // namespace orv::cli
