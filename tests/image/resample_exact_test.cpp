// The fast resampling must give the oracle's bytes for every input: each
// case resamples identical pictures with the oracle and with the fast code,
// once with its AVX2 column pass (where the processor has one) and once
// without, and compares every pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "image/raster_image.h"
#include "image/resample_avx2.h"
#include "resample_reference.h"

namespace orv {
namespace {

enum class Fill { Random, Grey, White, Black, Gradient };

std::uint8_t Channel(Fill fill, std::mt19937& random, std::int32_t x, std::int32_t y, int channel) {
  switch (fill) {
    case Fill::White:
      return 255;
    case Fill::Black:
      return 0;
    case Fill::Gradient:
      return static_cast<std::uint8_t>(x * 3 + y * 5 + channel * 70);
    default:
      return static_cast<std::uint8_t>(random());
  }
}

// A 24-bit picture, or a palette picture with a random palette and indexes.
void Paint(RasterImage& image, std::int32_t w, std::int32_t h, int bits, Fill fill, std::uint32_t seed) {
  ASSERT_NE(image.Create(w, h, bits, ImageFormat::Bmp), nullptr) << w << "x" << h;
  std::mt19937 random(seed);
  if (bits != 24) {
    const std::uint32_t entries = 1u << bits;
    Bgra palette[256];
    for (std::uint32_t n = 0; n < entries; ++n) {
      palette[n] = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                    static_cast<std::uint8_t>(random()), 0};
    }
    image.SetPalette(palette, entries);
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) image.SetPixelIndex(x, y, static_cast<std::uint8_t>(random() % entries));
    }
    return;
  }
  for (std::int32_t y = 0; y < h; ++y) {
    std::uint8_t* p = image.Row(static_cast<std::uint32_t>(y));
    for (std::int32_t x = 0; x < w; ++x, p += 3) {
      const std::uint8_t first = Channel(fill, random, x, y, 0);
      for (int j = 0; j < 3; ++j) p[j] = fill == Fill::Grey ? first : Channel(fill, random, x, y, j);
    }
  }
}

// Resamples w x h to nw x nh both ways and compares; returns false (after a
// gtest failure naming the first differing pixel) when they differ.
bool SameAsOracleWith(bool avx2, std::int32_t w, std::int32_t h, std::int32_t nw, std::int32_t nh, int bits, Fill fill,
                      std::uint32_t seed) {
  const std::string what = std::to_string(w) + "x" + std::to_string(h) + " -> " + std::to_string(nw) + "x" +
                           std::to_string(nh) + " at " + std::to_string(bits) + " bits, seed " + std::to_string(seed) +
                           (avx2 ? ", AVX2 allowed" : ", scalar");
  AllowAreaColumnsOnAvx2(avx2);
  RasterImage fast;
  RasterImage slow;
  Paint(fast, w, h, bits, fill, seed);
  Paint(slow, w, h, bits, fill, seed);
  const bool resampled = fast.Resample(nw, nh);
  AllowAreaColumnsOnAvx2(true);
  if (!resampled || !oracle::Resample(slow, nw, nh)) {
    ADD_FAILURE() << "resample failed: " << what;
    return false;
  }
  if (fast.Width() != slow.Width() || fast.Height() != slow.Height() || fast.BitsPerPixel() != slow.BitsPerPixel()) {
    ADD_FAILURE() << "shape differs: " << what;
    return false;
  }
  for (std::int32_t y = 0; y < nh; ++y) {
    if (bits == 24) {
      const std::uint8_t* a = fast.Row(static_cast<std::uint32_t>(y));
      const std::uint8_t* b = slow.Row(static_cast<std::uint32_t>(y));
      for (std::int32_t n = 0; n < 3 * nw; ++n) {
        if (a[n] != b[n]) {
          ADD_FAILURE() << what << ": pixel " << n / 3 << "," << y << " channel " << n % 3 << " is " << int{a[n]}
                        << ", oracle " << int{b[n]};
          return false;
        }
      }
      continue;
    }
    for (std::int32_t x = 0; x < nw; ++x) {
      if (fast.PixelIndex(x, y) != slow.PixelIndex(x, y)) {
        ADD_FAILURE() << what << ": index at " << x << "," << y;
        return false;
      }
    }
  }
  return true;
}

bool SameAsOracle(std::int32_t w, std::int32_t h, std::int32_t nw, std::int32_t nh, int bits = 24,
                  Fill fill = Fill::Random, std::uint32_t seed = 1) {
  return SameAsOracleWith(true, w, h, nw, nh, bits, fill, seed) &&
         SameAsOracleWith(false, w, h, nw, nh, bits, fill, seed);
}

TEST(ResampleExactTest, SlideSizes) {
  EXPECT_TRUE(SameAsOracle(960, 720, 640, 480));
  EXPECT_TRUE(SameAsOracle(1024, 768, 640, 480));
  EXPECT_TRUE(SameAsOracle(1280, 720, 800, 450));
  EXPECT_TRUE(SameAsOracle(1280, 720, 640, 360, 24, Fill::Gradient));
  // The fitting's own rounding: 400 x 301 comes out 637 x 479 (enlarged).
  EXPECT_TRUE(SameAsOracle(400, 301, 637, 479));
  EXPECT_TRUE(SameAsOracle(961, 721, 640, 480));
}

