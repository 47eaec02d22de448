// The picture size rules, the failures, and what simple metafiles draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "image/metafile_player.h"
#include "image/text_decode.h"
#include "support/metafile_builders.h"

namespace orv {
namespace {

using test::At;
using test::EmfBuilder;
using test::Near;
using test::Pixel;
using test::WmfBuilder;

constexpr Pixel kWhite{255, 255, 255};
constexpr Pixel kRed{255, 0, 0};
constexpr Pixel kGreen{0, 255, 0};
constexpr Pixel kBlue{0, 0, 255};
constexpr std::uint32_t kRedRef = 0x0000FF, kGreenRef = 0x00FF00, kBlueRef = 0xFF0000;

struct Result {
  bool ok;
  MetafilePicture picture;
  std::string error;
};

Result Render(const std::vector<std::uint8_t>& bytes, int maxWidth = 0, int maxHeight = 0) {
  Result r;
  r.ok = RenderMetafile(bytes, maxWidth, maxHeight, r.picture, r.error);
  return r;
}

// A 96-unit-per-inch page, so one unit is one pixel.
WmfBuilder Page(int width, int height) {
  return WmfBuilder(0, 0, static_cast<std::int16_t>(width), static_cast<std::int16_t>(height), 96);
}

std::vector<std::uint16_t> ToWords(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint16_t> words;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    words.push_back(static_cast<std::uint16_t>(bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0)));
  }
  return words;
}

// A packed 24-bit bitmap from rows given top first.
std::vector<std::uint8_t> Dib24(const std::vector<std::vector<Pixel>>& rows) {
  const int width = static_cast<int>(rows[0].size()), height = static_cast<int>(rows.size());
  std::vector<std::uint8_t> dib = {40, 0, 0, 0};
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) dib.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  put32(static_cast<std::uint32_t>(width));
  put32(static_cast<std::uint32_t>(height));
  put32(1 | (24 << 16));
  for (int i = 0; i < 6; ++i) put32(0);
  const int stride = (width * 3 + 3) / 4 * 4;
  for (int y = height - 1; y >= 0; --y) {
    for (const Pixel& p : rows[static_cast<std::size_t>(y)]) {
      dib.insert(dib.end(),
                 {static_cast<std::uint8_t>(p.b), static_cast<std::uint8_t>(p.g), static_cast<std::uint8_t>(p.r)});
    }
    for (int pad = width * 3; pad < stride; ++pad) dib.push_back(0);
  }
  return dib;
}

TEST(MetafileSize, FollowsTheBoxAtNinetySixPixelsPerInchAndTheLimits) {
  // A standard slide page: 10 x 7.5 inches.
  Result slide = Render(WmfBuilder(0, 0, 5760, 4320, 576).Bytes());
  ASSERT_TRUE(slide.ok) << slide.error;
  EXPECT_EQ(slide.picture.width, 960);
  EXPECT_EQ(slide.picture.height, 720);
  EXPECT_EQ(slide.picture.bgr.size(), 960u * 720u * 3u);

  // The box need not start at zero.
  Result moved = Render(WmfBuilder(-100, 200, 188, 344, 144).Bytes());
  ASSERT_TRUE(moved.ok);
  EXPECT_EQ(moved.picture.width, 192);
  EXPECT_EQ(moved.picture.height, 96);

  // 50 x 10 inches is 4800 x 960 and comes down to 4000 wide.
  Result wide = Render(WmfBuilder(0, 0, 5000, 1000, 100).Bytes());
  ASSERT_TRUE(wide.ok);
  EXPECT_EQ(wide.picture.width, 4000);
  EXPECT_EQ(wide.picture.height, 800);

  Result tall = Render(Page(100, 9000).Bytes());
  ASSERT_TRUE(tall.ok);
  EXPECT_EQ(tall.picture.width, 44);
  EXPECT_EQ(tall.picture.height, 4000);

  // Forced sides replace the natural ones before the limit applies.
  Result forced = Render(WmfBuilder(0, 0, 5760, 4320, 576).Bytes(), 500, 0);
  EXPECT_EQ(forced.picture.width, 500);
  EXPECT_EQ(forced.picture.height, 720);
  Result forcedBig = Render(WmfBuilder(0, 0, 5760, 4320, 576).Bytes(), 8000, 300);
  EXPECT_EQ(forcedBig.picture.width, 4000);
  EXPECT_EQ(forcedBig.picture.height, 150);

  // A line-thin picture keeps at least one row after the limit.
  Result flat = Render(Page(30000, 2).Bytes());
  ASSERT_TRUE(flat.ok);
  EXPECT_EQ(flat.picture.width, 4000);
  EXPECT_EQ(flat.picture.height, 1);

  // Enhanced metafiles take their size from the bounds.
  Result emf = Render(EmfBuilder(200, 100).Bytes());
  ASSERT_TRUE(emf.ok) << emf.error;
  EXPECT_EQ(emf.picture.width, 200);
  EXPECT_EQ(emf.picture.height, 100);
}

