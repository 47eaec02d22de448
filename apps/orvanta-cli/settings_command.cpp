// orvanta-cli settings: reads and writes the per-user settings store that the
// desktop program's options pages use.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands.h"
#include "convert_options.h"
#include "help_text.h"
#include "settings/setting_meanings.h"
#include "settings/setting_sentences.h"
#include "settings/settings_store.h"
#include "settings/settings_values.h"

namespace orv::cli {
namespace {

constexpr HelpText kSettingsUsage = {
    // English
    "Usage: orvanta-cli settings [--store FILE] COMMAND\n"
    "\n"
    "Reads and writes the stored options that every conversion starts from.\n"
    "\n"
    "Commands:\n"
    "  list              every option with its value, default, range, what the\n"
    "                    value means now and the convert option that sets it\n"
    "  get NAME          the value of one option\n"
    "  get NAME --explain  the value, what it means now and its convert option\n"
    "  set NAME VALUE    store an option (checked against its range)\n"
    "  reset             forget every stored option, so the defaults apply\n"
    "  path              the file the options are kept in\n"
    "\n"
    "Options:\n"
    "  --store FILE      use FILE instead of the per-user settings file\n"
    "                    ($XDG_CONFIG_HOME/Velloran/Orvanta.json)\n"
    "  -h, --help        show this help\n"
    "\n"
    "NAME is the name 'list' shows (Width, Delay, Loop ...) or the stored name\n"
    "(延迟, 循环, 渐隐, OutputDir), letter case ignored.\n"
    "\n"
    "Example:\n"
    "  orvanta-cli settings set Delay 5\n",
    // Chinese
    "用法：orvanta-cli settings [--store FILE] COMMAND\n"
    "\n"
    "读取和写入已保存的选项，每次转换都以它们为起点。\n"
    "\n"
    "命令：\n"
    "  list              列出每个选项的值、默认值、范围、当前值的含义以及\n"
    "                    设置它的 convert 选项\n"
    "  get NAME          显示一个选项的值\n"
    "  get NAME --explain  显示值、当前值的含义以及设置它的 convert 选项\n"
    "  set NAME VALUE    保存一个选项（按其范围检查）\n"
    "  reset             清除所有已保存的选项，恢复默认值\n"
    "  path              显示保存选项的文件\n"
    "\n"
    "选项：\n"
    "  --store FILE      使用 FILE，而不是每个用户自己的设置文件\n"
    "                    （$XDG_CONFIG_HOME/Velloran/Orvanta.json）\n"
    "  -h, --help        显示本帮助\n"
    "\n"
    "NAME 是 list 显示的名称（Width、延迟、循环……）或选项的英文名\n"
    "（Delay、Loop、Fade、OutputFolder），不区分大小写。\n"
    "\n"
    "示例：\n"
    "  orvanta-cli settings set 延迟 5\n",
};

// Columns a UTF-8 text takes in a terminal: the East Asian wide characters
// (the Chinese names and words, their punctuation) take two, the rest one.
std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
                      (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                      (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                      (code >= 0xFFE0 && code <= 0xFFE6) || code >= 0x20000;
    width += wide ? 2 : 1;
    i += length;
  }
  return width;
}

bool InChinese() { return CurrentLanguage() == UiLanguage::kChinese; }

// "Delay (\"延迟 \")": the name read, then the stored name where it differs,
// quoted so that its trailing blank shows.
std::string NameWithStoredName(const SettingInfo& setting) {
  const std::string shown = SettingDisplayName(setting);
  if (shown == setting.name) return shown;
  return shown + " (\"" + std::string(setting.name) + "\")";
}

bool IsOutputFolder(const SettingInfo& setting) { return setting.field == "OutputFolder"; }

std::string DefaultText(const SettingInfo& setting) {
  if (setting.kind == SettingKind::Integer) return SettingNumberText(setting, setting.defaultValue);
  if (setting.check == SettingCheck::Language) return "auto";
  return IsOutputFolder(setting) ? DefaultOutputFolder() : std::string();
}

std::string ValueText(const StoredValues& values, const SettingInfo& setting) {
  if (setting.kind == SettingKind::Text) return values.GetString(setting.name, DefaultText(setting));
  return SettingNumberText(setting, values.GetInt(setting.name, setting.defaultValue));
}

int UsageError(const std::string& text) {
  std::fprintf(stderr, "Orvanta: %s\n\n%s", text.c_str(), InCurrentLanguage(kSettingsUsage));
  return kExitUsage;
}

const SettingInfo* FindOrComplain(const std::string& name) {
  const SettingInfo* setting = FindSetting(name);
  if (setting == nullptr) {
    std::fprintf(stderr,
                 InChinese() ? "Orvanta: 没有名为 '%s' 的选项（见 'orvanta-cli settings list'）\n"
                             : "Orvanta: unknown option '%s' (see 'orvanta-cli settings list')\n",
                 name.c_str());
  }
  return setting;
}

// A text value shown quoted when empty, so that it is seen.
std::string Shown(std::string text) { return text.empty() ? "\"\"" : text; }

// What the stored value means now, in words.
std::string Meaning(const StoredValues& values, const SettingInfo& setting) {
  if (setting.kind == SettingKind::Text) return ExplainSetting(setting, 0, ValueText(values, setting));
  return ExplainSetting(setting, values.GetInt(setting.name, setting.defaultValue));
}

// The convert option that sets a value, or why there is none: the values
// the command line never reads say so.
std::string OptionText(const SettingInfo& setting) {
  switch (WhoReadsSetting(setting)) {
    case SettingReader::kDesktopOnly:
      return InChinese() ? "仅桌面程序读取" : "desktop program only";
    case SettingReader::kNobody:
      return InChinese() ? "未使用" : "not used";
    case SettingReader::kEveryProgram:
      break;
  }
  const std::string options = OptionsSetting(setting);
  return options.empty() ? "-" : options;
}

// Rows of cells printed with every column as wide as its widest cell, two
// blanks between columns; the last column is not padded.
void PrintColumns(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line.append(widths[c] - DisplayWidth(row[c]) + 2, ' ');
    }
    std::printf("%s\n", line.c_str());
  }
}

