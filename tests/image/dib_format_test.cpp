// The bitmap header reader and the run-length decoder shared by the BMP
// reader and the metafile bitmaps, byte for byte.
#include "image/dib_format.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <tuple>
#include <vector>

#include "image/dib_decode.h"
#include "image/memory_stream.h"
#include "image/raster_image.h"
#include "image/rle_decode.h"
#include "image_test_support.h"

namespace orv {
namespace {

using test::Bytes;
using Pixel = std::tuple<std::uint64_t, std::uint64_t, int>;  // x, row, index

std::vector<Pixel> Runs(const Bytes& data, std::uint64_t width, std::uint64_t height, bool fourBit,
                        bool drawCutRun = false) {
  std::vector<Pixel> pixels;
  SpanByteSource source(data);
  DecodeRunLength(source, width, height, {.fourBit = fourBit, .drawCutRun = drawCutRun},
                  [&](std::uint64_t x, std::uint64_t row, std::uint8_t index) { pixels.emplace_back(x, row, index); });
  return pixels;
}

TEST(RunLengthTest, FourBitOddRunsPaddingAndEndOfLine) {
  // Encoded run of 3 (high, low, high nibble); absolute run of 5 in 3 bytes
  // plus one pad byte; end of line; encoded run of 2; end of bitmap.
  const Bytes data = {3, 0x12, 0, 5, 0x34, 0x56, 0x70, 0xEE, 0, 0, 2, 0xAB, 0, 1, 4, 0xFF};
  const std::vector<Pixel> expected = {{0, 0, 1}, {1, 0, 2}, {2, 0, 1}, {3, 0, 3},   {4, 0, 4},
                                       {5, 0, 5}, {6, 0, 6}, {7, 0, 7}, {0, 1, 0xA}, {1, 1, 0xB}};
  EXPECT_EQ(Runs(data, 8, 2, true), expected);
  // The same bytes as 8-bit indices: the absolute run is 5 bytes, odd, so
  // one pad byte follows it.
  const Bytes eight = {2, 9, 0, 3, 4, 5, 6, 0xEE, 1, 7};
  EXPECT_EQ(Runs(eight, 8, 1, false),
            (std::vector<Pixel>{{0, 0, 9}, {1, 0, 9}, {2, 0, 4}, {3, 0, 5}, {4, 0, 6}, {5, 0, 7}}));
}

TEST(RunLengthTest, DeltasAndPixelsOutsideThePicture) {
  // Delta (3, 1), a run that crosses the right edge, end of line, a run wider
  // than the picture: pixels past the edge are dropped, not wrapped.
  const Bytes data = {0, 2, 3, 1, 2, 9, 0, 0, 6, 5, 0, 1};
  const std::vector<Pixel> expected = {{3, 1, 9}, {0, 2, 5}, {1, 2, 5}, {2, 2, 5}, {3, 2, 5}};
  EXPECT_EQ(Runs(data, 4, 3, false), expected);
  // A delta above the top row ends decoding; so does an end of line there.
  EXPECT_TRUE(Runs({0, 2, 0, 5, 1, 7}, 4, 1, false).empty());
  EXPECT_EQ(Runs({1, 1, 0, 0, 1, 2}, 4, 1, false), (std::vector<Pixel>{{0, 0, 1}}));
  // A delta whose offsets are missing ends decoding.
  EXPECT_EQ(Runs({1, 3, 0, 2, 1}, 4, 1, false), (std::vector<Pixel>{{0, 0, 3}}));
}

TEST(RunLengthTest, AbsoluteRunCutShortByTheData) {
  EXPECT_EQ(Runs({0, 4, 1, 2}, 8, 1, false, true), (std::vector<Pixel>{{0, 0, 1}, {1, 0, 2}}));
  EXPECT_TRUE(Runs({0, 4, 1, 2}, 8, 1, false, false).empty());
  EXPECT_EQ(Runs({0, 5, 0x12}, 8, 1, true, true), (std::vector<Pixel>{{0, 0, 1}, {1, 0, 2}}));
  EXPECT_TRUE(Runs({0, 5, 0x12}, 8, 1, true, false).empty());
  // A missing pad byte after a complete run is only the end of the data.
  EXPECT_EQ(Runs({0, 3, 1, 2, 3}, 8, 1, false).size(), 3u);
}

TEST(DibHeaderTest, CoreAndInfoForms) {
  Bytes core;
  test::Put32(core, 12);
  test::Put16(core, 0xFFFF);
  test::Put16(core, 3);
  test::Put16(core, 1);
  test::Put16(core, 8);
  auto header = ReadDibHeader(core);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->width, 65535);  // unsigned in the core form
  EXPECT_EQ(header->height, 3);
  EXPECT_EQ(header->bitsPerPixel, 8);
  EXPECT_EQ(header->compression, kDibRgb);
  EXPECT_FALSE(ReadDibHeader(Bytes(core.begin(), core.end() - 1)));