TEST(MetafileSize, RejectsWhatIsNotAMetafileAndPicturesWithoutArea) {
  auto expectError = [](const std::vector<std::uint8_t>& bytes, const char* error) {
    Result r = Render(bytes);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, error);
    EXPECT_TRUE(r.picture.bgr.empty());
  };
  expectError(Page(100, 100).Bytes(false), "corrupted WMF");  // checksum
  expectError(WmfBuilder(0, 0, 100, 100, 0).Bytes(), "corrupted WMF");
  expectError(WmfBuilder(0, 0, 100, 100, 2541).Bytes(), "corrupted WMF");
  expectError({}, "corrupted WMF");
  expectError(std::vector<std::uint8_t>(300, 0x41), "corrupted WMF");

  auto badType = Page(100, 100).Bytes();
  badType[22] = 3;
  expectError(badType, "corrupted WMF");
  // The standard header promises more words than the file holds.
  auto truncated = Page(100, 100).Bytes();
  truncated.resize(truncated.size() - 2);
  expectError(truncated, "corrupted WMF");
  // An enhanced header without its signature.
  auto unsigned_ = EmfBuilder(10, 10).Bytes();
  unsigned_[40] = 'X';
  expectError(unsigned_, "corrupted WMF");

  expectError(Page(0, 100).Bytes(), "empty WMF");
  expectError(Page(100, 0).Bytes(), "empty WMF");
  expectError(WmfBuilder(100, 0, 50, 100, 96).Bytes(), "empty WMF");  // reversed box
  expectError(WmfBuilder(0, 0, 5, 100, 576).Bytes(), "empty WMF");    // under one pixel
  expectError(EmfBuilder(0, 50).Bytes(), "empty WMF");
}

TEST(MetafileDrawing, UnpaintedAreasStayWhiteAndShapesLandWhereTheBoxSays) {
  Result blank = Render(Page(64, 48).Bytes());
  ASSERT_TRUE(blank.ok);
  for (std::size_t i = 0; i < blank.picture.bgr.size(); ++i) ASSERT_EQ(blank.picture.bgr[i], 255);

  // Null pen (slot 0), red brush (slot 1); rectangle 20..60 x 10..30.
  Result rect = Render(Page(100, 50).Pen(5, 0, 0).Select(0).Brush(0, kRedRef).Select(1).Rect(20, 10, 60, 30).Bytes());
  ASSERT_TRUE(rect.ok);
  EXPECT_EQ(At(rect.picture, 40, 20), kRed);
  EXPECT_EQ(At(rect.picture, 21, 11), kRed);
  EXPECT_EQ(At(rect.picture, 10, 20), kWhite);
  EXPECT_EQ(At(rect.picture, 70, 20), kWhite);
  EXPECT_EQ(At(rect.picture, 40, 40), kWhite);

  // A box that starts away from zero moves the drawing with it; a window
  // set by the records is stretched over the whole picture.
  Result window = Render(WmfBuilder(0, 0, 200, 100, 96)
                             .Record(0x020B, {0, 0})
                             .Record(0x020C, {10, 20})  // window 20 x 10
                             .Pen(5, 0, 0)
                             .Select(0)
                             .Brush(0, kBlueRef)
                             .Select(1)
                             .Rect(10, 0, 20, 5)
                             .Bytes());
  ASSERT_TRUE(window.ok);
  EXPECT_EQ(At(window.picture, 150, 25), kBlue);
  EXPECT_EQ(At(window.picture, 50, 25), kWhite);
  EXPECT_EQ(At(window.picture, 150, 75), kWhite);

  Result offset = Render(WmfBuilder(1000, 2000, 1100, 2050, 96)
                             .Pen(5, 0, 0)
                             .Select(0)
                             .Brush(0, kGreenRef)
                             .Select(1)
                             .Rect(1000, 2000, 1050, 2025)
                             .Bytes());
  ASSERT_TRUE(offset.ok);
  EXPECT_EQ(At(offset.picture, 25, 12), kGreen);
  EXPECT_EQ(At(offset.picture, 75, 12), kWhite);
}