TEST(ResampleExactTest, RandomSizesAndContents) {
  std::mt19937 random(20240611);
  for (std::uint32_t round = 0; round < 400; ++round) {
    const auto w = static_cast<std::int32_t>(1 + random() % 160);
    const auto h = static_cast<std::int32_t>(1 + random() % 120);
    // Mostly reductions in both directions (the area path), some of anything.
    const bool shrink = random() % 4 != 0 && w > 1 && h > 1;
    const auto nw = static_cast<std::int32_t>(shrink ? 1 + random() % (w - 1) : 1 + random() % (2 * w));
    const auto nh = static_cast<std::int32_t>(shrink ? 1 + random() % (h - 1) : 1 + random() % (2 * h));
    if (!SameAsOracle(w, h, nw, nh, 24, Fill::Random, round)) return;
  }
}

TEST(ResampleExactTest, FactorsJustUnderOneAndVeryLarge) {
  for (const std::int32_t size : {16, 17, 100, 641, 2048}) {
    EXPECT_TRUE(SameAsOracle(size, 16, size - 1, 15));
    EXPECT_TRUE(SameAsOracle(16, size, 15, size - 1));
  }
  EXPECT_TRUE(SameAsOracle(2048, 16, 1, 1));
  EXPECT_TRUE(SameAsOracle(2048, 16, 1, 15));
  EXPECT_TRUE(SameAsOracle(16, 2048, 15, 1));
  EXPECT_TRUE(SameAsOracle(2048, 2048, 1, 1, 24, Fill::White));
  EXPECT_TRUE(SameAsOracle(2048, 40, 3, 7));
  EXPECT_TRUE(SameAsOracle(2048, 300, 2047, 299));
  EXPECT_TRUE(SameAsOracle(16, 16, 1, 1));
}

TEST(ResampleExactTest, NonIntegerFactors) {
  const std::int32_t cases[][4] = {{100, 100, 33, 67},  {999, 10, 333, 9},    {10, 999, 9, 333},
                                   {7, 7, 3, 3},        {640, 480, 639, 479}, {640, 480, 213, 160},
                                   {1000, 750, 997, 3}, {501, 377, 250, 188}, {300, 200, 299, 7}};
  for (const auto& c : cases) EXPECT_TRUE(SameAsOracle(c[0], c[1], c[2], c[3]));
}

TEST(ResampleExactTest, OnePixelWideAndHigh) {
  // Width or height 1 can never shrink, so these take the bilinear path.
  EXPECT_TRUE(SameAsOracle(1, 200, 1, 37));
  EXPECT_TRUE(SameAsOracle(200, 1, 37, 1));
  EXPECT_TRUE(SameAsOracle(1, 1, 5, 9));
  EXPECT_TRUE(SameAsOracle(1, 300, 40, 2));
  EXPECT_TRUE(SameAsOracle(2048, 1, 1, 1));
  // Reductions to one column or one row, or from two of them.
  EXPECT_TRUE(SameAsOracle(300, 2, 1, 1));
  EXPECT_TRUE(SameAsOracle(2, 300, 1, 299));
  EXPECT_TRUE(SameAsOracle(2048, 300, 1, 17));
  EXPECT_TRUE(SameAsOracle(300, 2048, 17, 1));
}

TEST(ResampleExactTest, FlatAndGreyPictures) {
  for (const Fill fill : {Fill::Grey, Fill::White, Fill::Black, Fill::Gradient}) {
    EXPECT_TRUE(SameAsOracle(960, 720, 640, 480, 24, fill));
    EXPECT_TRUE(SameAsOracle(123, 77, 50, 31, 24, fill));
    EXPECT_TRUE(SameAsOracle(123, 77, 250, 99, 24, fill));
    EXPECT_TRUE(SameAsOracle(2048, 16, 16, 3, 24, fill));
  }
}

TEST(ResampleExactTest, BilinearEnlargementsAndOneWayReductions) {
  const std::int32_t cases[][4] = {{3, 3, 4, 4},         {16, 16, 2048, 16}, {640, 480, 960, 720},
                                   {320, 240, 640, 480}, {100, 80, 100, 40}, {100, 80, 40, 80},
                                   {77, 55, 150, 20},    {16, 2048, 33, 70}, {5, 3, 1000, 997}};
  for (const auto& c : cases) {
    EXPECT_TRUE(SameAsOracle(c[0], c[1], c[2], c[3]));
    EXPECT_TRUE(SameAsOracle(c[0], c[1], c[2], c[3], 24, Fill::Grey));
  }
  std::mt19937 random(77);
  for (std::uint32_t round = 0; round < 100; ++round) {
    const auto w = static_cast<std::int32_t>(1 + random() % 90);
    const auto h = static_cast<std::int32_t>(1 + random() % 90);
    if (!SameAsOracle(w, h, static_cast<std::int32_t>(w + random() % 90), static_cast<std::int32_t>(1 + random() % 150),
                      24, Fill::Random, round)) {
      return;
    }
  }
}

TEST(ResampleExactTest, PalettePictures) {
  for (const int bits : {8, 4, 1}) {
    EXPECT_TRUE(SameAsOracle(64, 48, 32, 24, bits));
    EXPECT_TRUE(SameAsOracle(61, 47, 100, 90, bits));
    EXPECT_TRUE(SameAsOracle(33, 9, 7, 31, bits));
    EXPECT_TRUE(SameAsOracle(1, 40, 3, 13, bits));
    EXPECT_TRUE(SameAsOracle(200, 3, 17, 1, bits, Fill::Random, 5));
  }
}

}  // namespace
}  // namespace orv
