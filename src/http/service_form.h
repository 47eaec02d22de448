// The fields of a conversion request other than the file: each one a stored
// value by the name `orvanta-cli settings list` shows (or its field name),
// checked against the same ranges as `orvanta-cli settings set`.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "settings/settings_store.h"

namespace orv::http {

// Adds one field to `values`. False with a message for an unknown name, a
// value out of range, one the service sets itself (OutputDir, TimeLimit) or
// one given twice.
bool AddFormValue(std::string_view name, std::string_view value, SettingOverrides& values, std::string& error);

// The longest shared player's address a request may give.
inline constexpr std::size_t kMaxWebPlayerUrlBytes = 2048;

// A request's "WebPlayerUrl": where its pages load the shared player from.
// Taken are an http or https address and a path without a scheme (relative,
// or from the root of the site the pages are served from), in the characters
// a page's script takes as they are and at most kMaxWebPlayerUrlBytes long;
// empty means the pages' own copy. False with a message otherwise.
bool CheckWebPlayerUrlField(std::string_view value, std::string& error);

}  // namespace orv::http