TEST(MetafileDrawing, MappingModesPlaceLogicalUnits) {
  // MM_LOMETRIC: 0.1 mm units with y upwards; on a 96-dpi page 254 units are
  // one inch. The origin is moved to the bottom left by the viewport.
  Result metric = Render(Page(200, 200)
                             .Record(0x0103, {2})
                             .Record(0x020D, {200, 0})  // viewport origin (0, 200)
                             .Pen(5, 0, 0)
                             .Select(0)
                             .Brush(0, kRedRef)
                             .Select(1)
                             .Rect(0, 254, 254, 0)
                             .Bytes());
  ASSERT_TRUE(metric.ok);
  EXPECT_EQ(At(metric.picture, 48, 150), kRed);
  EXPECT_EQ(At(metric.picture, 48, 90), kWhite);  // above one inch from the bottom
  EXPECT_EQ(At(metric.picture, 110, 150), kWhite);

  // MM_ISOTROPIC keeps units square: a 10 x 10 window on a 200 x 100
  // viewport uses 10 pixels per unit both ways.
  Result iso = Render(Page(200, 100)
                          .Record(0x0103, {7})
                          .Record(0x020C, {10, 10})
                          .Record(0x020E, {100, 200})
                          .Pen(5, 0, 0)
                          .Select(0)
                          .Brush(0, kBlueRef)
                          .Select(1)
                          .Rect(0, 0, 10, 5)
                          .Bytes());
  ASSERT_TRUE(iso.ok);
  EXPECT_EQ(At(iso.picture, 50, 25), kBlue);
  EXPECT_EQ(At(iso.picture, 150, 25), kWhite);
  EXPECT_EQ(At(iso.picture, 50, 75), kWhite);
}

TEST(MetafileDrawing, ClipRectanglesAndSavedStates) {
  // Inside a saved state: clip to 10..90, exclude 40..60, fill everything.
  // After the restore the clip is gone again.
  Result r = Render(Page(100, 100)
                        .Pen(5, 0, 0)
                        .Select(0)
                        .Brush(0, kRedRef)
                        .Select(1)
                        .Record(0x001E, {})
                        .Record(0x0416, {90, 90, 10, 10})
                        .Record(0x0415, {60, 60, 40, 40})
                        .Rect(0, 0, 100, 100)
                        .Record(0x0127, {-1})
                        .Brush(0, kBlueRef)
                        .Select(2)
                        .Rect(0, 0, 100, 5)
                        .Bytes());
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(At(r.picture, 20, 20), kRed);
  EXPECT_EQ(At(r.picture, 50, 50), kWhite);
  EXPECT_EQ(At(r.picture, 5, 50), kWhite);
  EXPECT_EQ(At(r.picture, 95, 95), kWhite);
  EXPECT_EQ(At(r.picture, 2, 2), kBlue);
  EXPECT_EQ(At(r.picture, 50, 2), kBlue);
}

TEST(MetafileDrawing, ObjectTableReusesTheLowestFreeSlot) {
  // Slots: pen 0, red brush 1; slot 0 freed; the green brush takes slot 0.
  Result r = Render(Page(60, 60)
                        .Pen(5, 0, 0)
                        .Brush(0, kRedRef)
                        .Select(0)
                        .Select(1)
                        .Delete(0)
                        .Brush(0, kGreenRef)
                        .Select(0)
                        .Rect(10, 10, 50, 50)
                        .Bytes());
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(Near(At(r.picture, 30, 30), kGreen, 0));
}

