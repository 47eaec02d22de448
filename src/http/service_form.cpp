#include "http/service_form.h"

#include "movie/web_player_markup.h"
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

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

// An address naming a scheme ("mailto:", "javascript:"...) has a colon
// before its first slash; "//host" names another site without one.
bool IsWebAddressOrPath(std::string_view value) {
  for (const std::string_view scheme : {"http://", "https://"}) {
    if (StartsWithIgnoringCase(value, scheme)) {
      const std::string_view host = value.substr(scheme.size());
      return !host.empty() && host.front() != '/' && host.front() != ':';
    }
  }
  const std::size_t colon = value.find(':');
  return !value.starts_with("//") && (colon == std::string_view::npos || value.find('/') < colon);
}

}  // namespace

bool CheckWebPlayerUrlField(std::string_view value, std::string& error) {
  if (value.empty()) return true;
  if (value.size() <= kMaxWebPlayerUrlBytes && IsPlainAddress(value) && IsWebAddressOrPath(value)) return true;
  error = "\"WebPlayerUrl\": an http or https address or a path, of letters, digits and - . _ ~ / : % and at most " +
          std::to_string(kMaxWebPlayerUrlBytes) + " bytes, is needed (e.g. https://cdn.example.org/ruffle)";
  return false;
}

}  // namespace orv::http
