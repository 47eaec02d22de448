// orvanta-cli settings: reads and writes the per-user settings store that the
// desktop program's options pages use.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands.h"
#include "convert_options.h"
#include "help_text.h"
#include "settings/setting_meanings.h"
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
    "NAME is a stored name (Width, 延迟 ...) or the option's field name\n"
    "(Delay, Loop, Fade, OutputFolder), letter case ignored.\n",
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
    "NAME 是保存时的名称（Width、延迟……）或选项的字段名\n"
    "（Delay、Loop、Fade、OutputFolder），不区分大小写。\n",
};

// Columns a UTF-8 text takes in a terminal: the CJK characters of the value
// names take two, everything else one.
std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    width += length >= 3 ? 2 : 1;
    i += length;
  }
  return width;
}

std::string Padded(std::string text, std::size_t width) {
  std::size_t used = DisplayWidth(text);
  // A text as wide as the column still leaves a blank before the next one.
  text.append(used < width ? width - used : 1, ' ');
  return text;
}

// "Width", or "Delay ("延迟 ")" for the values whose stored name is not the
// field name, quoted so that the trailing blank shows.
std::string ShownName(const SettingInfo& setting) {
  if (setting.kind == SettingKind::Text || setting.field == setting.name) return std::string(setting.name);
  return std::string(setting.field) + " (\"" + std::string(setting.name) + "\")";
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
  std::fprintf(stderr, "orvanta-cli: %s\n\n%s", text.c_str(), InCurrentLanguage(kSettingsUsage));
  return kExitUsage;
}

const SettingInfo* FindOrComplain(const std::string& name) {
  const SettingInfo* setting = FindSetting(name);
  if (setting == nullptr) {
    std::fprintf(stderr, "orvanta-cli: unknown option '%s' (see 'orvanta-cli settings list')\n", name.c_str());
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

std::string OptionText(const SettingInfo& setting) {
  const std::string options = OptionsSetting(setting);
  return options.empty() ? "-" : options;
}

int List(const SettingsStore& store) {
  StoredValues values = store.Read();
  std::printf("%s%s%s%s%s%s\n", Padded("NAME", 22).c_str(), Padded("VALUE", 8).c_str(), Padded("DEFAULT", 9).c_str(),
              Padded("RANGE", 13).c_str(), Padded("MEANING NOW", 40).c_str(), "SET BY");
  for (const auto& setting : SettingTable()) {
    if (setting.kind == SettingKind::Text) continue;
    std::printf("%s%s%s%s%s%s\n", Padded(ShownName(setting), 22).c_str(), Padded(ValueText(values, setting), 8).c_str(),
                Padded(DefaultText(setting), 9).c_str(), Padded(DescribeRange(setting), 13).c_str(),
                Padded(Meaning(values, setting), 40).c_str(), OptionText(setting).c_str());
  }
  // Texts are too long for the columns: their meaning goes below them.
  for (const auto& setting : SettingTable()) {
    if (setting.kind != SettingKind::Text) continue;
    std::printf("%s%s  (default %s)\n%s%s; set by %s\n", Padded(ShownName(setting), 22).c_str(),
                Shown(ValueText(values, setting)).c_str(), Shown(DefaultText(setting)).c_str(), Padded("", 22).c_str(),
                Meaning(values, setting).c_str(), OptionText(setting).c_str());
  }
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
  std::printf("%s: %s\n  %s\n  meaning now: %s\n  set by: %s\n", ShownName(*setting).c_str(),
              Shown(ValueText(values, *setting)).c_str(), std::string(SettingPurpose(*setting)).c_str(),
              Meaning(values, *setting).c_str(), OptionText(*setting).c_str());
  return kExitOk;
}

int Set(SettingsStore& store, const std::string& name, const std::string& text) {
  const SettingInfo* setting = FindOrComplain(name);
  if (setting == nullptr) return kExitUsage;
  SettingCheckResult checked = ValidateSettingValue(*setting, text);
  if (!checked.value) {
    std::fprintf(stderr, "Orvanta: %s\n", checked.message.c_str());
    return kExitUsage;
  }
  bool written = false;
  if (setting->kind == SettingKind::Text && !IsOutputFolder(*setting)) {
    written = store.SetString(setting->name, checked.value->text);
  } else if (setting->kind == SettingKind::Text) {
    if (checked.value->text.empty()) {
      std::fputs("orvanta-cli: the output folder cannot be empty\n", stderr);
      return kExitUsage;
    }
    // Stored absolute, so that every later run writes to the same place.
    std::error_code ec;
    auto absolute = std::filesystem::absolute(checked.value->text, ec);
    written = store.SetString(setting->name, ec ? checked.value->text : absolute.lexically_normal().string());
  } else {
    written = store.SetInt(setting->name, checked.value->number);
  }
  if (!written) {
    std::fprintf(stderr, "orvanta-cli: cannot write the settings file %s\n", store.path().c_str());
    return kExitFailed;
  }
  return kExitOk;
}

int Reset(SettingsStore& store) {
  if (!store.Clear()) {
    std::fprintf(stderr, "orvanta-cli: cannot write the settings file %s\n", store.path().c_str());
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
