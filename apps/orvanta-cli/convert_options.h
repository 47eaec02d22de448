// The options of `orvanta-cli convert`: each one overrides a stored value for
// this run only, before the record's forcing rules apply.
#pragma once

#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace orv::cli {

struct ConvertOptions {
  SettingOverrides overrides;        // stored value name -> value
  std::string outputDir;             // empty: the stored output folder
  std::string storePath;             // empty: the per-user store
  std::vector<std::string> files;    // in the order given
  bool help = false;
  bool verbose = false;              // the reason behind each message on standard error
};

// Parses the arguments after "convert". On a usage error returns false with
// `error` set to a one-line explanation.
bool ParseConvertOptions(const std::vector<std::string>& args, ConvertOptions& options, std::string& error);

extern const char kConvertUsage[];

}  // namespace orv::cli
