// The options of `orvanta-cli serve`; every limit has a flag and a default.
#pragma once

#include <string>
#include <vector>

#include "help_text.h"
#include "http/conversion_service.h"

namespace orv::cli {

struct ServeOptions {
  http::ServiceConfig config;
  std::string tokenFile;
  bool help = false;
  bool timeLimitGiven = false;
};

// Defaults: 127.0.0.1:8470, one worker per core (at most 64), a queue of 4
// per worker, 100 MB uploads, 25 presentations per LibreOffice, 1024 MB per
// worker with its LibreOffice. False with a one-line message.
bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions& options, std::string& error);

// "HOST:PORT", "[V6]:PORT" or ":PORT"; false when it is neither.
bool ParseListenAddress(const std::string& text, std::string& host, int& port);

// The help of `orvanta-cli serve`.
extern const HelpText kServeUsage;

}  // namespace orv::cli