// A folder under the home folder as "~/..." in the list, so that the
// columns stay narrow; `get` gives the whole path.
std::string ShortFolder(std::string path) {
  const char* home = std::getenv("HOME");
  const std::string prefix = home != nullptr && *home != '\0' ? std::string(home) + "/" : std::string();
  if (!prefix.empty() && prefix != "/" && path.starts_with(prefix)) path = "~/" + path.substr(prefix.size());
  return path;
}

int List(const SettingsStore& store) {
  const StoredValues values = store.Read();
  std::vector<std::vector<std::string>> rows;
  if (InChinese()) {
    rows.push_back({"名称", "值", "默认值", "范围", "当前含义", "设置选项"});
  } else {
    rows.push_back({"NAME", "VALUE", "DEFAULT", "RANGE", "MEANING NOW", "SET BY"});
  }
  for (const auto& setting : SettingTable()) {
    if (IsOutputFolder(setting)) {
      const std::string value = ShortFolder(ValueText(values, setting));
      rows.push_back({SettingDisplayName(setting), value, ShortFolder(DefaultText(setting)), SettingRangeText(setting),
                      ExplainSetting(setting, 0, value), OptionText(setting)});
      continue;
    }
    rows.push_back({SettingDisplayName(setting), Shown(ValueText(values, setting)), Shown(DefaultText(setting)),
                    SettingRangeText(setting), Meaning(values, setting), OptionText(setting)});
  }
  PrintColumns(rows);
  return kExitOk;
}

