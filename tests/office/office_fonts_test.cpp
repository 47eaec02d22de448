// Text laid out by LibreOffice keeps the line breaks it had in PowerPoint only
// when the common Windows fonts have metric-compatible stand-ins. Each text
// box below is 5% wider than its text set in the Windows font; a stand-in of
// other widths (or none) breaks the text onto a second line.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>
#include "support/files.h"
#include "support/needs.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "base/notifier.h"
#include "pipeline/automation.h"
#include "pipeline/automation_members.h"
#include "pipeline/office_server.h"
#include "pipeline/presentation_export.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

struct MeasuredText {
  const char* font;
  double points;
  const char* text;
  int widthMm100;  // the text's advance width in the Windows font, plus 5%
};

// Widths from the fonts' advance-width tables at the given sizes.
constexpr MeasuredText kTexts[] = {
    {"Times New Roman", 28, "Background of the study", 10226},
    {"Arial", 24, "Quarterly results overview", 10276},
    {"Courier New", 20, "Courier set line", 7113},
    {"Calibri", 24, "Calibri measured heading", 9195},
    {"Cambria", 24, "Cambria measured heading", 9959},
};

// A flat OpenDocument presentation: one slide, one frame per text, no
// padding, so that the text alone decides the height.
std::string FlatPresentation() {
  std::string styles, frames;
  int y = 1000;
  for (std::size_t i = 0; i < std::size(kTexts); ++i) {
    const MeasuredText& t = kTexts[i];
    const std::string n = std::to_string(i);
    styles += "<style:style style:name=\"T" + n + "\" style:family=\"text\"><style:text-properties fo:font-family=\"'" +
              t.font + "'\" fo:font-size=\"" + std::to_string(static_cast<int>(t.points)) + "pt\"/></style:style>";
    frames += "<draw:frame draw:style-name=\"gr\" svg:x=\"1cm\" svg:y=\"" + std::to_string(y / 1000.0) +
              "cm\" svg:width=\"" + std::to_string(t.widthMm100 / 1000.0) +
              "cm\" svg:height=\"2cm\"><draw:text-box><text:p><text:span text:style-name=\"T" + n + "\">" + t.text +
              "</text:span></text:p></draw:text-box></draw:frame>";
    y += 3000;
  }
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:automatic-styles>
<style:style style:name="gr" style:family="graphic"><style:graphic-properties draw:stroke="none" draw:fill="none"
 fo:padding-top="0cm" fo:padding-bottom="0cm" fo:padding-left="0cm" fo:padding-right="0cm"
 draw:auto-grow-height="false" draw:auto-grow-width="false" fo:wrap-option="wrap"/></style:style>
)" + styles +
         R"(
</office:automatic-styles>
<office:body><office:presentation><draw:page draw:name="page1">)" +
         frames + R"(</draw:page></office:presentation></office:body>
</office:document>
)";
}

TEST(OfficeFonts, TextSizedToTheWindowsFontsKeepsItsLineCount) {
  ORVANTA_NEEDS(access("/usr/lib/libreoffice/program/soffice", X_OK) == 0, "LibreOffice (soffice)");
  test::ScratchFolder scratch;
  const fs::path work = scratch.path();
  const fs::path deck = work / "measured.fodp";
  std::ofstream(deck, std::ios::binary) << FlatPresentation();

  RecordingNotifier notes;
  ScopedNotifier scoped(notes);
  std::int64_t group = 0;
  {
    OfficeServer server;
    ServerStart start = server.CreateObject(kPresentationServerClass);
    ASSERT_FALSE(start.application.IsNull()) << start.description;
    group = server.processGroup();
    using K = DispatchKind;
    AutomationObject presentation =
        start.application.GetObject(dispid::kApplicationPresentations)
            .Invoke(dispid::kPresentationsOpen, K::kMethod,
                    {Variant::Text(deck.string()), Variant::I4(0), Variant::I4(0), Variant::I4(0)})
            .Object();
    AutomationObject shapes = presentation.GetObject(dispid::kPresentationSlides)
                                  .Invoke(dispid::kSlidesItem, K::kMethod, {Variant::Index(1)})
                                  .Object()
                                  .GetObject(dispid::kSlideShapes);
    ASSERT_EQ(shapes.GetI4(dispid::kShapesCount), static_cast<std::int32_t>(std::size(kTexts)));
    for (std::size_t i = 0; i < std::size(kTexts); ++i) {
      AutomationObject text = shapes.Invoke(dispid::kShapesItem, K::kMethod, {Variant::Index(static_cast<int>(i) + 1)})
                                  .Object()
                                  .GetObject(dispid::kShapeTextFrame)
                                  .GetObject(dispid::kTextFrameTextRange);
      ASSERT_EQ(text.GetText(dispid::kTextRangeText), kTexts[i].text);
      // One line is about 1.15 times the size high, two about 2.3 times.
      const double height = text.GetR4(dispid::kTextRangeBoundHeight);
      EXPECT_LT(height, 1.7 * kTexts[i].points)
          << kTexts[i].font << ": \"" << kTexts[i].text << "\" broke onto another line (" << height
          << " pt high); are fonts-liberation2, fonts-crosextra-carlito and fonts-crosextra-caladea installed?";
    }
    start.application.Invoke(dispid::kApplicationQuit, K::kMethod);
  }
  EXPECT_TRUE(group == 0 || ::kill(-static_cast<pid_t>(group), 0) != 0) << "LibreOffice outlived its server";
  fs::remove_all(work);
}

}  // namespace
}  // namespace orv
