// The fields of a conversion request other than the file: each one a stored
// value by the name `orvanta-cli settings list` shows (or its field name),
// checked against the same ranges as `orvanta-cli settings set`.
#pragma once

#include <string>
#include <string_view>

#include "settings/settings_store.h"

namespace orv::http {

// Adds one field to `values`. False with a message for an unknown name, a
// value out of range, one the service sets itself (OutputDir, TimeLimit) or
// one given twice.
bool AddFormValue(std::string_view name, std::string_view value, SettingOverrides& values, std::string& error);

}  // namespace orv::http