int Get(const SettingsStore& store, const std::string& name, bool explain) {
  const SettingInfo* setting = FindOrComplain(name);
  if (setting == nullptr) return kExitUsage;
  const StoredValues values = store.Read();
  if (!explain) {
    std::printf("%s\n", ValueText(values, *setting).c_str());
    return kExitOk;
  }
  std::printf(InChinese() ? "%s：%s\n  %s\n  当前含义：%s\n  设置选项：%s\n"
                          : "%s: %s\n  %s\n  meaning now: %s\n  set by: %s\n",
              NameWithStoredName(*setting).c_str(), Shown(ValueText(values, *setting)).c_str(),
              std::string(SettingPurpose(*setting)).c_str(), Meaning(values, *setting).c_str(),
              OptionText(*setting).c_str());
  return kExitOk;
}

int Set(SettingsStore& store, const std::string& name, const std::string& text) {
  const SettingInfo* setting = FindOrComplain(name);
  if (setting == nullptr) return kExitUsage;
  const SettingCheckResult checked = ValidateSettingValue(*setting, text);
  if (!checked.value || (IsOutputFolder(*setting) && text.empty())) {
    std::fprintf(stderr, "Orvanta: %s\n", SettingRefusal(*setting).c_str());
    return kExitUsage;
  }
  bool written = false;
  std::string storedText = checked.value->text;
  if (IsOutputFolder(*setting)) {
    // Stored absolute, so that every later run writes to the same place.
    std::error_code ec;
    auto absolute = std::filesystem::absolute(storedText, ec);
    if (!ec) storedText = absolute.lexically_normal().string();
  }
  if (setting->kind == SettingKind::Text) {
    written = store.SetString(setting->name, storedText);
  } else {
    written = store.SetInt(setting->name, checked.value->number);
  }
  if (!written) {
    std::fprintf(stderr,
                 InChinese() ? "Orvanta: 无法写入设置文件 %s\n" : "Orvanta: cannot write the settings file %s\n",
                 store.path().c_str());
    return kExitFailed;
  }
  std::printf("%s\n", SettingConfirmation(*setting, checked.value->number, storedText).c_str());
  return kExitOk;
}

int Reset(SettingsStore& store) {
  if (!store.Clear()) {
    std::fprintf(stderr,
                 InChinese() ? "Orvanta: 无法写入设置文件 %s\n" : "Orvanta: cannot write the settings file %s\n",
                 store.path().c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

int RunSettingsCommand(const std::vector<std::string>& args) {
  std::optional<std::string> storePath;
  bool explain = false;
  std::vector<std::string> words;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(InCurrentLanguage(kSettingsUsage), stdout);
      return kExitOk;
    }
    if (arg == "--store") {
      if (i + 1 >= args.size()) return UsageError("--store needs a file name");
      storePath = args[++i];
    } else if (arg.starts_with("--store=")) {
      storePath = arg.substr(8);
    } else if (arg == "--explain") {
      explain = true;
    } else if (arg.starts_with("--")) {
      return UsageError("unknown option '" + arg + "'");
    } else {
      words.push_back(arg);
    }
  }
  if (storePath && storePath->empty()) return UsageError("--store needs a file name");
  if (words.empty()) return UsageError("a settings command is needed");

  SettingsStore store = storePath ? SettingsStore(*storePath) : SettingsStore();
  const std::string& command = words.front();
  const std::size_t operands = words.size() - 1;
  if (explain && command != "get") return UsageError("--explain goes with get");
  if (command == "list" && operands == 0) return List(store);
  if (command == "get" && operands == 1) return Get(store, words[1], explain);
  if (command == "set" && operands == 2) return Set(store, words[1], words[2]);
  if (command == "reset" && operands == 0) return Reset(store);
  if (command == "path" && operands == 0) {
    std::printf("%s\n", store.path().c_str());
    return kExitOk;
  }
  if (command == "list" || command == "get" || command == "set" || command == "reset" || command == "path") {
    return UsageError("wrong number of arguments for '" + command + "'");
  }
  return UsageError("unknown settings command '" + command + "'");
}

}  // namespace orv::cli
