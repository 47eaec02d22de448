// The deck's outline as the server answers it: what a reply says is read
// back whole, and a damaged reply is refused with a reason, not half read.
#include <gtest/gtest.h>

#include <string>

#include "pipeline/deck_outline.h"

namespace orv {
namespace {

TEST(DeckOutline, ReadsBackWhatItWritesAndRefusesDamagedReplies) {
  DeckOutline outline;
  OutlineShape group{OutlineShape::Kind::kGroup, -5, 7, "Diagram", "Boxes", {}, {}, {}, false};
  OutlineShape inner{OutlineShape::Kind::kText, 1, 2, "", "", {}, {}, {}, false};
  inner.paragraphs.push_back(
      {{{"Go", "https://example.org/", "en-GB"}, {" 가", "", "ko-KR"}}, TextParagraph::List::kNumber, 2});
  group.items.push_back(inner);
  OutlineShape table{OutlineShape::Kind::kTable, 0, 0, "", "", {}, {}, {{{}, {inner.paragraphs}}}, true};
  outline.slides.push_back({{group, table}, {inner}});
  std::string error;
  const auto again = ParseDeckOutline(WriteDeckOutline(outline), error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(WriteDeckOutline(*again), WriteDeckOutline(outline));
  const OutlineParagraph& back = again->slides[0].shapes[0].items[0].paragraphs[0];
  EXPECT_EQ(back.runs[0].link, "https://example.org/");
  EXPECT_EQ(back.runs[1].language, "ko-KR");
  EXPECT_EQ(back.level, 2);
  EXPECT_TRUE(again->slides[0].shapes[1].headerRow);

  std::string deep = R"({"kind":"text"})";
  for (int k = 0; k <= kMaxOutlineDepth + 1; ++k) deep = R"({"kind":"group","items":[)" + deep + "]}";
  const struct {
    std::string reply;
    const char* why;
  } damaged[] = {
      {"", "not JSON"},
      {"[1,2]", "not an object"},
      {R"({"slides":{}})", "is not a list"},
      {R"({"slides":[{"shapes":[{"kind":"text","x":"left"}]}]})", "whole number"},
      {R"({"slides":[{"shapes":[{"kind":"text","paragraphs":[{"runs":[{"text":7}]}]}]}]})", "not a text"},
      {R"({"slides":[{"shapes":[{"kind":"table","rows":[{"a":1}]}]}]})", "row is not a list"},
      {R"({"slides":[{"shapes":[)" + deep + "]}]}", "too deep"},
  };
  for (const auto& c : damaged) {
    error.clear();
    EXPECT_FALSE(ParseDeckOutline(c.reply, error)) << c.reply;
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
  }
  // What a newer reader adds is passed over; an unknown kind is "other", a
  // level out of range the nearest one.
  const auto lenient = ParseDeckOutline(
      R"({"version":2,"slides":[{"shapes":[{"kind":"hologram","paragraphs":[{"runs":[],"list":"bullet","level":99}]}]}]})",
      error);
  ASSERT_TRUE(lenient) << error;
  EXPECT_EQ(lenient->slides[0].shapes[0].kind, OutlineShape::Kind::kOther);
  EXPECT_EQ(lenient->slides[0].shapes[0].paragraphs[0].level, 9);
}

}  // namespace
}  // namespace orv
