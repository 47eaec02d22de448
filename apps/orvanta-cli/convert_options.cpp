#include "convert_options.h"

#include <array>
#include <string_view>

#include "settings/settings_values.h"

namespace orv::cli {
namespace {

// A switch sets one stored value to a fixed number.
struct Switch {
  std::string_view option;
  std::string_view field;  // ConversionSettings field; FindSetting maps it to the stored name
  std::int32_t value;
};

constexpr std::array kSwitches = {
    Switch{"--split", "SplitPPT", 1},
    Switch{"--no-split", "SplitPPT", 0},
    Switch{"--titles", "UseTitle", 1},
    Switch{"--no-titles", "UseTitle", 0},
    Switch{"--notes", "Notes", 1},
    Switch{"--no-notes", "Notes", 0},
    Switch{"--help-slide", "InsHelp", 1},
    Switch{"--no-help-slide", "InsHelp", 0},
    Switch{"--blank-end", "BlankEnd", 1},
    Switch{"--no-blank-end", "BlankEnd", 0},
    Switch{"--show-nav", "ShowNav", 0},
    Switch{"--hide-nav", "ShowNav", 1},
    Switch{"--autostart", "AutoStart", 1},
    Switch{"--no-autostart", "AutoStart", 0},
    Switch{"--loop", "Loop", 1},
    Switch{"--no-loop", "Loop", 0},
    Switch{"--fade", "Fade", 1},
    Switch{"--no-fade", "Fade", 0},
    Switch{"--fixed-delay", "UsePptTime", 1},
    Switch{"--slide-timings", "UsePptTime", 0},
    Switch{"--html", "GenHTML", 1},
    Switch{"--no-html", "GenHTML", 0},
    Switch{"--autorun", "GenAutorun", 1},
    Switch{"--no-autorun", "GenAutorun", 0},
    Switch{"--web-player", "WebPlayer", 1},
    Switch{"--no-web-player", "WebPlayer", 0},
    Switch{"--html5", "GenHTML5", 1},
    Switch{"--no-html5", "GenHTML5", 0},
    Switch{"--align", "Align", 1},
    Switch{"--no-align", "Align", 0},
    Switch{"--scale", "Scale", 1},
    Switch{"--no-scale", "Scale", 0},
    Switch{"--no-print", "NoPrint", 1},
    Switch{"--print", "NoPrint", 0},
    Switch{"--sharp", "SharpFont", 1},
    Switch{"--no-sharp", "SharpFont", 0},
};

// An option with a number, checked like the options pages check it.
struct Valued {
  std::string_view option;
  std::string_view field;
};

constexpr std::array kValued = {
    Valued{"--width", "Width"}, Valued{"--height", "Height"},        Valued{"--quality", "JpgQlt"},
    Valued{"--delay", "Delay"}, Valued{"--time-limit", "TimeLimit"},
};

}  // namespace

const char kConvertUsage[] =
    "Usage: orvanta-cli convert [OPTIONS] FILE...\n"
    "\n"
    "Converts each FILE, in the order given, into a Flash movie and a web page in\n"
    "the output folder. A FILE is a presentation (.ppt, .pps, .pptx, .ppsx, .odp),\n"
    "which needs LibreOffice, or a folder of slide pictures (Slide1.bmp, Slide2.bmp,\n"
    "... or .jpg), which does not. The stored options (orvanta-cli settings) are the\n"
    "defaults; these options override them for this run only.\n"
    "\n"
    "Frame and pictures:\n"
    "  --width N, --height N   frame size in pixels, 16 to 2048 (640 x 480)\n"
    "  --quality N             JPEG quality, 0 to 100 (90)\n"
    "  --no-sharp / --sharp    fit exported slides into the frame / render them at it\n"
    "Playback:\n"
    "  --show-nav / --hide-nav show or hide the navigation panel (hidden)\n"
    "  --autostart             start in automatic playback\n"
    "  --loop                  wrap from the last slide to the first\n"
    "  --no-fade / --fade      no cross-fade between slides / cross-fade (on)\n"
    "  --fixed-delay           every slide plays --delay seconds\n"
    "  --slide-timings         each slide keeps the presentation's timing (default)\n"
    "  --delay N               the fixed interval in seconds, 0 to 9999 (3)\n"
    "  --align                 align the content to the top left of the player\n"
    "  --scale                 scale the content with the player window\n"
    "  --no-print              no player context menu (and no printing)\n"
    "Slides:\n"
    "  --notes                 add the speaker notes as extra slides\n"
    "  --help-slide            a navigation help slide first (with the panel hidden)\n"
    "  --blank-end             an empty slide at the end\n"
    "  --split                 one movie per slide\n"
    "  --titles / --no-titles  with --split, name the movies after the slide titles (on)\n"
    "Output:\n"
    "  --output-dir DIR        where the movies and pages go (the stored folder)\n"
    "  --no-html / --html      no web page / a web page per movie (on)\n"
    "  --autorun               an autorun.inf that opens the page (needs the page)\n"
    "  --no-web-player         pages without the bundled Flash player emulator\n"
    "                          (by default each page loads it from ruffle/ beside it)\n"
    "  --web-player-url URL    pages load one shared player from URL/ruffle.js and\n"
    "                          no ruffle/ is copied; URL may be relative to the\n"
    "                          pages (\"\": a copy beside them, the default)\n"
    "  --no-html5 / --html5    no / a self-contained HTML5 copy of each movie,\n"
    "                          NAME-html5.html, that plays from a file (on)\n"
    "  --store PATH            use another settings file\n"
    "  --verbose, -v           after each message, the reason behind it (the\n"
    "                          picture decoder's or LibreOffice's error, the paths)\n"
    "  --quiet, -q             only the messages and the closing summary\n"
    "  --jobs N                convert N files at once, each with its own LibreOffice\n"
    "                          (1); 0 means one per processor core. The largest\n"
    "                          files start first; with fewer files than N, the\n"
    "                          spare LibreOffices share the slides of each file\n"
    "Many files, many machines:\n"
    "  --files-from FILE       also convert the paths listed in FILE, one per line\n"
    "                          (- for standard input; blank lines and # lines skipped)\n"
    "  --null                  the list's paths end with a NUL (find -print0)\n"
    "  --source-root DIR       keep the folders: DIR/a/x.ppt goes to OUTPUT/a/x.swf\n"
    "  --report FILE           append one JSON line per file (JSON Lines)\n"
    "  --resume                skip the files FILE records as converted and unchanged\n"
    "  --shard K/N             convert only slice K of N of the list (1-based);\n"
    "                          auto: from a Slurm job array; auto/N: K from\n"
    "                          JOB_COMPLETION_INDEX (a Kubernetes Indexed Job)\n"
    "LibreOffice:\n"
    "  --time-limit N          seconds LibreOffice may spend on one presentation,\n"
    "                          0 for no limit (300); then it is ended and the next\n"
    "                          presentation starts on a fresh one\n"
    "\n"
    "Every --X has its --no-X (or the pair shown). Ctrl-C or Esc cancels the\n"
    "presentation being converted (with --jobs, Ctrl-C cancels every one being\n"
    "converted); the next one goes on. A second Ctrl-C within 3 s stops the whole\n"
    "batch. A batch of more than one file ends with a summary on standard error.\n"
    "Exit status: 0 when every file converted, 1 when any failed, was skipped or\n"
    "was cancelled, 2 for bad usage.\n";

namespace {

// A whole number from low to high, nothing else.
bool ParseCount(const std::string& text, int low, int high, int& out) {
  if (text.empty() || text.size() > 4) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < low || value > high) return false;
  out = value;
  return true;
}

bool ParseOption(const std::vector<std::string>& args, std::size_t& i, ConvertOptions& options, std::string& error);

// The options a worker is started with: all but those of the parent's own
// work (how many workers, where the list comes from, the report, the shard).
bool IsForWorkers(const std::string& arg) {
  for (const std::string_view parentOnly :
       {"--jobs", "--worker-fd", "--slide-workers", "--files-from", "--null", "--report", "--resume", "--shard"}) {
    if (arg == parentOnly ||
        (arg.starts_with(parentOnly) && arg.size() > parentOnly.size() && arg[parentOnly.size()] == '=')) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParseConvertOptions(const std::vector<std::string>& args, ConvertOptions& options, std::string& error) {
  bool onlyFiles = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
      options.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyFiles = true;
      continue;
    }
    const std::size_t first = i;
    if (!ParseOption(args, i, options, error)) return false;
    if (IsForWorkers(arg))
      options.optionArgs.insert(options.optionArgs.end(), args.begin() + first, args.begin() + i + 1);
  }
  if (options.resume && options.reportPath.empty()) {
    error = "--resume needs --report FILE";
    return false;
  }
  return true;
}

namespace {

bool MatchSwitch(const std::string& name, ConvertOptions& options) {
  for (const Switch& s : kSwitches) {
    if (name == s.option) {
      options.overrides[std::string(FindSetting(s.field)->name)] = s.value;
      return true;
    }
  }
  return false;
}

// False with `error` set when the value does not pass the options pages' check.
bool SetValued(const Valued& valued, const std::string& name, const std::string& value, ConvertOptions& options,
               std::string& error) {
  const SettingInfo* setting = FindSetting(valued.field);
  SettingCheckResult checked = ValidateSettingValue(*setting, value);
  if (!checked.value) {
    error = name + ": " + checked.message;
    return false;
  }
  options.overrides[std::string(setting->name)] = checked.value->number;
  return true;
}

const Valued* FindValued(const std::string& name) {
  for (const Valued& v : kValued) {
    if (name == v.option) return &v;
  }
  return nullptr;
}

bool ParseOption(const std::vector<std::string>& args, std::size_t& i, ConvertOptions& options, std::string& error) {
  const std::string& arg = args[i];
  if (arg == "--help" || arg == "-h") {
    options.help = true;
    return true;
  }
  if (arg == "--verbose" || arg == "-v") {
    options.verbose = true;
    return true;
  }
  if (arg == "--quiet" || arg == "-q") {
    options.quiet = true;
    return true;
  }
  // "--width=800" and "--width 800" alike.
  std::string name = arg;
  std::string value;
  bool inlineValue = false;
  if (auto eq = arg.find('='); eq != std::string::npos) {
    name = arg.substr(0, eq);
    value = arg.substr(eq + 1);
    inlineValue = true;
  }
  if (!inlineValue && MatchSwitch(name, options)) return true;
  auto takeValue = [&]() -> bool {
    if (inlineValue) return true;
    if (i + 1 >= args.size()) {
      error = name + " needs a value";
      return false;
    }
    value = args[++i];
    return true;
  };
  if (const Valued* valued = FindValued(name)) return takeValue() && SetValued(*valued, name, value, options, error);
  if (name == "--output-dir" || name == "--store") {
    if (!takeValue()) return false;
    if (value.empty()) {
      error = name + " needs a value";
      return false;
    }
    (name == "--output-dir" ? options.outputDir : options.storePath) = value;
    return true;
  }
  if (name == "--web-player-url") {
    if (!takeValue()) return false;
    SettingCheckResult checked = ValidateSettingValue(*FindSetting("WebPlayerUrl"), value);
    if (!checked.value) {
      error = name + ": " + checked.message;
      return false;
    }
    options.webPlayerUrl = checked.value->text;
    return true;
  }
  if (name == "--null" || name == "--resume") {
    if (inlineValue) {
      error = name + " takes no value";
      return false;
    }
    (name == "--null" ? options.nullSeparated : options.resume) = true;
    return true;
  }
  if (name == "--files-from" || name == "--source-root" || name == "--report" || name == "--shard") {
    if (!takeValue()) return false;
    if (value.empty()) {
      error = name + " needs a value";
      return false;
    }
    if (name == "--files-from") options.filesFrom = value;
    if (name == "--source-root") options.sourceRoot = value;
    if (name == "--report") options.reportPath = value;
    if (name == "--shard") options.shard = value;
    return true;
  }
  if (name == "--jobs" || name == "--slide-workers") {
    if (!takeValue()) return false;
    if (!ParseCount(value, 0, kMaxJobs, name == "--jobs" ? options.jobs : options.slideWorkers)) {
      error = name + ": a number from 0 to " + std::to_string(kMaxJobs) + " is needed";
      return false;
    }
    return true;
  }
  if (name == "--warm") {
    options.warm = true;
    return true;
  }
  if (name == "--office-restart") {
    if (!takeValue()) return false;
    if (!ParseCount(value, 1, 9999, options.officeRestart)) {
      error = "--office-restart: a number from 1 to 9999 is needed";
      return false;
    }
    return true;
  }
  if (name == "--worker-fd") {
    if (!takeValue()) return false;
    if (!ParseCount(value, 3, 9999, options.workerFd)) {
      error = "--worker-fd: a descriptor number is needed";
      return false;
    }
    return true;
  }
  error = "unknown option " + name;
  return false;
}

}  // namespace

std::string OptionsSetting(const SettingInfo& setting) {
  std::string options;
  auto add = [&options](std::string_view option) {
    if (!options.empty()) options += " / ";
    options += option;
  };
  for (const Switch& s : kSwitches) {
    if (s.field == setting.field) add(s.option);
  }
  for (const Valued& v : kValued) {
    if (v.field == setting.field) add(std::string(v.option) + " N");
  }
  if (setting.field == "OutputFolder") add("--output-dir DIR");
  if (setting.field == "WebPlayerUrl") add("--web-player-url URL");
  if (setting.field == "Language") add("--language auto|zh|en");
  return options;
}

void ApplyTextOptions(const ConvertOptions& options, ConversionSettings& settings) {
  if (options.webPlayerUrl) settings.WebPlayerUrl = *options.webPlayerUrl;
}

}  // namespace orv::cli
