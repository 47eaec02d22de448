// A warm worker of the service and its LibreOffice: it takes entries only
// with a LibreOffice that runs and has converted a built-in one-slide deck
// since it started, and after an entry that may have ended it (its time
// limit, a cancel, a crash) it starts and checks a fresh one before the next
// entry, never inside it. It tells its parent so on the events pipe.
#pragma once

#include <cstdio>

#include "batchlist/entry_report.h"
#include "entry_converter.h"

namespace orv::cli {

// Converts the check deck with the run's `settings`, small and writing into
// a temporary folder of its own. True when it converted.
bool ConvertCheckDeck(EntryConverter& converter, const ConversionSettings& settings);

class WarmOffice {
 public:
  // `entry` is the number the entries' progress views carry.
  WarmOffice(EntryConverter& converter, const ConversionSettings& settings, int& entry, std::FILE* events)
      : converter_(converter), settings_(settings), entry_(entry), events_(events) {}

  // LibreOffice started and checked: "ready"; otherwise "unavailable" and false.
  bool Start();
  // After an entry's end was told: "ready" at once when its LibreOffice was
  // left alone, else "restarted" and "ready" once a fresh one is checked;
  // "unavailable" and false when none converts.
  bool AfterEntry(const batchlist::EntryRecord& record);

 private:
  bool Check();
  bool Tell(bool ready);

  EntryConverter& converter_;
  const ConversionSettings& settings_;
  int& entry_;
  std::FILE* events_;
  int checkedStarts_ = 0;
};

}  // namespace orv::cli
