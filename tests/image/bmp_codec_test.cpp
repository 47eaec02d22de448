#include "image/bmp_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "image/memory_stream.h"
#include "image_test_support.h"

namespace orv {
namespace {

using test::BmpLayout;
using test::Bytes;

bool DecodeBytes(const Bytes& file, RasterImage& into) {
  MemoryStream stream(file.data(), file.size());
  return into.Decode(stream, ImageFormat::Bmp);
}

std::array<std::uint8_t, 3> Pattern(int x, int y) {
  return {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(x ^ y)};
}

TEST(BmpCodecTest, TrueColourWithAndWithoutFileHeader) {
  BmpLayout layout;
  layout.width = 640;
  layout.height = 480;
  layout.pixels = test::Rows24(640, 480, Pattern);
  RasterImage image;
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(layout), image)) << image.LastError();
  EXPECT_EQ(image.RowStride(), 1920u);
  EXPECT_EQ(image.XDpi(), 72);
  EXPECT_EQ(image.YDpi(), 72);
  EXPECT_EQ(image.Header().biXPelsPerMeter, 2835);
  EXPECT_EQ(image.Format(), ImageFormat::Bmp);

  layout.fileHeader = false;
  RasterImage bare;
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(layout), bare)) << bare.LastError();
  EXPECT_EQ(0, std::memcmp(bare.Pixels(), image.Pixels(), image.Header().biSizeImage));
}

// Writers that put w x h x 4 + 54 in the size field of a 24-bit file.
TEST(BmpCodecTest, WrongSizeFieldIsIgnored) {
  BmpLayout layout;
  layout.width = 33;
  layout.height = 7;
  layout.pixels = test::Rows24(33, 7, Pattern);
  layout.sizeField = 33 * 7 * 4 + 54;
  RasterImage image;
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(layout), image)) << image.LastError();
  EXPECT_EQ(image.PixelColor(32, 6), (Bgra{32, 6, 32 ^ 6, 0}));
  layout.sizeField = 3;
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(layout), image));
  EXPECT_EQ(image.PixelColor(32, 6), (Bgra{32, 6, 32 ^ 6, 0}));
  EXPECT_EQ(image.PixelColor(0, 0), (Bgra{0, 0, 0, 0}));
  EXPECT_EQ(image.PixelColor(5, 3), (Bgra{5, 3, 5 ^ 3, 0}));
}

TEST(BmpCodecTest, TopDownFilesAreTurned) {
  BmpLayout layout;
  layout.width = 3;
  layout.height = -4;
  layout.pixels = test::Rows24(3, 4, Pattern);  // first file row is the top
  RasterImage image;
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(layout), image));
  EXPECT_EQ(image.Height(), 4);
  EXPECT_EQ(image.PixelColor(2, 3), (Bgra{2, 0, 2, 0}));
  EXPECT_EQ(image.PixelColor(1, 0), (Bgra{1, 3, 2, 0}));
}

TEST(BmpCodecTest, PaletteDepthsAndHeaderForms) {
  // 8 bits, header says 20 colours: the palette still has 256 entries and
  // the pixels come from the offset in the file header.
  BmpLayout layout;
  layout.width = 5;
  layout.height = 2;
  layout.bits = 8;
  layout.clrUsed = 20;
  layout.palette = test::GreyPalette256();
  layout.pixels = {0, 1, 2, 3, 4, 0, 0, 0, 250, 251, 252, 253, 254, 0, 0, 0};
  RasterImage image;
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(layout), image)) << image.LastError();
  EXPECT_EQ(image.PaletteSize(), 256u);
  EXPECT_TRUE(image.HasGreyPalette());
  EXPECT_EQ(image.PixelIndex(4, 1), 254);

  // Core header (12 bytes): 3-byte palette entries, 1 bit per pixel.
  BmpLayout core;
  core.headerSize = 12;
  core.width = 9;
  core.height = 1;
  core.bits = 1;
  core.palette = {10, 20, 30, 40, 50, 60};
  core.pixels = {0x80, 0x80, 0, 0};
  core.pixels.resize(24, 0);  // the info header is read as 40 bytes whatever its form
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(core), image)) << image.LastError();
  EXPECT_EQ(image.PaletteColor(1), (Bgra{40, 50, 60, 0}));
  EXPECT_EQ(image.PixelIndex(0, 0), 1);
  EXPECT_EQ(image.PixelIndex(8, 0), 1);
  EXPECT_EQ(image.PixelIndex(1, 0), 0);

  // Extended header (64 bytes), 4 bits per pixel.
  BmpLayout extended;
  extended.headerSize = 64;
  extended.width = 3;
  extended.height = 1;
  extended.bits = 4;
  extended.palette.assign(48, 0);
  extended.palette[3 * 15 + 2] = 255;
  extended.pixels = {0xF0, 0x70, 0, 0};
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(extended), image)) << image.LastError();
  EXPECT_EQ(image.PixelColor(0, 0), (Bgra{0, 0, 255, 0}));
  EXPECT_EQ(image.PixelIndex(2, 0), 7);
}

