#include "http/service_form.h"

#include "settings/settings_values.h"

namespace orv::http {

bool AddFormValue(std::string_view name, std::string_view value, SettingOverrides& values, std::string& error) {
  const SettingInfo* setting = FindSetting(name);
  if (setting == nullptr) {
    error = "unknown field \"" + std::string(name) + "\": not a stored value (see orvanta-cli settings list)";
    return false;
  }
  if (setting->kind != SettingKind::Integer || setting->field == "TimeLimit" || setting->field == "Jobs") {
    error = "\"" + std::string(setting->name) + "\" is the service's own and cannot be set per request";
    return false;
  }
  if (values.contains(setting->name)) {
    error = "\"" + std::string(setting->name) + "\" is given twice";
    return false;
  }
  const SettingCheckResult checked = ValidateSettingValue(*setting, value);
  if (!checked.value) {
    error =
        "\"" + std::string(setting->name) + "\": " + DescribeRange(*setting) + " is needed (" + checked.message + ")";
    return false;
  }
  values.emplace(std::string(setting->name), checked.value->number);
  return true;
}

}  // namespace orv::http
