// The settings store parser on arbitrary file contents: every value reads as
// an integer or its default, and the record built from it keeps its rules.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/settings_store.h"
#include "settings/settings_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orv::StoredValues values = orv::StoredValues::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const auto& setting : orv::SettingTable()) {
    if (setting.kind == orv::SettingKind::Text) {
      (void)values.GetString(setting.name, "default");
    } else {
      (void)values.GetInt(setting.name, setting.defaultValue);
    }
  }
  orv::ConversionSettings s = orv::LoadConversionSettings(values, "/out");
  if (s.GenHTML == 0 && s.GenAutorun != 0) __builtin_trap();
  if (s.SplitPPT == 0 && s.UseTitle != 0) __builtin_trap();
  if (s.ShowNav == 0 && s.InsHelp != 0) __builtin_trap();
  if (s.Delay < 0 || s.Delay > 9999) __builtin_trap();
  return 0;
}
