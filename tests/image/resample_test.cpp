#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/raster_image.h"

namespace orv {
namespace {

// Stored row y, column x: blue = 10x + 40y, green = 250 - 15x - 20y, red 100.
void FillGradient(RasterImage& image, int size) {
  image.Create(size, size, 24, ImageFormat::Bmp);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      image.SetPixelColor(
          x, y,
          Bgra{static_cast<std::uint8_t>(10 * x + 40 * y), static_cast<std::uint8_t>(250 - 15 * x - 20 * y), 100, 0});
    }
  }
}

// 4 x 4 -> 3 x 3: xs = ys = 4/3 in single precision, scaleSum 1777. Column
// weights come out 1334, 1333, 1333 (the first boundary falls at 0.333...,
// the second at 1.666...), likewise for rows; the split pixels go through the
// truncating /1000 four-way split, which is why the constant red channel
// lands on 99 where two splits meet. Output (0, 0) blue:
// (334 x 10 x 1000 + 334 x 40 x 1000 + 334 x 334 x 50) / 1000 / 1777 = 12.
TEST(ResampleTest, AreaShrinkMatchesTheWeightsByHand) {
  RasterImage image;
  FillGradient(image, 4);
  ASSERT_TRUE(image.Resample(3, 3));
  ASSERT_EQ(image.Width(), 3);
  const std::uint8_t expected[3][9] = {
      {12, 241, 100, 25, 222, 100, 37, 203, 100},
      {62, 216, 100, 75, 197, 99, 87, 178, 99},
      {112, 191, 100, 125, 172, 99, 137, 153, 99},
  };
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(0, std::memcmp(image.Row(static_cast<std::uint32_t>(y)), expected[y], 9)) << "row " << y;
  }
}

// 3 x 3 -> 4 x 4: xs = ys = 0.75 exactly, so the sample points are
// 0, 0.75, 1.5, 2.25, the last one clamped to column 2. On a linear ramp
// blue = 30x + 90y the result is the ramp at those points, truncated:
// columns add 0, 22.5, 45, 60 and rows 0, 67.5, 135, 180.
TEST(ResampleTest, BilinearEnlargementMatchesTheRampByHand) {
  RasterImage image;
  image.Create(3, 3, 24, ImageFormat::Bmp);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) {
      image.SetPixelColor(x, y, Bgra{static_cast<std::uint8_t>(30 * x + 90 * y), 0, 7, 0});
    }
  }
  ASSERT_TRUE(image.Resample(4, 4));
  const int expected[4][4] = {{0, 22, 45, 60}, {67, 90, 112, 127}, {135, 157, 180, 195}, {180, 202, 225, 240}};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(image.PixelColor(x, y).blue, expected[y][x]) << x << "," << y;
      EXPECT_EQ(image.PixelColor(x, y).red, 7);
    }
  }
}

TEST(ResampleTest, MethodChoiceAndPaletteImages) {
  // A grey 8-bit picture is interpolated even when shrinking and keeps its
  // depth and palette.
  RasterImage grey;
  grey.Create(4, 4, 8, ImageFormat::Bmp);
  grey.SetGreyPalette();
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) grey.SetPixelIndex(x, y, static_cast<std::uint8_t>(60 * x));
  }
  ASSERT_TRUE(grey.Resample(2, 2));
  EXPECT_EQ(grey.BitsPerPixel(), 8);
  EXPECT_TRUE(grey.HasGreyPalette());
  // Bilinear samples at 0 and 2 exactly: indexes 0 and 120.
  EXPECT_EQ(grey.PixelIndex(0, 0), 0);
  EXPECT_EQ(grey.PixelIndex(1, 1), 120);

  RasterImage image;
  FillGradient(image, 4);
  image.SetQuality(42);
  EXPECT_FALSE(image.Resample(0, 3));
  EXPECT_TRUE(image.Resample(4, 4));
  EXPECT_EQ(image.Width(), 4);
  ASSERT_TRUE(image.Resample(2, 8));  // shrink in one direction: bilinear
  EXPECT_EQ(image.Quality(), 42);
  EXPECT_EQ(image.PixelColor(1, 0).blue, 20);  // source column 2, no blending
}

