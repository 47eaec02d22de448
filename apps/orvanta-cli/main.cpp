// orvanta-cli: the conversion without windows, for scripts and servers.
#include <cstdio>
#include <string>
#include <vector>

#include "base/language.h"
#include "base/version.h"
#include "commands.h"
#include "help_text.h"
#include "settings/settings_store.h"

namespace {

constexpr orv::cli::HelpText kUsage = {
    // English
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
    "  report REPORT...            what became of every source of one or more\n"
    "                              --report files (runs, shards): the latest of each\n"
    "\n"
    "Options for every command:\n"
    "  --language auto|zh|en       the language of messages, help and the texts put\n"
    "                              into the outputs (default: the stored Language,\n"
    "                              else the locale: zh gives Chinese, any other English)\n"
    "  --version                   the program's version\n"
    "\n"
    "Run 'orvanta-cli COMMAND --help' for the options of a command.\n",
    // Chinese
    "用法：orvanta-cli COMMAND [ARGS]\n"
    "\n"
    "把演示文稿转换成可独立播放的 Flash 影片。\n"
    "\n"
    "命令：\n"
    "  convert [OPTIONS] FILE...   转换演示文稿或幻灯片图片文件夹\n"
    "  settings list               列出每个已保存的选项及其值\n"
    "  settings get NAME           显示一个已保存的选项\n"
    "  settings set NAME VALUE     保存一个选项\n"
    "  settings reset              清除所有已保存的选项（恢复默认值）\n"
    "  settings path               显示保存选项的文件\n"
    "  preview [--port N] [--no-browser] PATH\n"
    "                              在 127.0.0.1 上提供网页、影片或输出目录，\n"
    "                              并在浏览器中打开播放\n"
    "  serve [OPTIONS]             通过 HTTP 提供转换服务，LibreOffice 常驻运行\n"
    "  report REPORT...            汇总一个或多个 --report 报告（多次运行、各分片），\n"
    "                              列出每个源文件最新的结果\n"
    "\n"
    "适用于所有命令的选项：\n"
    "  --language auto|zh|en       消息、帮助以及写入输出文件的文字所用的语言\n"
    "                              （默认：已保存的 Language，否则由区域设置\n"
    "                              决定：zh 为中文，其他均为英文）\n"
    "  --version                   程序的版本\n"
    "\n"
    "运行“orvanta-cli COMMAND --help”查看某个命令的选项。\n",
};

// Takes "--language X" / "--language=X" out of `args`, wherever it stands;
// the last one counts. False, with a message, for a missing or unknown name.
bool TakeLanguageOption(std::vector<std::string>& args, std::string& language) {
  for (std::size_t i = 0; i < args.size();) {
    std::string value;
    if (args[i] == "--language") {
      if (i + 1 >= args.size()) {
        std::fputs("Orvanta: --language needs auto, zh or en\n", stderr);
        return false;
      }
      value = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    } else if (args[i].starts_with("--language=")) {
      value = args[i].substr(11);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
      continue;
    }
    if (!orv::IsLanguageName(value)) {
      std::fprintf(stderr, "Orvanta: --language: '%s' is not auto, zh or en\n", value.c_str());
      return false;
    }
    language = value;
  }
  return true;
}

// The settings file a command will read: its --store, else the user's.
std::string StorePathOf(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--store" && i + 1 < args.size()) return args[i + 1];
    if (args[i].starts_with("--store=")) return args[i].substr(8);
  }
  return orv::SettingsStore::DefaultPath();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // The language is settled before anything is said: the option, else the
  // stored value, else the locale.
  std::string language;
  if (!TakeLanguageOption(args, language)) return orv::cli::kExitUsage;
  if (language.empty()) language = orv::SettingsStore(StorePathOf(args)).GetString("Language", "auto");
  orv::UseLanguage(orv::ResolveLanguage(language));
  if (args.empty()) {
    std::fputs(orv::cli::InCurrentLanguage(kUsage), stderr);
    return orv::cli::kExitUsage;
  }
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(orv::cli::InCurrentLanguage(kUsage), stdout);
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
  if (command == "report") return orv::cli::RunReportCommand(args);
  std::fprintf(stderr, "Orvanta: unknown command '%s'\n\n%s", command.c_str(), orv::cli::InCurrentLanguage(kUsage));
  return orv::cli::kExitUsage;
}