TEST(BmpCodecTest, SixteenAndThirtyTwoBits) {
  BmpLayout layout;
  layout.width = 3;
  layout.height = 1;
  layout.bits = 16;
  layout.pixels = {0xFF, 0x7F, 0x1F, 0x00, 0x00, 0x7C, 0, 0};
  RasterImage image;
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(layout), image));
  EXPECT_EQ(image.PixelColor(0, 0), (Bgra{248, 248, 248, 0}));
  EXPECT_EQ(image.PixelColor(1, 0), (Bgra{248, 0, 0, 0}));
  EXPECT_EQ(image.PixelColor(2, 0), (Bgra{0, 0, 248, 0}));

  // 5-6-5 masks right after the header; absurd masks must not shift by
  // negative or oversized counts (UBSan watches this).
  const std::array<std::uint32_t, 3> maskSets[] = {
      {0xF800, 0x07E0, 0x001F}, {0, 0, 0}, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}};
  for (const auto& masks : maskSets) {
    BmpLayout fields = layout;
    fields.compression = 3;
    fields.width = 1;
    for (int k = 0; k < 3; ++k) test::Put32(fields.palette, masks[k]);
    fields.pixels = {0x00, 0xF8, 0, 0};
    ASSERT_TRUE(DecodeBytes(test::BuildBmp(fields), image));
    if (masks[0] == 0xF800) {
      EXPECT_EQ(image.PixelColor(0, 0), (Bgra{0, 0, 248, 0}));
    } else if (masks[0] == 0) {
      // Masks that select no bits leave no colour.
      EXPECT_EQ(image.PixelColor(0, 0), (Bgra{0, 0, 0, 0}));
    }
  }

  BmpLayout wide;
  wide.width = 2;
  wide.height = 2;
  wide.bits = 32;
  wide.pixels = {1, 2, 3, 99, 4, 5, 6, 99, 7, 8, 9, 99, 10, 11, 12, 99};
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(wide), image));
  EXPECT_EQ(image.PixelColor(1, 1), (Bgra{10, 11, 12, 0}));
  wide.compression = 1;
  EXPECT_FALSE(DecodeBytes(test::BuildBmp(wide), image));
  EXPECT_STREQ(image.LastError(), "unknown compression");
}

TEST(BmpCodecTest, RunLengthData) {
  BmpLayout layout;
  layout.width = 6;
  layout.height = 3;
  layout.bits = 8;
  layout.compression = 1;
  layout.palette = test::GreyPalette256();
  // Row 0: 3 x 9, absolute 4 5 6 (odd: one pad byte); end of row; delta
  // (1, 1) to (1, 2); 2 x 7; end of bitmap.
  layout.pixels = {3, 9, 0, 3, 4, 5, 6, 0, 0, 0, 0, 2, 1, 1, 2, 7, 0, 1};
  RasterImage image;
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(layout), image)) << image.LastError();
  const std::uint8_t row0[6] = {9, 9, 9, 4, 5, 6};
  EXPECT_EQ(0, std::memcmp(image.Row(0), row0, 6));
  EXPECT_EQ(image.PixelIndex(0, 2), 0);  // skipped by the delta
  EXPECT_EQ(image.PixelIndex(1, 2), 7);
  EXPECT_EQ(image.PixelIndex(2, 2), 7);
  EXPECT_EQ(image.PixelIndex(3, 1), 0);

  BmpLayout four = layout;
  four.bits = 4;
  four.compression = 2;
  four.palette.assign(64, 0);
  // 5 pixels alternating 0xA/0xB; absolute 3 pixels 1 2 3 (2 bytes, even).
  four.pixels = {5, 0xAB, 0, 3, 0x12, 0x30, 0, 1};
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(four), image)) << image.LastError();
  const int expected[8] = {0xA, 0xB, 0xA, 0xB, 0xA, 1};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(image.PixelIndex(x, 0), expected[x]) << x;
  EXPECT_EQ(image.PixelIndex(0, 1), 0);
}