TEST(MetafileDrawing, LinesPensAndFillModes) {
  // A 3-unit blue pen from (10, 20) to (90, 20); a null pen draws nothing.
  Result lines = Render(Page(100, 60)
                            .Pen(0, 3, kBlueRef)
                            .Select(0)
                            .Record(0x0214, {20, 10})
                            .Record(0x0213, {20, 90})
                            .Pen(5, 3, kRedRef)
                            .Select(1)
                            .Record(0x0214, {40, 10})
                            .Record(0x0213, {40, 90})
                            .Bytes());
  ASSERT_TRUE(lines.ok);
  EXPECT_EQ(At(lines.picture, 50, 20), kBlue);
  EXPECT_EQ(At(lines.picture, 50, 25), kWhite);
  EXPECT_EQ(At(lines.picture, 50, 40), kWhite);

  // Two nested squares drawn the same way round: a hole with the alternate
  // rule, filled with the winding rule.
  auto nested = [](int fillMode) {
    WmfBuilder b = Page(100, 100);
    b.Pen(5, 0, 0).Select(0).Brush(0, kRedRef).Select(1).Record(0x0106, {fillMode});
    b.Record(0x0538, {2, 4, 4, 10, 10, 90, 10, 90, 90, 10, 90, 30, 30, 70, 30, 70, 70, 30, 70});
    return Render(b.Bytes());
  };
  Result alternate = nested(1), winding = nested(2);
  EXPECT_EQ(At(alternate.picture, 20, 20), kRed);
  EXPECT_EQ(At(alternate.picture, 50, 50), kWhite);
  EXPECT_EQ(At(winding.picture, 50, 50), kRed);

  // Polygon, ellipse and round rectangle fill their insides only.
  Result shapes = Render(Page(300, 100)
                             .Pen(5, 0, 0)
                             .Select(0)
                             .Brush(0, kGreenRef)
                             .Select(1)
                             .Record(0x0324, {3, 10, 90, 50, 10, 90, 90})
                             .Record(0x0418, {90, 190, 10, 110})
                             .Record(0x061C, {40, 40, 90, 290, 10, 210})
                             .Bytes());
  ASSERT_TRUE(shapes.ok);
  EXPECT_EQ(At(shapes.picture, 50, 70), kGreen);
  EXPECT_EQ(At(shapes.picture, 15, 20), kWhite);
  EXPECT_EQ(At(shapes.picture, 150, 50), kGreen);
  EXPECT_EQ(At(shapes.picture, 113, 13), kWhite);  // outside the ellipse's curve
  EXPECT_EQ(At(shapes.picture, 250, 50), kGreen);
  EXPECT_EQ(At(shapes.picture, 212, 12), kWhite);  // cut-off corner
  EXPECT_EQ(At(shapes.picture, 250, 12), kGreen);
}

// Counts pixels that are not white inside a rectangle.
int Ink(const MetafilePicture& p, int left, int top, int right, int bottom) {
  int count = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) count += Near(At(p, x, y), kWhite, 40) ? 0 : 1;
  }
  return count;
}

WmfBuilder& Font(WmfBuilder& b, int height, int charset, const std::string& face) {
  std::vector<std::uint16_t> words = {static_cast<std::uint16_t>(height),       0, 0, 0, 400, 0,
                                      static_cast<std::uint16_t>(charset << 8), 0, 0};
  std::vector<std::uint8_t> name(face.begin(), face.end());
  name.resize(32, 0);
  for (auto w : ToWords(name)) words.push_back(w);
  return b.Raw(0x02FB, words);
}

TEST(MetafileText, AlignmentPlacesTextAroundItsReferencePoint) {
  auto render = [](int align) {
    WmfBuilder b = Page(400, 100);
    b.Record(0x0102, {1});  // transparent
    Font(b, -30, 0, "Arial").Select(0);
    b.Record(0x012E, {align});
    // TextOut "HHHH" at (200, 50).
    b.Record(0x0521, {4, 'H' | 'H' << 8, 'H' | 'H' << 8, 50, 200});
    return Render(b.Bytes()).picture;
  };
  const MetafilePicture left = render(0), centre = render(6), right = render(2);
  EXPECT_GT(Ink(left, 200, 50, 400, 100), 200);
  EXPECT_EQ(Ink(left, 0, 0, 198, 100), 0);
  EXPECT_EQ(Ink(left, 0, 0, 400, 48), 0);  // top alignment: below y
  EXPECT_GT(Ink(centre, 140, 50, 199, 100), 100);
  EXPECT_GT(Ink(centre, 201, 50, 260, 100), 100);
  EXPECT_EQ(Ink(right, 202, 0, 400, 100), 0);
  EXPECT_GT(Ink(right, 0, 50, 200, 100), 200);

  const MetafilePicture baseline = render(24), bottom = render(8);
  EXPECT_GT(Ink(baseline, 200, 20, 400, 50), 200);
  EXPECT_EQ(Ink(baseline, 0, 52, 400, 100), 0);
  EXPECT_EQ(Ink(bottom, 0, 51, 400, 100), 0);
}

int RightmostInk(const MetafilePicture& p) {
  int rightmost = -1;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      if (!Near(At(p, x, y), kWhite, 40)) rightmost = std::max(rightmost, x);
    }
  }
  return rightmost;
}

