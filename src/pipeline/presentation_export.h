// The export of one presentation through the automation server: open it
// without a window, add the speaker-notes slides, read timings and titles into
// the SlideList, and have the server write one picture per slide into the
// working folder.
#pragma once

#include <string>

#include "base/progress.h"
#include "movie/conversion_settings.h"
#include "movie/slide_list.h"
#include "pipeline/automation.h"
#include "pipeline/slide_workers.h"

namespace orv {

// The class name under which the presentation server is created.
inline constexpr char kPresentationServerClass[] = "Powerpoint.Application";

// True: `workingFolder` holds one picture per slide (notes slides included),
// `delays` and `titles` of `slides` are filled as its flags ask,
// `exportExtension` names the pictures' extension ("bmp" or "jpg") and the
// server has been told to quit. False: a message has been shown, or the user
// cancelled. A failing automation call raises AutomationError, which is not
// handled here. Every automation object is released on every path.
// With `slideWorkers`, slides exported one by one are shared with them: each
// opens the same file (adding the notes slides the same way) and writes the
// slides it takes into the working folder; a failure that costs a slide is
// the presentation's.
bool ExportPresentation(AutomationServer& server, const std::string& path, const std::string& workingFolder,
                        const ConversionSettings& settings, SlideList& slides, Progress& progress,
                        std::string& exportExtension, SlideWorkers* slideWorkers = nullptr);

// The number of progress steps that follow the export's preparation for a
// presentation of `slideCount` slides (the range set before the timings).
int ExportProgressTotal(int slideCount, const ConversionSettings& settings, const SlideList& slides);

}  // namespace orv