// Odd sizes in every direction; under AddressSanitizer any accumulator or
// output write past its row shows up here. Uniform pictures must stay
// uniform within the truncation of the weights.
TEST(ResampleTest, OddSizesStayInBoundsAndKeepFlatColours) {
  const int sizes[][4] = {{7, 5, 3, 2},      {101, 37, 100, 36},  {5, 5, 1, 1},         {9, 1, 4, 1},
                          {1, 9, 1, 2},      {333, 257, 17, 255}, {640, 480, 639, 479}, {961, 721, 640, 480},
                          {1000, 3, 999, 2}, {3, 1000, 2, 7},     {13, 11, 12, 10},     {2, 2, 1, 1}};
  for (const auto& s : sizes) {
    RasterImage image;
    image.Create(s[0], s[1], 24, ImageFormat::Bmp);
    for (std::int32_t y = 0; y < s[1]; ++y)
      std::memset(image.Row(static_cast<std::uint32_t>(y)), 200, image.RowStride());
    ASSERT_TRUE(image.Resample(s[2], s[3])) << s[0] << "x" << s[1];
    ASSERT_EQ(image.Width(), s[2]);
    ASSERT_EQ(image.Height(), s[3]);
    for (int y = 0; y < s[3]; ++y) {
      for (int x = 0; x < s[2]; ++x) {
        const Bgra c = image.PixelColor(x, y);
        ASSERT_GE(c.blue, 195) << s[0] << "x" << s[1] << " -> " << s[2] << "x" << s[3] << " at " << x << "," << y;
        ASSERT_LE(c.blue, 201);
      }
    }
  }
}

TEST(CanvasTest, ComposesCentredOnTheFillColour) {
  RasterImage image;
  image.Create(2, 1, 8, ImageFormat::Bmp);
  image.SetGreyPalette();
  image.SetPixelIndex(0, 0, 10);
  image.SetPixelIndex(1, 0, 20);
  ASSERT_TRUE(image.ComposeOnCanvas(4, 3, 0x000000FF, 1, 0));  // red fill
  EXPECT_EQ(image.BitsPerPixel(), 24);
  EXPECT_EQ(image.Format(), ImageFormat::Unknown);
  // Top canvas row is the last stored row.
  EXPECT_EQ(image.PixelColor(1, 2), (Bgra{10, 10, 10, 0}));
  EXPECT_EQ(image.PixelColor(2, 2), (Bgra{20, 20, 20, 0}));
  EXPECT_EQ(image.PixelColor(0, 2), (Bgra{0, 0, 255, 0}));
  EXPECT_EQ(image.PixelColor(1, 1), (Bgra{0, 0, 255, 0}));
  // Whatever falls outside the canvas is cut, not written past it.
  // Canvas column 0 gets picture column 3 of the picture's top row (red).
  ASSERT_TRUE(image.ComposeOnCanvas(2, 2, 0, -3, 1));
  EXPECT_EQ(image.PixelColor(0, 0), (Bgra{0, 0, 255, 0}));
  EXPECT_EQ(image.PixelColor(1, 0), (Bgra{0, 0, 0, 0}));
  EXPECT_EQ(image.PixelColor(0, 1), (Bgra{0, 0, 0, 0}));
}

// A true-colour picture that fills the canvas exactly comes out as the
// general path makes it: same pixels, zero row padding, no format.
TEST(CanvasTest, PictureThatFillsTheCanvasComesOutAsTheGeneralPathMakesIt) {
  const auto paint = [](RasterImage& image) {
    image.Create(3, 2, 24, ImageFormat::Bmp);
    for (std::uint32_t y = 0; y < 2; ++y) {
      std::uint8_t* row = image.Row(y);
      for (std::uint32_t n = 0; n < image.RowStride(); ++n) row[n] = static_cast<std::uint8_t>(7 + 31 * y + n);
    }
  };
  RasterImage exact;
  RasterImage shifted;
  paint(exact);
  paint(shifted);
  ASSERT_EQ(exact.RowStride(), 12u);  // three bytes of padding per row
  ASSERT_TRUE(exact.ComposeOnCanvas(3, 2, 0x00FFFFFF, 0, 0));
  // Moved off and back, the general path builds the same canvas.
  ASSERT_TRUE(shifted.ComposeOnCanvas(4, 2, 0x00FFFFFF, 1, 0));
  ASSERT_TRUE(shifted.ComposeOnCanvas(3, 2, 0x00FFFFFF, -1, 0));
  EXPECT_EQ(exact.Format(), ImageFormat::Unknown);
  for (std::uint32_t y = 0; y < 2; ++y) {
    EXPECT_EQ(std::vector<std::uint8_t>(exact.Row(y), exact.Row(y) + 12),
              std::vector<std::uint8_t>(shifted.Row(y), shifted.Row(y) + 12))
        << "row " << y;
  }
  EXPECT_EQ(exact.Row(0)[9], 0);
  EXPECT_EQ(exact.Row(1)[0], 38);
}

}  // namespace
}  // namespace orv
