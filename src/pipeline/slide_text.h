// The deck's own words, read while it is open for the export: every
// slide's title, its other texts in reading order (groups and table cells
// included) and, when they are converted, its speaker notes. The movie never
// sees them; the HTML5 twin gives them to readers who cannot see a picture.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/progress.h"
#include "movie/slide_list.h"
#include "pipeline/automation.h"

namespace orv {

// Fills `list.texts` (one entry per slide of `slides`) and `list.language`
// (the tag of the first text that has one). With `withNotes`, each slide's
// notes page gives its notes. Pumps `progress` between slides; false when
// the user cancelled. A slide whose text cannot be read keeps what was read
// before the failure: the pictures, not the text, decide the conversion.
bool ReadSlideTexts(const AutomationObject& slides, bool withNotes, SlideList& list, Progress& progress);

// A notes text is a body placeholder on the notes page that has text.
bool IsNotesText(const AutomationObject& shape);

// The text of the title placeholder of a slide's `shapes`; "" without one.
std::string ReadSlideTitle(const AutomationObject& shapes);

// A text as the server gives it, cut into its paragraphs: line breaks of
// either kind end one, blanks around each are dropped, empty ones skipped,
// and other control characters become spaces.
std::vector<std::string> SplitParagraphs(std::string_view text);

}  // namespace orv