// Hostile files: each must fail with a reason or decode inside the picture.
TEST(BmpCodecTest, HostileFilesFailCleanly) {
  RasterImage image;
  EXPECT_FALSE(DecodeBytes(Bytes{'B', 'M', 1}, image));
  EXPECT_STREQ(image.LastError(), "Not a BMP");

  BmpLayout layout;
  layout.width = 64;
  layout.height = 64;
  layout.pixels = test::Rows24(64, 64, Pattern);
  Bytes file = test::BuildBmp(layout);
  file.resize(file.size() - 1);
  EXPECT_FALSE(DecodeBytes(file, image));
  EXPECT_STREQ(image.LastError(), "BMP pixel data truncated");
  EXPECT_FALSE(image.IsValid());

  // Sizes whose products overflow 32 bits, or that no file could hold.
  for (const auto& wh : {std::pair{0x7FFFFFFF, 0x7FFFFFFF}, std::pair{65536, 65537}, std::pair{0x40000000, 4}}) {
    BmpLayout huge;
    huge.width = wh.first;
    huge.height = wh.second;
    huge.pixels.assign(16, 0);
    EXPECT_FALSE(DecodeBytes(test::BuildBmp(huge), image));
    huge.bits = 8;
    huge.compression = 1;  // run-length data can be short, so only the size limit stops it
    EXPECT_FALSE(DecodeBytes(test::BuildBmp(huge), image));
    EXPECT_STREQ(image.LastError(), "Can't allocate memory");
  }

  BmpLayout odd;
  odd.bits = 2;
  odd.pixels.assign(4, 0);
  EXPECT_FALSE(DecodeBytes(test::BuildBmp(odd), image));
  EXPECT_STREQ(image.LastError(), "Unsupported BMP bit depth");
  odd.bits = 0;
  EXPECT_FALSE(DecodeBytes(test::BuildBmp(odd), image));

  BmpLayout flat;
  flat.width = 0;
  EXPECT_FALSE(DecodeBytes(test::BuildBmp(flat), image));
  flat.width = 1;
  flat.height = static_cast<std::int32_t>(0x80000000u);
  EXPECT_FALSE(DecodeBytes(test::BuildBmp(flat), image));

  BmpLayout header = layout;
  header.headerSize = 52;
  EXPECT_FALSE(DecodeBytes(test::BuildBmp(header), image));
  EXPECT_STREQ(image.LastError(), "Error reading BMP info");

  // Run-length data that runs past rows and columns, deltas far outside,
  // and a stream that ends mid-run.
  BmpLayout rle;
  rle.width = 3;
  rle.height = 2;
  rle.bits = 8;
  rle.compression = 1;
  rle.palette = test::GreyPalette256();
  rle.pixels = {255, 1, 0, 255, 1, 2, 3, 4, 5, 6, 7, 0, 2, 255, 255, 200, 9, 0, 9, 1, 2};
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(rle), image));
  EXPECT_EQ(image.PixelIndex(2, 0), 1);
  rle.pixels = {0, 2, 1, 1, 5};
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(rle), image));
  EXPECT_EQ(image.PixelIndex(1, 1), 0);
  rle.bits = 4;
  rle.compression = 2;
  rle.palette.assign(64, 0);
  rle.pixels = {0, 255, 0x11};
  ASSERT_TRUE(DecodeBytes(test::BuildBmp(rle), image));
  rle.compression = 7;
  EXPECT_FALSE(DecodeBytes(test::BuildBmp(rle), image));
  EXPECT_STREQ(image.LastError(), "compression type not supported");
}

}  // namespace
}  // namespace orv