TEST(MetafileText, EscapementAndTheCurrentPosition) {
  // Turned a quarter counter-clockwise, the text runs upwards from its point.
  WmfBuilder turned = Page(400, 200);
  turned.Record(0x0102, {1});
  turned.Raw(0x02FB,
             {static_cast<std::uint16_t>(-30), 0, 900, 900, 400, 0, 0, 0, 0, 'A' | 'r' << 8, 'i' | 'a' << 8, 'l'});
  turned.Select(0).Record(0x0521, {4, 'H' | 'H' << 8, 'H' | 'H' << 8, 150, 100});
  const MetafilePicture up = Render(turned.Bytes()).picture;
  EXPECT_GT(Ink(up, 100, 50, 140, 150), 200);
  EXPECT_EQ(Ink(up, 0, 152, 400, 200), 0);
  EXPECT_EQ(Ink(up, 145, 0, 400, 200), 0);

  // With TA_UPDATECP the text starts at the current position and moves it on.
  auto text = [](bool twice) {
    WmfBuilder b = Page(400, 100);
    b.Record(0x0102, {1});
    Font(b, -30, 0, "Arial").Select(0);
    b.Record(0x012E, {1}).Record(0x0214, {10, 10});
    b.Record(0x0521, {2, 'H' | 'H' << 8, 80, 300});
    if (twice) b.Record(0x0521, {2, 'H' | 'H' << 8, 80, 300});
    return Render(b.Bytes()).picture;
  };
  const MetafilePicture once = text(false), twice = text(true);
  const int firstEnd = RightmostInk(once);
  EXPECT_GT(firstEnd, 20);
  EXPECT_LT(firstEnd, 100);
  EXPECT_GT(RightmostInk(twice), firstEnd + 15);
  EXPECT_EQ(Ink(twice, 0, 60, 400, 100), 0);  // the given point is not used
}

TEST(MetafileText, ColoursBackgroundsAndOpaqueRectangles) {
  WmfBuilder b = Page(300, 100);
  Font(b, -30, 0, "Arial").Select(0);
  b.Record(0x0209, {static_cast<int>(kRedRef & 0xFFFF), 0});    // text colour
  b.Record(0x0201, {static_cast<int>(kGreenRef & 0xFFFF), 0});  // background colour
  b.Record(0x0102, {2});                                        // opaque
  b.Record(0x0521, {2, 'W' | 'W' << 8, 10, 10});
  // ExtTextOut, opaque option, rectangle (150, 10)-(290, 90), no text.
  b.Record(0x0A32, {20, 160, 0, 2, 150, 10, 290, 90});
  Result r = Render(b.Bytes());
  ASSERT_TRUE(r.ok);
  int red = 0, green = 0;
  for (int y = 10; y < 50; ++y) {
    for (int x = 10; x < 80; ++x) {
      red += Near(At(r.picture, x, y), kRed, 30) ? 1 : 0;
      green += Near(At(r.picture, x, y), kGreen, 30) ? 1 : 0;
    }
  }
  EXPECT_GT(red, 100);
  EXPECT_GT(green, 100);
  EXPECT_EQ(At(r.picture, 220, 50), kGreen);
  EXPECT_EQ(At(r.picture, 295, 50), kWhite);
}

TEST(MetafileText, ClippedTextAndAdvances) {
  // "HHHH" at (10, 10) clipped to x 10..40: nothing to the right of 40.
  auto render = [](std::vector<std::uint16_t> words) {
    WmfBuilder b = Page(400, 100);
    b.Record(0x0102, {1});
    Font(b, -30, 0, "Arial").Select(0);
    b.Raw(0x0A32, words);
    return Render(b.Bytes()).picture;
  };
  const MetafilePicture clipped = render({10, 10, 4, 4, 10, 0, 40, 100, 'H' | 'H' << 8, 'H' | 'H' << 8});
  EXPECT_GT(Ink(clipped, 10, 10, 40, 60), 50);
  EXPECT_EQ(Ink(clipped, 41, 0, 400, 100), 0);
  // Advances of 80 units put the four letters 80 pixels apart.
  const MetafilePicture spaced = render({10, 10, 4, 0, 'H' | 'H' << 8, 'H' | 'H' << 8, 80, 80, 80, 80});
  EXPECT_GT(RightmostInk(spaced), 250);
  EXPECT_EQ(Ink(spaced, 45, 0, 85, 100), 0);  // the gap after the first letter
}

