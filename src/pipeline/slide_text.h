// The deck's own words, read while it is open for the export: every slide's
// title, its text, tables and picture descriptions in reading order and,
// when they are converted, its speaker notes, all in one question to the
// server. The movie never sees them; the HTML5 version gives them to
// readers who cannot see a picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "movie/slide_list.h"
#include "pipeline/automation.h"
#include "pipeline/slide_structure.h"

namespace orv {

// Fills `list.texts` (one entry per slide of `presentation` as it stands)
// and `list.language` (that of most of the deck's letters) from the server's
// outline of the deck. `notesSlides` are the numbers (from 1) of the slides
// the export added for speaker notes; they become kNotes entries, and their
// words do not count twice for the language. With `withNotes`, each slide's
// notes page gives its notes. An outline that cannot be had or read leaves
// the texts empty, explained: the pictures, not the text, decide the
// conversion.
void ReadSlideTexts(const AutomationObject& presentation, const std::vector<std::int32_t>& notesSlides, bool withNotes,
                    SlideList& list);

// A notes text is a body placeholder on the notes page that has text.
bool IsNotesText(const AutomationObject& shape);

// The text of the title placeholder of a slide's `shapes`; "" without one.
std::string ReadSlideTitle(const AutomationObject& shapes);

}  // namespace orv
