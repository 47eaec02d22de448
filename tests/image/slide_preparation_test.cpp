#include "image/slide_preparation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "base/notifier.h"
#include "image/memory_stream.h"
#include "image/raster_image.h"
#include "image_test_support.h"

namespace orv {
namespace {

using test::Bytes;

Bytes WhiteBmp(int width, int height) {
  test::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.pixels = test::Rows24(width, height, [](int, int) { return std::array<std::uint8_t, 3>{255, 255, 255}; });
  return test::BuildBmp(layout);
}

Bytes GreyBmp(int width, int height) {
  test::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bits = 8;
  layout.palette = test::GreyPalette256();
  layout.pixels.assign(static_cast<std::size_t>((width + 3) / 4 * 4) * height, 150);
  return test::BuildBmp(layout);
}

class SlidePreparationTest : public ::testing::Test {
 protected:
  SlideFrame Settings(int sharpFont, int width = 640, int height = 480) {
    SlideFrame frame;
    frame.sharpText = sharpFont != 0;
    frame.width = width;
    frame.height = height;
    return frame;
  }

  // Encodes `name` and decodes the result again; the JPEG's facts too.
  bool Run(const std::string& name, const Bytes& content, const SlideFrame& settings, RasterImage& out,
           test::JpegFacts* facts = nullptr) {
    const std::string path = dir.Write(name, content);
    std::uint8_t* bytes = nullptr;
    const std::int32_t length = preparer.EncodeSlideImage(path, bytes, settings);
    if (length < 0) {
      EXPECT_EQ(bytes, nullptr);
      return false;
    }
    EXPECT_GT(length, 2);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    if (facts != nullptr) *facts = test::ReadJpegFacts(bytes, static_cast<std::size_t>(length));
    MemoryStream stream(bytes, static_cast<std::size_t>(length));
    const bool decoded = out.Decode(stream, ImageFormat::Jpg);
    std::free(bytes);
    return decoded;
  }

  // Loads a white w x h picture into the preparer and fits it.
  void Fit(int w, int h, const SlideFrame& settings) {
    RasterImage& image = preparer.image();
    image.Create(w, h, 24, ImageFormat::Bmp);
    for (std::int32_t y = 0; y < h; ++y) std::memset(image.Row(static_cast<std::uint32_t>(y)), 255, image.RowStride());
    ASSERT_TRUE(preparer.FitSlideToFrame(settings));
  }

  // Brightness of a pixel counted from the top of the picture.
  static int Top(const RasterImage& image, int x, int yFromTop) {
    return image.PixelColor(x, image.Height() - 1 - yFromTop).green;
  }