TEST(MetafileText, EightBitTextFollowsTheFontCharset) {
  // "上一" in GBK.
  const std::vector<std::uint8_t> gbk = {0xC9, 0xCF, 0xD2, 0xBB};
  const DecodedText chinese = DecodeAnsiText(gbk, 134);
  ASSERT_EQ(chinese.chars.size(), 2u);
  EXPECT_EQ(chinese.chars[0], "上");
  EXPECT_EQ(chinese.chars[1], "一");
  EXPECT_EQ(chinese.units, (std::vector<int>{2, 2}));
  // The same bytes in the default charset are four Windows-1252 letters.
  const DecodedText western = DecodeAnsiText(gbk, 0);
  ASSERT_EQ(western.chars.size(), 4u);
  EXPECT_EQ(western.chars[0], "É");
  // A lead byte at the end and an unknown pair do not lose the rest.
  const DecodedText broken = DecodeAnsiText(std::vector<std::uint8_t>{'A', 0x81, 0x20, 0xC9}, 134);
  ASSERT_GE(broken.chars.size(), 2u);
  EXPECT_EQ(broken.chars[0], "A");
  EXPECT_EQ(AnsiToUtf8(std::vector<std::uint8_t>{0xBA, 0xDA, 0xCC, 0xE5, 0, 'x'}, 134), "黑体");
  EXPECT_EQ(Utf16ToUtf8(std::vector<std::uint8_t>{0x3D, 0xD8, 0x00, 0xDE, 0x41, 0, 0, 0}), "😀A");

  // Drawn through a charset 134 font, the text shows up.
  WmfBuilder b = Page(200, 60);
  b.Record(0x0102, {1});
  Font(b, -32, 134, "SimHei").Select(0);
  b.Raw(0x0521, {4, 0xCFC9, 0xBBD2, 10, 10});
  Result r = Render(b.Bytes());
  ASSERT_TRUE(r.ok);
  EXPECT_GT(Ink(r.picture, 10, 10, 80, 50), 100);
}

TEST(MetafileBitmaps, DeviceIndependentBitmapsAreScaledIntoPlace) {
  // 2 x 2: red, green over blue, white; stretched to 100 x 100 at (0, 0).
  const auto dib = Dib24({{kRed, kGreen}, {kBlue, kWhite}});
  std::vector<std::uint16_t> stretch = {0x0020, 0x00CC, 0, 2, 2, 0, 0, 100, 100, 0, 0};
  for (auto w : ToWords(dib)) stretch.push_back(w);
  Result r = Render(Page(200, 100).Raw(0x0F43, stretch).Bytes());
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(Near(At(r.picture, 10, 10), kRed));
  EXPECT_TRUE(Near(At(r.picture, 90, 10), kGreen));
  EXPECT_TRUE(Near(At(r.picture, 10, 90), kBlue));
  EXPECT_TRUE(Near(At(r.picture, 90, 90), kWhite));
  EXPECT_EQ(At(r.picture, 150, 50), kWhite);

  // An 8-bit palette bitmap through DIBSTRETCHBLT, and the same through
  // SETDIBITSTODEVICE one to one.
  std::vector<std::uint8_t> palette = {40, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 1, 0, 8, 0};
  palette.resize(40, 0);
  palette[32] = 2;                                              // colours used
  palette.insert(palette.end(), {0, 0, 255, 0, 255, 0, 0, 0});  // red, blue
  palette.insert(palette.end(), {0, 1, 1, 0});                  // one row: red, blue, blue, red
  std::vector<std::uint16_t> blt = {0x0020, 0x00CC, 1, 4, 0, 0, 40, 160, 10, 20};
  for (auto w : ToWords(palette)) blt.push_back(w);
  std::vector<std::uint16_t> toDevice = {0, 1, 0, 0, 0, 1, 4, 80, 100};
  for (auto w : ToWords(palette)) toDevice.push_back(w);
  Result p = Render(Page(200, 100).Raw(0x0B41, blt).Raw(0x0D33, toDevice).Bytes());
  ASSERT_TRUE(p.ok);
  // Sampled at the middle of each source pixel (40 pixels wide each).
  EXPECT_TRUE(Near(At(p.picture, 40, 30), kRed));
  EXPECT_TRUE(Near(At(p.picture, 80, 30), kBlue));
  EXPECT_TRUE(Near(At(p.picture, 120, 30), kBlue));
  EXPECT_TRUE(Near(At(p.picture, 160, 30), kRed));
  EXPECT_EQ(At(p.picture, 10, 30), kWhite);
  EXPECT_EQ(At(p.picture, 100, 80), kRed);
  EXPECT_EQ(At(p.picture, 101, 80), kBlue);
  EXPECT_EQ(At(p.picture, 103, 80), kRed);
  EXPECT_EQ(At(p.picture, 100, 81), kWhite);
}

