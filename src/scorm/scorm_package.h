// A SCORM 1.2 package: a zip holding imsmanifest.xml and the lesson's page,
// which a learning platform (Moodle, Canvas, Blackboard...) takes as one
// activity.
#pragma once

#include <string>
#include <string_view>

#include "movie/write_ledger.h"

namespace orv {

// The page a package opens, at its root.
inline constexpr std::string_view kScormLaunchPage = "index.html";

// Writes the package at `zipPath` (a new file beside it, renamed over it at
// the end) with `page` as its launch page. False after a message
// ("输出 SCORM 课件包 %s 时异常！"). The ledger, when given, hears what became
// of the file.
bool WriteScormPackage(const std::string& zipPath, std::string_view title, std::string_view page,
                       WriteLedger* ledger = nullptr);

}  // namespace orv
