// The options of `orvanta-cli convert`: each one overrides a stored value for
// this run only, before the record's forcing rules apply.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "help_text.h"
#include "settings/settings_store.h"

namespace orv::cli {

struct ConvertOptions {
  SettingOverrides overrides;  // stored value name -> value
  std::string outputDir;       // empty: the stored output folder
  std::string storePath;       // empty: the per-user store
  // --web-player-url, checked; unset: the stored "WebPlayerUrl".
  std::optional<std::string> webPlayerUrl;
  std::vector<std::string> files;  // in the order given
  bool help = false;
  bool verbose = false;  // the reason behind each message on standard error
  bool quiet = false;    // only the messages and the closing summary
  int jobs = 1;          // entries converted at once; 0: one per core
  // Set in a worker process of a parallel run: the pipe that takes its
  // events; the entries come on standard input.
  int workerFd = -1;
  // More LibreOffices that share the slides of each presentation: what the
  // parent gives a worker of the LibreOffices it has no file for.
  int slideWorkers = 0;
  // For the workers of the conversion service: LibreOffice started before
  // the first entry, and a fresh one after this many presentations.
  bool warm = false;
  int officeRestart = 0;  // 0: the batch's interval
  // A batch beyond one machine: the list from a file, one slice of it, the
  // folder tree kept under the output folder, a line per entry, and a run
  // that skips what an earlier one converted.
  std::string filesFrom;  // --files-from: a list file, "-" for standard input
  bool nullSeparated = false;
  std::string sourceRoot;  // --source-root
  bool recursive = false;  // --recursive: a folder's subfolders too
  std::string reportPath;  // --report
  bool resume = false;
  std::string shard;  // --shard, as given
  // Every option as given, with its value, except those the parent run alone
  // acts on (--jobs, the list, the report, the shard): what a worker of a
  // parallel run is started with.
  std::vector<std::string> optionArgs;
};

inline constexpr int kMaxJobs = 64;

// Parses the arguments after "convert". On a usage error returns false with
// `error` set to a one-line explanation.
bool ParseConvertOptions(const std::vector<std::string>& args, ConvertOptions& options, std::string& error);

// Sets the record's text values given as options (the integers come in
// through `overrides`).
void ApplyTextOptions(const ConvertOptions& options, ConversionSettings& settings);

// The convert options that set `setting`, "--show-nav / --hide-nav",
// "--quality N"; empty for a value no option sets.
std::string OptionsSetting(const SettingInfo& setting);

// The help of `orvanta-cli convert`.
extern const HelpText kConvertUsage;

}  // namespace orv::cli
