// The options of `orvanta-cli serve`; every limit has a flag, and the help
// shows each default from the service's own (http/service_config.h).
#pragma once

#include <string>
#include <vector>

#include "help_text.h"
#include "http/service_config.h"

namespace orv::cli {

struct ServeOptions {
  http::ServiceConfig config;
  std::string tokenFile;
  bool help = false;
  bool timeLimitGiven = false;
};

// Defaults: those of ServiceConfig, with one worker per core (at most 64)
// and a queue of 4 per worker. False with a one-line message.
bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions& options, std::string& error);

// "HOST:PORT", "[V6]:PORT" or ":PORT"; false when it is neither.
bool ParseListenAddress(const std::string& text, std::string& host, int& port);

// The help of `orvanta-cli serve` in the program's language, with the defaults.
std::string ServeUsage();

}  // namespace orv::cli
