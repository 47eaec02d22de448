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
// the end) with `page` as its launch page. `identity` tells this package
// from every other of the batch (its path relative to the output folder:
// two lectures named alike in two course folders differ); `title` is the
// lesson's name on the platform. False after a message
// ("输出 SCORM 课件包 %s 时异常！"). The ledger, when given, hears what became
// of the file.
bool WriteScormPackage(const std::string& zipPath, std::string_view identity, std::string_view title,
                       std::string_view page, WriteLedger* ledger = nullptr);

}  // namespace orv
