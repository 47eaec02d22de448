// The help and end slides as the program carries them, in Chinese and in
// English: their size, their colours where the layout puts them, the words
// they hold, and pictures to look at.
#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include "base/resources.h"
#include "image/metafile_player.h"
#include "support/metafile_builders.h"

// Pango keeps the fontconfig patterns of the fonts it matched in caches that
// are never released; sanitised runs would report them at exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libpango\n"; }

namespace orv {
namespace {

using test::At;
using test::Near;
using test::Pixel;

MetafilePicture RenderResource(int id) {
  const auto bytes = Resources().Find(id, "BIN");
  EXPECT_TRUE(bytes.has_value());
  MetafilePicture picture;
  std::string error;
  if (bytes) {
    EXPECT_TRUE(RenderMetafile(*bytes, 0, 0, picture, error)) << error;
  }
  return picture;
}

void WritePng(const MetafilePicture& picture, const std::string& name) {
  const std::filesystem::path folder = std::filesystem::path(ORVANTA_BINARY_DIR) / "tests" / "artifacts";
  std::filesystem::create_directories(folder);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height);
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
    for (int x = 0; x < picture.width; ++x) {
      const Pixel p = At(picture, x, y);
      row[x] = static_cast<std::uint32_t>(p.r << 16 | p.g << 8 | p.b);
    }
  }
  cairo_surface_mark_dirty(surface);
  EXPECT_EQ(cairo_surface_write_to_png(surface, (folder / name).c_str()), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);
}

// Counts pixels inside a rectangle that are far from `background`.
int InkPixels(const MetafilePicture& p, int left, int top, int right, int bottom, Pixel background) {
  int count = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) count += Near(At(p, x, y), background, 60) ? 0 : 1;
  }
  return count;
}

TEST(MetafileSlides, HelpSlideIsAWhitePageWithTanAndBlueAreasAndText) {
  const MetafilePicture help = RenderResource(215);
  ASSERT_EQ(help.width, 960);
  ASSERT_EQ(help.height, 720);
  WritePng(help, "slide_hlp.png");

  const Pixel white{255, 255, 255};
  EXPECT_TRUE(Near(At(help, 5, 5), white, 0));
  EXPECT_TRUE(Near(At(help, 955, 715), white, 0));
  EXPECT_TRUE(Near(At(help, 60, 330), {210, 180, 140}, 4));  // tan area, left
  EXPECT_TRUE(Near(At(help, 900, 330), {62, 116, 186}, 4));  // blue area, right
  // The heading, both captions and the shortcut rows carry text.
  EXPECT_GT(InkPixels(help, 100, 30, 860, 75, white), 500);
  EXPECT_GT(InkPixels(help, 50, 215, 290, 325, {210, 180, 140}), 300);
  EXPECT_GT(InkPixels(help, 360, 215, 900, 325, {62, 116, 186}), 300);
  // A click in the left third goes back, anywhere else forward: the tan area
  // ends before x 320 and the blue one starts after it.
  for (int y = 100; y < 350; y += 10) {
    for (int x = 300; x < 340; x += 4) EXPECT_TRUE(Near(At(help, x, y), white, 0)) << x << "," << y;
  }
  for (int row = 0; row < 5; ++row) {
    const int top = 432 + row * 54;
    EXPECT_GT(InkPixels(help, 200, top + 8, 395, top + 42, {243, 245, 248}), 20) << "label " << row;
    EXPECT_GT(InkPixels(help, 465, top + 8, 880, top + 42, {243, 245, 248}), 10) << "keys " << row;
  }
}

TEST(MetafileSlides, EndSlideIsBlackWithSmallWhiteTextAtTopCentre) {
  const MetafilePicture end = RenderResource(214);
  ASSERT_EQ(end.width, 960);
  ASSERT_EQ(end.height, 720);
  WritePng(end, "slide_end.png");

  const Pixel black{0, 0, 0};
  EXPECT_TRUE(Near(At(end, 5, 5), black, 0));
  EXPECT_TRUE(Near(At(end, 480, 400), black, 0));
  EXPECT_GT(InkPixels(end, 380, 10, 580, 50, black), 100);
  EXPECT_EQ(InkPixels(end, 0, 60, 960, 720, black), 0);
  EXPECT_EQ(InkPixels(end, 0, 0, 300, 60, black), 0);
}

bool Holds(Bytes bytes, std::string_view text) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()).find(text) !=
         std::string_view::npos;
}

// The English slides set their words in a Western font and hold no Chinese
// font at all, so nothing of them can come out Chinese.
TEST(MetafileSlides, EnglishSlidesHoldEnglishWordsOnly) {
  const struct {
    int id;
    std::vector<std::string_view> words;
  } cases[] = {{217, {"Previous page", "Next page", "First page", "Last page", "Autoplay / Pause"}},
               {218, {"End of slide show"}}};
  for (const auto& c : cases) {
    const auto bytes = Resources().Find(c.id, "BIN");
    ASSERT_TRUE(bytes.has_value()) << c.id;
    EXPECT_FALSE(Holds(*bytes, "\xBA\xDA\xCC\xE5")) << c.id;  // 黑体 in GBK
    for (std::string_view word : c.words) EXPECT_TRUE(Holds(*bytes, word)) << word;
  }
  EXPECT_TRUE(Holds(*Resources().Find(215, "BIN"), "\xBA\xDA\xCC\xE5"));
}

// The English help slide is the Chinese one but for the row labels, whose
// ink is about as much as the Chinese and ends before the dash; the English
// end slide's words are about as prominent, at the same place.
TEST(MetafileSlides, EnglishSlidesKeepTheLayoutWithTheirWordsInPlace) {
  const MetafilePicture help = RenderResource(215), helpEnglish = RenderResource(217);
  ASSERT_EQ(std::pair(helpEnglish.width, helpEnglish.height), std::pair(960, 720));
  WritePng(helpEnglish, "slide_hlp_en.png");
  for (int y = 0; y < 720; ++y) {
    for (int x = 0; x < 960; ++x) {
      const bool label = x >= 80 && x < 455 && y >= 432 && y < 702;  // the rows' labels and dashes
      ASSERT_TRUE(label || At(help, x, y) == At(helpEnglish, x, y)) << x << "," << y;
    }
  }
  for (int row = 0; row < 5; ++row) {
    const int top = 432 + row * 54;
    const Pixel behind = row % 2 == 0 ? Pixel{243, 245, 248} : Pixel{255, 255, 255};
    const int chinese = InkPixels(help, 80, top, 420, top + 48, behind);
    const int english = InkPixels(helpEnglish, 80, top, 420, top + 48, behind);
    EXPECT_TRUE(english > chinese / 2 && english < chinese * 2) << row << ": " << english << " vs " << chinese;
    EXPECT_EQ(InkPixels(helpEnglish, 396, top, 420, top + 48, behind), 0) << row;
  }

  const MetafilePicture end = RenderResource(214), endEnglish = RenderResource(218);
  ASSERT_EQ(std::pair(endEnglish.width, endEnglish.height), std::pair(960, 720));
  WritePng(endEnglish, "slide_end_en.png");
  const Pixel black{0, 0, 0};
  const int chinese = InkPixels(end, 380, 10, 580, 50, black);
  const int english = InkPixels(endEnglish, 380, 10, 580, 50, black);
  EXPECT_TRUE(english > chinese / 2 && english < chinese * 2) << english << " vs " << chinese;
  EXPECT_EQ(InkPixels(endEnglish, 0, 0, 960, 720, black), english);
}

}  // namespace
}  // namespace orv