  test::ScratchFolder dir;
  RecordingNotifier notes;
  ScopedNotifier scope{notes};
  SlidePreparer preparer;
};

TEST_F(SlidePreparationTest, FormatComesFromTheLastThreeLetters) {
  RasterImage out;
  EXPECT_TRUE(Run("slide1.BMP", WhiteBmp(640, 480), Settings(1), out));
  EXPECT_FALSE(Run("slide1.jpeg", WhiteBmp(640, 480), Settings(1), out));
  ASSERT_EQ(notes.reports.size(), 1u);
  EXPECT_EQ(notes.reports[0], msg::kUnknownPictureType);
  EXPECT_FALSE(Run("mp", WhiteBmp(640, 480), Settings(1), out));

  // A name that lies about the content still loads through the content check.
  EXPECT_TRUE(Run("slide2.jpg", WhiteBmp(640, 480), Settings(1), out));
  EXPECT_EQ(out.Width(), 640);

  notes.reports.clear();
  std::uint8_t* bytes = nullptr;
  const std::string missing = dir.Write("x", "") + "-missing.bmp";
  EXPECT_EQ(preparer.EncodeSlideImage(missing, bytes, Settings(1)), -1);
  ASSERT_EQ(notes.reports.size(), 1u);
  EXPECT_EQ(notes.reports[0], FormatMessage(msg::kCannotLoadImage, missing));
}

TEST_F(SlidePreparationTest, HeightLimitedFitIsOneRowShortAndCentred) {
  Fit(400, 301, Settings(0));
  const RasterImage& image = preparer.image();
  ASSERT_EQ(image.Width(), 640);
  ASSERT_EQ(image.Height(), 480);
  EXPECT_EQ(image.BitsPerPixel(), 24);
  // 637 x 479 drawn at (1, 0): column 0 and columns 638, 639 and the bottom
  // row are bands.
  EXPECT_EQ(Top(image, 0, 100), 0);
  EXPECT_EQ(Top(image, 1, 0), 255);
  EXPECT_EQ(Top(image, 637, 478), 255);
  EXPECT_EQ(Top(image, 638, 100), 0);
  EXPECT_EQ(Top(image, 300, 479), 0);
}

TEST_F(SlidePreparationTest, FitEnlargesShrinksAndBands) {
  Fit(960, 540, Settings(0));  // 640 x 360 at y = 60
  EXPECT_EQ(Top(preparer.image(), 320, 59), 0);
  EXPECT_EQ(Top(preparer.image(), 320, 60), 255);
  EXPECT_EQ(Top(preparer.image(), 320, 419), 255);
  EXPECT_EQ(Top(preparer.image(), 320, 420), 0);

  Fit(720, 540, Settings(0));  // exactly the frame, no bands
  EXPECT_EQ(Top(preparer.image(), 0, 0), 255);
  EXPECT_EQ(Top(preparer.image(), 639, 479), 255);

  Fit(320, 240, Settings(0));  // enlarged
  EXPECT_EQ(Top(preparer.image(), 639, 479), 255);

  Fit(640, 480, Settings(0, 800, 480));  // no resampling, bands of 80
  EXPECT_EQ(Top(preparer.image(), 79, 10), 0);
  EXPECT_EQ(Top(preparer.image(), 80, 10), 255);
  EXPECT_EQ(Top(preparer.image(), 719, 10), 255);
  EXPECT_EQ(Top(preparer.image(), 720, 10), 0);

  SlideFrame green = Settings(0, 20, 20);
  green.fill = 0x0000FF00;  // green bands
  Fit(10, 20, green);
  EXPECT_EQ(preparer.image().PixelColor(0, 0), (Bgra{0, 255, 0, 0}));
}

TEST_F(SlidePreparationTest, FrameSizedOrSharpSlidesAreLeftAlone) {
  RasterImage& image = preparer.image();
  image.Create(640, 480, 24, ImageFormat::Bmp);
  for (std::uint32_t i = 0; i < image.Header().biSizeImage; ++i) image.Pixels()[i] = static_cast<std::uint8_t>(i * 7);
  const std::uint8_t* before = image.Pixels();
  ASSERT_TRUE(preparer.FitSlideToFrame(Settings(0)));
  EXPECT_EQ(image.Pixels(), before);
  EXPECT_EQ(image.Pixels()[12345], static_cast<std::uint8_t>(12345 * 7));

  RasterImage out;
  test::JpegFacts facts;
  ASSERT_TRUE(Run("big.bmp", WhiteBmp(1024, 768), Settings(1), out, &facts));
  EXPECT_EQ(facts.width, 1024);
  EXPECT_EQ(facts.height, 768);
}

TEST_F(SlidePreparationTest, GreyStaysOneComponentUnlessFitted) {
  RasterImage out;
  test::JpegFacts facts;
  ASSERT_TRUE(Run("grey.bmp", GreyBmp(640, 480), Settings(0), out, &facts));
  EXPECT_EQ(facts.components, 1);
  EXPECT_TRUE(out.HasGreyPalette());
  ASSERT_TRUE(Run("grey.bmp", GreyBmp(320, 240), Settings(0), out, &facts));
  EXPECT_EQ(facts.components, 3);
  EXPECT_EQ(facts.width, 640);
  ASSERT_TRUE(Run("grey.bmp", GreyBmp(320, 240), Settings(1), out, &facts));
  EXPECT_EQ(facts.components, 1);
  EXPECT_EQ(facts.width, 320);
}

TEST_F(SlidePreparationTest, QualityUsesTheLowByte) {
  SlideFrame settings = Settings(1);
  settings.quality = 0x100 + 90;
  test::JpegFacts odd;
  test::JpegFacts plain;
  RasterImage out;
  ASSERT_TRUE(Run("q.bmp", WhiteBmp(64, 64), settings, out, &odd));
  settings.quality = 90;
  ASSERT_TRUE(Run("q.bmp", WhiteBmp(64, 64), settings, out, &plain));
  EXPECT_EQ(odd.lumaTable, plain.lumaTable);
  EXPECT_EQ(plain.densityUnit, 1);
}

// The extra slides are 10 x 7.5 inch metafiles (960 x 720 at 96 dpi). With
// slides exported at the frame size they are drawn to fit the frame too:
// never cropped, and centred on the band colour when the aspect differs.
TEST_F(SlidePreparationTest, MetafileSlidesFitTheFrame) {
  const Bytes slide = test::EmptyPlaceableWmf(5760, 4320, 576);
  RasterImage out;
  test::JpegFacts facts;
  ASSERT_TRUE(Run("slide_hlp.wmf", slide, Settings(1), out, &facts)) << (notes.reports.empty() ? "" : notes.reports[0]);
  EXPECT_EQ(out.Width(), 640);
  EXPECT_EQ(out.Height(), 480);
  EXPECT_GT(Top(out, 5, 5), 240);  // the window colour everywhere

  ASSERT_TRUE(Run("slide_end.wmf", slide, Settings(1, 800, 480), out));
  EXPECT_EQ(out.Width(), 800);
  EXPECT_LT(Top(out, 40, 240), 16);    // band
  EXPECT_GT(Top(out, 400, 240), 240);  // picture
  EXPECT_LT(Top(out, 760, 240), 16);

  ASSERT_TRUE(Run("slide_end.wmf", slide, Settings(1, 960, 720), out));
  EXPECT_EQ(out.Width(), 960);
  ASSERT_TRUE(Run("slide_end.wmf", slide, Settings(0, 800, 480), out));
  EXPECT_LT(Top(out, 40, 240), 16);
  EXPECT_GT(Top(out, 400, 240), 240);
}

}  // namespace
}  // namespace orv