  Bytes info;
  for (std::uint32_t v : {40u, 7u, static_cast<std::uint32_t>(-5)}) test::Put32(info, v);
  test::Put16(info, 1);
  test::Put16(info, 4);
  for (std::uint32_t v : {2u, 0u, 3780u, 2835u, 9u, 0u}) test::Put32(info, v);
  header = ReadDibHeader(info);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->width, 7);
  EXPECT_EQ(header->height, 5);
  EXPECT_TRUE(header->topDown);
  EXPECT_EQ(header->compression, kDibRle4);
  EXPECT_EQ(header->xPelsPerMeter, 3780);
  EXPECT_EQ(header->yPelsPerMeter, 2835);
  EXPECT_EQ(header->coloursUsed, 9u);
  EXPECT_FALSE(ReadDibHeader(Bytes(info.begin(), info.end() - 1)));

  // The most negative height turns positive without overflow.
  Bytes lowest = info;
  lowest[8] = lowest[9] = lowest[10] = 0;
  lowest[11] = 0x80;
  EXPECT_EQ(ReadDibHeader(lowest)->height, std::int64_t{1} << 31);
  // Longer info headers are read for their first 40 bytes; sizes of
  // neither form are refused.
  info[0] = 124;
  EXPECT_EQ(ReadDibHeader(info)->size, 124u);
  info[0] = 20;
  EXPECT_FALSE(ReadDibHeader(info));
}

// The metafile bitmaps drop an absolute run cut short and refuse top-down
// run-length data; the BMP reader draws what the cut run has.
TEST(DibHeaderTest, EachReaderKeepsItsRunLengthRules) {
  test::BmpLayout layout;
  layout.width = 4;
  layout.height = 2;
  layout.bits = 8;
  layout.compression = kDibRle8;
  layout.palette = test::GreyPalette256();
  layout.pixels = {1, 3, 0, 0, 1, 9, 0, 4, 7, 8};
  layout.fileHeader = false;
  const Bytes file = test::BuildBmp(layout);
  RasterImage image;
  MemoryStream stream(file.data(), file.size());
  ASSERT_TRUE(image.Decode(stream, ImageFormat::Bmp)) << image.LastError();
  EXPECT_EQ(image.PixelIndex(1, 1), 7);
  EXPECT_EQ(image.PixelIndex(2, 1), 8);

  const std::span<const std::uint8_t> info(file.data(), 40 + 1024);
  const std::span<const std::uint8_t> bits(file.data() + info.size(), layout.pixels.size());
  const SurfacePtr surface = DecodeDib(info, bits, false);
  ASSERT_TRUE(surface);
  const auto* top = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface.get()));
  EXPECT_EQ(top[0] & 0xFFFFFF, 0x090909u);  // row 1 is the top row
  EXPECT_EQ(top[1] & 0xFFFFFF, 0u);
  const auto* bottom = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface.get()) +
                                                              cairo_image_surface_get_stride(surface.get()));
  EXPECT_EQ(bottom[0] & 0xFFFFFF, 0x030303u);

  layout.height = -2;
  const Bytes topDown = test::BuildBmp(layout);
  EXPECT_FALSE(DecodeDib(std::span(topDown).first(info.size()), bits, false));
  MemoryStream again(topDown.data(), topDown.size());
  ASSERT_TRUE(image.Decode(again, ImageFormat::Bmp));
  EXPECT_EQ(image.PixelIndex(0, 1), 3);  // turned: the first row decoded is the top
}

}  // namespace
}  // namespace orv