TEST(MetafileBitmaps, RunLengthEncodedBitmaps) {
  // 2 x 2, 8 bits, run-length encoded, bottom row first: two of blue; then
  // red and blue. A run past the row end and a delta past the bitmap are
  // dropped rather than written outside it.
  std::vector<std::uint8_t> dib = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 1, 0, 0, 0};
  dib.resize(40, 0);
  dib[32] = 2;
  dib.insert(dib.end(), {0, 0, 255, 0, 255, 0, 0, 0});  // red, blue
  dib.insert(dib.end(), {2, 1, 0, 0, 1, 0, 1, 1, 9, 1, 0, 2, 200, 200, 0, 1});
  std::vector<std::uint16_t> stretch = {0x0020, 0x00CC, 0, 2, 2, 0, 0, 100, 100, 0, 0};
  for (auto w : ToWords(dib)) stretch.push_back(w);
  Result r = Render(Page(100, 100).Raw(0x0F43, stretch).Bytes());
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(Near(At(r.picture, 20, 20), kRed));
  EXPECT_TRUE(Near(At(r.picture, 80, 20), kBlue));
  EXPECT_TRUE(Near(At(r.picture, 20, 80), kBlue));
  EXPECT_TRUE(Near(At(r.picture, 80, 80), kBlue));
}

TEST(MetafileBitmaps, MaskedPicturesKeepTheBackgroundWhereTheMaskIsBlack) {
  // The OR of a mask (white where the picture is) and then the AND of the
  // picture (white around it) leave the background outside the picture.
  auto stretch = [](std::uint32_t rop, const std::vector<std::uint8_t>& dib) {
    std::vector<std::uint16_t> words = {
        static_cast<std::uint16_t>(rop), static_cast<std::uint16_t>(rop >> 16), 0, 1, 3, 0, 0, 50, 150, 0, 0};
    for (auto w : ToWords(dib)) words.push_back(w);
    return words;
  };
  const Pixel black{0, 0, 0};
  Result r = Render(Page(150, 60)
                        .Pen(5, 0, 0)
                        .Select(0)
                        .Brush(0, kGreenRef)
                        .Select(1)
                        .Rect(0, 0, 150, 60)
                        .Raw(0x0F43, stretch(0x00EE0086, Dib24({{kWhite, black, kWhite}})))
                        .Raw(0x0F43, stretch(0x008800C6, Dib24({{kRed, kWhite, kBlue}})))
                        .Raw(0x0F43, stretch(0x00660046, Dib24({{black, kWhite, black}})))
                        .Bytes());
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(At(r.picture, 25, 25), kRed);
  EXPECT_EQ(At(r.picture, 75, 25), (Pixel{255, 0, 255}));  // green inverted by the last copy
  EXPECT_EQ(At(r.picture, 125, 25), kBlue);
  EXPECT_EQ(At(r.picture, 75, 55), kGreen);  // below the pictures
}

TEST(MetafileEnhanced, RecordsDrawWithObjectsStockObjectsAndSavedStates) {
  EmfBuilder b(200, 100);
  b.Record(39, {1, 0, kRedRef, 0});    // brush 1: red
  b.Record(39, {2, 0, kGreenRef, 0});  // brush 2: green
  b.Record(37, {0x80000008});          // NULL_PEN
  b.Record(37, {1});
  b.Record(43, {10, 10, 50, 50});  // red rectangle
  b.Record(33, {});                // save
  b.Record(37, {2});
  b.Record(42, {60, 10, 100, 50});                                                // green ellipse
  b.Record(34, {-1});                                                             // back to red
  b.Record(86, {0, 0, 0, 0, 3, 110 | 10 << 16, 150 | 10 << 16, 130 | 50 << 16});  // polygon16
  b.Record(40, {1});                                                              // deleting does not unselect
  b.Record(43, {160, 10, 190, 50});
  // Anisotropic mapping: window 10 x 10 onto viewport 100 x 50 at (0, 50).
  b.Record(17, {8});
  b.Record(9, {10, 10});
  b.Record(11, {100, 50});
  b.Record(12, {0, 50});
  b.Record(37, {0x80000004});  // BLACK_BRUSH
  b.Record(43, {0, 0, 5, 5});
  Result r = Render(b.Bytes());
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(At(r.picture, 30, 30), kRed);
  EXPECT_EQ(At(r.picture, 80, 30), kGreen);
  EXPECT_EQ(At(r.picture, 130, 35), kRed);
  EXPECT_EQ(At(r.picture, 175, 30), kRed);
  EXPECT_EQ(At(r.picture, 25, 62), (Pixel{0, 0, 0}));
  EXPECT_EQ(At(r.picture, 60, 62), kWhite);
  EXPECT_EQ(At(r.picture, 5, 5), kWhite);
}

