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
    Switch{"--scorm", "GenScorm", 1},
    Switch{"--no-scorm", "GenScorm", 0},
    Switch{"--video", "GenVideo", 1},
    Switch{"--no-video", "GenVideo", 0},
    Switch{"--index", "GenIndex", 1},
    Switch{"--no-index", "GenIndex", 0},
    Switch{"--align", "Align", 1},
    Switch{"--no-align", "Align", 0},
    Switch{"--scale", "Scale", 1},
    Switch{"--no-scale", "Scale", 0},
    Switch{"--no-print", "NoPrint", 1},
    Switch{"--print", "NoPrint", 0},
    Switch{"--sharp", "SharpFont", 1},
    Switch{"--no-sharp", "SharpFont", 0},
};

// An option with a value, checked like the options pages check it.
struct Valued {
  std::string_view option;
  std::string_view field;
  std::string_view value = "N";  // as the help shows it
};

constexpr std::array kValued = {
    Valued{"--width", "Width"},
    Valued{"--height", "Height"},
    Valued{"--quality", "JpgQlt"},
    Valued{"--delay", "Delay"},
    Valued{"--time-limit", "TimeLimit"},
    Valued{"--scorm-completion", "ScormCompletion"},
    Valued{"--video-format", "VideoFormat", "mp4|webm"},
    Valued{"--video-height", "VideoHeight", "720|1080|2160"},
};

}  // namespace

