// The dispatch ids of the presentation server's members, as fixed numbers.
// Names follow Object::Member; a member reached in two ways (Text, Size) is
// one id used with two dispatch kinds.
#pragma once

#include <cstdint>

namespace orv::dispid {

// Application
inline constexpr std::int32_t kApplicationPresentations = 2001;  // get -> object
inline constexpr std::int32_t kApplicationVersion = 2014;        // get -> text
inline constexpr std::int32_t kApplicationQuit = 2021;           // method
// Presentations
inline constexpr std::int32_t kPresentationsOpen = 2004;  // method(FileName, ReadOnly, Untitled, WithWindow)
// Presentation
inline constexpr std::int32_t kPresentationSlides = 2011;  // get -> object
inline constexpr std::int32_t kPresentationSaveAs = 2036;  // method(FileName, FileFormat, EmbedTrueTypeFonts)
// The whole deck's text and structure in one reply, the notes pages' shapes
// with Notes non-zero: JSON, see deck_outline.h.
inline constexpr std::int32_t kPresentationOutline = 2102;    // method(Notes I4) -> text
inline constexpr std::int32_t kPresentationPageSetup = 2012;  // get -> PageSetup
// PageSetup: the slides' size
inline constexpr std::int32_t kPageSetupSlideHeight = 2003;  // get -> R4 points
inline constexpr std::int32_t kPageSetupSlideWidth = 2004;   // get -> R4 points
// Slides
inline constexpr std::int32_t kSlidesCount = 11;    // get -> I4
inline constexpr std::int32_t kSlidesItem = 0;      // method(Index VARIANT) -> Slide
inline constexpr std::int32_t kSlidesRange = 2006;  // method(Index VARIANT) -> SlideRange
inline constexpr std::int32_t kSlidesAdd = 2004;    // method(Index I4, Layout I4) -> Slide
// Slide
inline constexpr std::int32_t kSlideNotesPage = 2022;  // get -> SlideRange
inline constexpr std::int32_t kSlideExport = 2025;     // method(FileName, FilterName, ScaleWidth, ScaleHeight)
// Slide, SlideRange
inline constexpr std::int32_t kSlideShapes = 2003;  // get -> Shapes
// SlideRange
inline constexpr std::int32_t kSlideRangeSlideShowTransition = 2005;  // get -> object
// SlideShowTransition
inline constexpr std::int32_t kTransitionAdvanceTime = 2005;  // get -> R4 seconds
// Shapes
inline constexpr std::int32_t kShapesCount = 2;        // get -> I4
inline constexpr std::int32_t kShapesItem = 0;         // method(Index VARIANT) -> Shape
inline constexpr std::int32_t kShapesHasTitle = 2004;  // get -> I4
inline constexpr std::int32_t kShapesTitle = 2006;     // get -> Shape
// Shape
inline constexpr std::int32_t kShapeType = 124;                // get -> I4
inline constexpr std::int32_t kShapePlaceholderFormat = 2005;  // get -> object
inline constexpr std::int32_t kShapeHasTextFrame = 2014;       // get -> I4
inline constexpr std::int32_t kShapeTextFrame = 121;           // get -> object
inline constexpr std::int32_t kShapeHeight = 109;              // get -> R4 points
// PlaceholderFormat
inline constexpr std::int32_t kPlaceholderType = 2003;  // get -> I4
// TextFrame
inline constexpr std::int32_t kTextFrameHasText = 2003;    // get -> I4
inline constexpr std::int32_t kTextFrameTextRange = 2004;  // get -> object
// TextRange
inline constexpr std::int32_t kTextRangeText = 0;            // get -> text, put(text)
inline constexpr std::int32_t kTextRangeBoundHeight = 2009;  // get -> R4 points
inline constexpr std::int32_t kTextRangeFont = 2022;         // get -> object
// Font
inline constexpr std::int32_t kFontSize = 2014;  // get -> R4, put(R4)

}  // namespace orv::dispid

namespace orv::ppt {

// Published values of the server's enumerations used by the export.
inline constexpr std::int32_t kMsoFalse = 0;
inline constexpr std::int32_t kLayoutText = 2;       // title and body placeholder
inline constexpr std::int32_t kMsoGroup = 6;         // shape type
inline constexpr std::int32_t kMsoPlaceholder = 14;  // shape type
inline constexpr std::int32_t kMsoTable = 19;        // shape type
inline constexpr std::int32_t kPlaceholderTitle = 1;
inline constexpr std::int32_t kPlaceholderBody = 2;
inline constexpr std::int32_t kPlaceholderCenterTitle = 3;
inline constexpr std::int32_t kPlaceholderSubtitle = 4;
inline constexpr std::int32_t kSaveAsBmp = 19;  // file format of SaveAs

}  // namespace orv::ppt