TEST(MetafileEnhanced, PathsAndWorldTransforms) {
  EmfBuilder b(200, 100);
  b.Record(39, {1, 0, kRedRef, 0}).Record(37, {1}).Record(37, {0x80000008});
  // A triangle collected as a path and filled afterwards.
  b.Record(59, {});
  b.Record(27, {10, 90}).Record(54, {50, 10}).Record(54, {90, 90});
  b.Record(61, {});
  b.Record(60, {});
  EmfBuilder nothingYet = b;
  b.Record(62, {0, 0, 0, 0});
  // A world transform that doubles and moves: (0, 0, 20, 20) becomes (120, 10)-(160, 50).
  auto f = [](float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return static_cast<std::int64_t>(bits);
  };
  b.Record(35, {f(2), f(0), f(0), f(2), f(120), f(10)});
  b.Record(43, {0, 0, 20, 20});
  Result r = Render(b.Bytes());
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(At(r.picture, 50, 70), kRed);
  EXPECT_EQ(At(r.picture, 15, 20), kWhite);
  EXPECT_EQ(At(r.picture, 140, 30), kRed);
  EXPECT_EQ(At(r.picture, 170, 30), kWhite);
  EXPECT_EQ(At(r.picture, 110, 30), kWhite);
  // Until the path is filled nothing of it shows.
  Result pending = Render(nothingYet.Bytes());
  EXPECT_EQ(At(pending.picture, 50, 70), kWhite);
}

TEST(MetafileEnhanced, TextAndBitmapRecordsDraw) {
  EmfBuilder b(300, 100);
  // EXTTEXTOUTW "Hi" at (10, 10): bounds, mode, scales, EMRTEXT, string, advances.
  // Font 1: 30 pixels, bold, face "Arial" in a 32-unit field.
  b.Record(82,
           {1, -30, 0, 0, 0, 700, 0, 0, 'A' | 'r' << 16, 'i' | 'a' << 16, 'l', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  b.Record(37, {1});
  b.Record(24, {kBlueRef});
  b.Record(18, {1});
  b.Record(84, {0, 0, 0, 0, 1, 0, 0, 10, 10, 2, 76, 0, 0, 0, 0, 0, 80, 'H' | 'i' << 16, 20, 20});
  // STRETCHDIBITS of a 1 x 1 green bitmap into (200, 20)-(280, 80).
  const auto dib = Dib24({{kGreen}});
  std::vector<std::uint32_t> stretch = {0, 0, 0, 0, 200, 20, 0, 0, 1, 1, 80, 40, 120, 4, 0, 0x00CC0020, 80, 60};
  for (std::size_t i = 0; i < 40; i += 4)
    stretch.push_back(dib[i] | dib[i + 1] << 8 | dib[i + 2] << 16 | static_cast<std::uint32_t>(dib[i + 3]) << 24);
  stretch.push_back(dib[40] | dib[41] << 8 | dib[42] << 16);
  b.Raw(81, stretch);
  Result r = Render(b.Bytes());
  ASSERT_TRUE(r.ok) << r.error;
  int blue = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 100; ++x) blue += Near(At(r.picture, x, y), kBlue, 60) ? 1 : 0;
  }
  EXPECT_GT(blue, 50);
  EXPECT_TRUE(Near(At(r.picture, 240, 50), kGreen));
  EXPECT_EQ(At(r.picture, 290, 50), kWhite);
}

TEST(MetafileEnhanced, FuzzSeedsRenderAsPictures) {
  // The small enhanced files that seed the fuzz target are real pictures.
  const std::filesystem::path seeds = std::filesystem::path(ORVANTA_SOURCE_DIR) / "tests/fuzz/corpus/metafile";
  for (const char* name : {"shapes.emf", "text_bitmap.emf"}) {
    std::ifstream file(seeds / name, std::ios::binary);
    ASSERT_TRUE(file) << name;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    Result r = Render(bytes);
    ASSERT_TRUE(r.ok) << name << ": " << r.error;
    int ink = 0;
    for (std::size_t i = 0; i < r.picture.bgr.size(); ++i) ink += r.picture.bgr[i] < 200 ? 1 : 0;
    EXPECT_GT(ink, 200) << name;
  }
}

}  // namespace
}  // namespace orv
