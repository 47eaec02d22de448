// The per-user store of named option values, and the building of one
// ConversionSettings record from it.
//
// The store is one flat JSON object in $XDG_CONFIG_HOME/Velloran/Orvanta.json
// (default ~/.config/Velloran/Orvanta.json): integers as JSON numbers, the
// text values ("OutputDir", "WebPlayerUrl") as JSON strings, names in UTF-8 byte for byte
// ("延迟 " keeps its trailing blank). Nothing is cached: every read looks at
// the file again, so an option written by one program is seen by the next
// Convert of another.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "movie/conversion_settings.h"
#include "settings/settings_values.h"

namespace orv {

// One parsed state of the store file. Values of the wrong type read as the
// caller's default, exactly like absent ones.
class StoredValues {
 public:
  StoredValues();
  ~StoredValues();
  StoredValues(StoredValues&&) noexcept;
  StoredValues& operator=(StoredValues&&) noexcept;

  // Parses the text of a store file. Text that is not a JSON object gives an
  // empty set with damaged() true.
  static StoredValues Parse(std::string_view text);

  std::int32_t GetInt(std::string_view name, std::int32_t fallback) const;
  std::string GetString(std::string_view name, std::string_view fallback) const;
  bool Has(std::string_view name) const;
  bool damaged() const { return damaged_; }

 private:
  friend class SettingsStore;
  struct Object;
  std::unique_ptr<Object> object_;
  bool damaged_ = false;
};

class SettingsStore {
 public:
  // The store at its per-user location.
  SettingsStore();
  // The store in another file (tests, `orvanta-cli --store`).
  explicit SettingsStore(std::string path);

  // $XDG_CONFIG_HOME/Velloran/Orvanta.json, or ~/.config/Velloran/Orvanta.json.
  static std::string DefaultPath();

  const std::string& path() const { return path_; }

  // The stored integer, or `fallback` when the value is absent, has another
  // type or the file cannot be read.
  std::int32_t GetInt(std::string_view name, std::int32_t fallback) const;
  std::string GetString(std::string_view name, std::string_view fallback) const;

  // Store one value. False when the file cannot be written (or exists but
  // cannot be read, which would otherwise lose its other values); callers
  // may ignore the result.
  bool SetInt(std::string_view name, std::int32_t value);
  bool SetString(std::string_view name, std::string_view text);
  // Forgets every stored value: the defaults apply again.
  bool Clear();
  // Why the last change above failed, in the system's words ("Permission
  // denied", "No space left on device"); empty after a success.
  const std::string& lastError() const { return lastError_; }

  // At start: a damaged store file is kept aside (as Orvanta.json.corrupt,
  // or -2, -3 ...) and an empty store takes its place. The copy's path;
  // an empty path when it could not be kept aside (lastError() says why);
  // nothing when the file is not damaged.
  std::optional<std::string> SetAsideIfDamaged();

  // Everything in the file as it is now (one read for many values).
  StoredValues Read() const;

 private:
  bool Rewrite(const std::function<void(StoredValues&)>& change);
  void WarnDamagedOnce() const;

  std::string path_;
  mutable bool warned_ = false;
  std::string lastError_;
  std::string keptAside_;  // where the last rewrite kept a damaged file
};

// Per-run replacements for stored integer values, keyed by stored name
// ("Width", "延迟 "). They take the place of the stored value before the
// forcing rules run, so `--no-html` still turns autorun off.
using SettingOverrides = std::map<std::string, std::int32_t, std::less<>>;

// The documents folder + "/Orvanta".
std::string DefaultOutputFolder();
// The stored "OutputDir", or DefaultOutputFolder() when there is none.
std::string StoredOutputFolder(const SettingsStore& store);

// Builds the record for one Convert command: every value read with the
// defaults of the table in settings_values.h, then GenAutorun 0 without
// GenHTML, UseTitle 0 without SplitPPT, a Delay outside 0..9999 becomes 3 and
// InsHelp 0 when the panel is shown. The stored values are not changed.
// TempFolder is the system temporary folder; OutputFolder is `outputFolder`.
ConversionSettings LoadConversionSettings(const SettingsStore& store, std::string_view outputFolder,
                                          const SettingOverrides& overrides = {});
// The same from an already read state of the store.
ConversionSettings LoadConversionSettings(const StoredValues& values, std::string_view outputFolder,
                                          const SettingOverrides& overrides = {});

}  // namespace orv