const HelpText kConvertUsage = {
    // English
    "Usage: orvanta-cli convert [OPTIONS] FILE...\n"
    "\n"
    "Converts each FILE, in the order given, into a Flash movie and a web page in\n"
    "the output folder. A FILE is a presentation (.ppt, .pps, .pptx, .ppsx, .odp),\n"
    "which needs LibreOffice, a folder of presentations (each is converted), or a\n"
    "folder of slide pictures (Slide1.bmp, Slide2.bmp, ... or .jpg), which does not\n"
    "need LibreOffice. The stored options (orvanta-cli settings) are the defaults;\n"
    "these options override them for this run only.\n"
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
    "  --scorm / --no-scorm    a / no SCORM 1.2 package of each presentation's HTML5\n"
    "                          version for learning platforms, NAME-scorm.zip (off)\n"
    "  --scorm-completion N    the share of a lesson's slides, in per cent (1 to 100),\n"
    "                          that a learner must have seen for it to be completed (100)\n"
    "  --video / --no-video    a / no video of each presentation, NAME.mp4 or\n"
    "                          NAME.webm, with a chapter per slide in it and in\n"
    "                          NAME.chapters.vtt (off)\n"
    "  --video-format mp4|webm the video's format: H.264 in MP4 or VP9 in WebM (mp4)\n"
    "  --video-height 720|1080|2160\n"
    "                          the video's height in pixels; the width follows the\n"
    "                          slides' aspect ratio (1080)\n"
    "  --index / --no-index    an / no index.html in each output folder that lists\n"
    "                          every presentation in it, earlier runs' too, with a\n"
    "                          thumbnail of its first slide, NAME-thumb.jpg (on)\n"
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
    "  --recursive             a folder's subfolders too, their tree kept under the\n"
    "                          output folder (the folder given is the source root)\n"
    "  --source-root DIR       keep the folders: DIR/a/x.ppt goes to OUTPUT/a/x.swf\n"
    "  --report FILE           append one JSON line per file (JSON Lines)\n"
    "  --resume                skip the files FILE records as converted and unchanged\n"
    "  --shard K/N             convert only slice K of N of the list (1-based);\n"
    "                          auto/N: K is the task's index + 1, from\n"
    "                          JOB_COMPLETION_INDEX (a Kubernetes Indexed Job) or\n"
    "                          SLURM_ARRAY_TASK_ID (a Slurm array numbered from 0)\n"
    "LibreOffice:\n"
    "  --time-limit N          seconds LibreOffice may spend on one presentation,\n"
    "                          0 for no limit (300); then it is ended and the next\n"
    "                          presentation starts on a fresh one\n"
    "\n"
    "Every --X has its --no-X (or the pair shown). Ctrl-C or Esc cancels the\n"
    "presentation being converted (with --jobs, Ctrl-C cancels every one being\n"
    "converted); the next one goes on. A second Ctrl-C within 3 s stops the whole\n"
    "batch. A batch of more than one file ends with a summary on standard error.\n"
    "Exit status: 0 every file converted (or skipped by --resume); 1 the list was\n"
    "gone through and some files failed or were cancelled (the report names them);\n"
    "2 bad usage; 75 the run could not go through its list (LibreOffice did not\n"
    "start, the output folder or the report cannot be written): a retry may\n"
    "succeed; 130, 143, 129 after two Ctrl-C, SIGTERM, SIGHUP.\n",
    // Chinese
    "用法：orvanta-cli convert [OPTIONS] FILE...\n"
    "\n"
    "按给出的顺序，把每个 FILE 转换成一个 Flash 影片和一个网页，放在输出目录中。\n"
    "FILE 可以是演示文稿（.ppt、.pps、.pptx、.ppsx、.odp），需要 LibreOffice；\n"
    "也可以是演示文稿文件夹（其中每个都转换），或幻灯片图片文件夹（Slide1.bmp、\n"
    "Slide2.bmp……或 .jpg），后者不需要 LibreOffice。已保存的选项（orvanta-cli\n"
    "settings）是默认值，下面的选项只在本次运行中覆盖它们。\n"
    "\n"
    "画面与图片：\n"
    "  --width N, --height N   画面大小（像素），16 到 2048（640 x 480）\n"
    "  --quality N             JPEG 质量，0 到 100（90）\n"
    "  --no-sharp / --sharp    把导出的幻灯片缩放到画面中 / 按画面大小渲染幻灯片\n"
    "播放：\n"
    "  --show-nav / --hide-nav 显示或隐藏导航面板（隐藏）\n"
    "  --autostart             以自动播放开始\n"
    "  --loop                  从最后一张幻灯片回到第一张\n"
    "  --no-fade / --fade      切换幻灯片时不渐隐 / 渐隐（开）\n"
    "  --fixed-delay           每张幻灯片都播放 --delay 秒\n"
    "  --slide-timings         每张幻灯片沿用演示文稿中的时间（默认）\n"
    "  --delay N               固定间隔的秒数，0 到 9999（3）\n"
    "  --align                 内容对齐到播放器的左上角\n"
    "  --scale                 内容随播放器窗口缩放\n"
    "  --no-print              不显示播放器的右键菜单（也就不能打印）\n"
    "幻灯片：\n"
    "  --notes                 把讲解者注释作为附加的幻灯片\n"
    "  --help-slide            在开头插入一页导航帮助（仅在隐藏导航面板时）\n"
    "  --blank-end             在末尾插入一张空白幻灯片\n"
    "  --split                 每张幻灯片一个影片\n"
    "  --titles / --no-titles  与 --split 一起使用时，以幻灯片标题命名影片（开）\n"
    "输出：\n"
    "  --output-dir DIR        影片和网页的存放位置（已保存的目录）\n"
    "  --no-html / --html      不生成网页 / 每个影片一个网页（开）\n"
    "  --autorun               生成一个打开网页的 autorun.inf（需要网页）\n"
    "  --no-web-player         网页不带随附的 Flash 播放器模拟器\n"
    "                          （默认每个网页从旁边的 ruffle/ 载入它）\n"
    "  --web-player-url URL    网页从 URL/ruffle.js 载入一个共用的播放器，不再\n"
    "                          复制 ruffle/；URL 可以相对于网页\n"
    "                          （\"\"：网页旁边的一份副本，即默认值）\n"
    "  --no-html5 / --html5    不生成 / 为每个影片生成一个独立的 HTML5 版本\n"
    "                          NAME-html5.html，可直接从文件播放（开）\n"
    "  --scorm / --no-scorm    生成 / 不生成每个演示文稿 HTML5 版本的 SCORM 1.2\n"
    "                          课件包 NAME-scorm.zip，供学习平台使用（关）\n"
    "  --scorm-completion N    学员看过课件中百分之几的幻灯片（1 到 100）后课件算作完成\n"
    "                          （100）\n"
    "  --video / --no-video    生成 / 不生成每个演示文稿的视频 NAME.mp4 或\n"
    "                          NAME.webm，每张幻灯片一个章节，章节也写入\n"
    "                          NAME.chapters.vtt（关）\n"
    "  --video-format mp4|webm 视频格式：MP4 中的 H.264 或 WebM 中的 VP9（mp4）\n"
    "  --video-height 720|1080|2160\n"
    "                          视频高度（像素），宽度随幻灯片的宽高比（1080）\n"
    "  --index / --no-index    在 / 不在每个输出目录生成 index.html，列出其中的\n"
    "                          全部演示文稿（包括以前转换的），附第一张幻灯片的\n"
    "                          缩略图 NAME-thumb.jpg（开）\n"
    "  --store PATH            使用另一个设置文件\n"
    "  --verbose, -v           在每条消息后给出背后的原因（图片解码器或\n"
    "                          LibreOffice 的错误，以及相关路径）\n"
    "  --quiet, -q             只显示消息和最后的汇总\n"
    "  --jobs N                同时转换 N 个文件，每个使用自己的 LibreOffice\n"
    "                          （1）；0 表示每个处理器核心一个。最大的文件最先\n"
    "                          开始；文件少于 N 个时，多出的 LibreOffice 分担\n"
    "                          每个文件的幻灯片\n"
    "大量文件，多台机器：\n"
    "  --files-from FILE       同时转换 FILE 中列出的路径，每行一个\n"
    "                          （- 表示标准输入；跳过空行和以 # 开头的行）\n"
    "  --null                  列表中的路径以 NUL 结尾（find -print0）\n"
    "  --recursive             文件夹的子文件夹也转换，在输出目录中保留其目录结构\n"
    "                          （给出的文件夹即源根目录）\n"
    "  --source-root DIR       保留目录结构：DIR/a/x.ppt 输出到 OUTPUT/a/x.swf\n"
    "  --report FILE           每个文件在 FILE 末尾追加一行 JSON（JSON Lines）\n"
    "  --resume                跳过 FILE 中记录为已转换且未改动的文件\n"
    "  --shard K/N             只转换列表分成 N 份后的第 K 份（从 1 数起）；\n"
    "                          auto/N：K 为任务编号加 1，取自\n"
    "                          JOB_COMPLETION_INDEX（Kubernetes Indexed Job）或\n"
    "                          SLURM_ARRAY_TASK_ID（从 0 编号的 Slurm 作业数组）\n"
    "LibreOffice：\n"
    "  --time-limit N          LibreOffice 处理一个演示文稿最多可用的秒数，0 表示\n"
    "                          不限（300）；超时后结束它，下一个演示文稿在新启动\n"
    "                          的 LibreOffice 上开始\n"
    "\n"
    "每个 --X 都有对应的 --no-X（或上面列出的成对选项）。Ctrl-C 或 Esc 取消正在\n"
    "转换的演示文稿（使用 --jobs 时，Ctrl-C 取消所有正在转换的演示文稿），下一个\n"
    "照常继续。3 秒内再按一次 Ctrl-C 则停止整批转换。多于一个文件的一批转换结束\n"
    "时，在标准错误上输出一份汇总。\n"
    "退出状态：全部文件转换成功（或被 --resume 跳过）为 0；列表已处理完，但有文件\n"
    "失败或被取消为 1（报告中列出了它们）；用法错误为 2；无法处理完列表（LibreOffice\n"
    "无法启动，输出目录或报告无法写入）为 75，重试可能成功；两次 Ctrl-C、SIGTERM、\n"
    "SIGHUP 之后分别为 130、143、129。\n",
};

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
  if (name == "--null" || name == "--resume" || name == "--recursive") {
    if (inlineValue) {
      error = name + " takes no value";
      return false;
    }
    (name == "--null" ? options.nullSeparated : name == "--resume" ? options.resume : options.recursive) = true;
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
    if (v.field == setting.field) add(std::string(v.option) + " " + std::string(v.value));
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
