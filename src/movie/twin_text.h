// The deck's words as markup of the HTML5 version: each slide's title as
// its heading, paragraphs, nested bulleted and numbered lists, tables with
// their header cells, what the author wrote of pictures, the links worth
// following, and a lang attribute wherever the words' language is not the
// page's. The slide's picture points at its description; the notes are
// apart, for the notes panel.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/language.h"
#include "movie/slide_list.h"

namespace orv {

// `tag` when it has the shape of a BCP 47 tag ("zh-CN", "en"), else "": a
// malformed lang attribute is worse than none.
std::string_view LanguageTag(std::string_view tag);

// Whether two tags name one language ("zh-TW" and "zh-CN" do).
bool SameLanguage(std::string_view a, std::string_view b);

// Whether the slide has words besides its notes, and notes.
bool HasDescription(const SlideText& slide);
bool HasNotes(const SlideText& slide);

// Appends slide `number`'s description (<div id="dN">) when it has one and
// its notes (<div id="nN" class="notes">) when it has some. `language` is the
// page's; `labels` the language of the page's own words.
void AppendSlideText(std::string& out, std::size_t number, const SlideText& slide, std::string_view language,
                     UiLanguage labels);

}  // namespace orv
