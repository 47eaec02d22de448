#include "image/raster_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "image/memory_stream.h"
#include "image_test_support.h"

namespace orv {
namespace {

TEST(RasterImageTest, StartupAndCreateLayout) {
  RasterImage image;
  EXPECT_EQ(image.Quality(), 75);
  EXPECT_EQ(image.XDpi(), 96);
  EXPECT_EQ(image.Header().biXPelsPerMeter, 3780);

  ASSERT_NE(image.Create(100, 10, 24, ImageFormat::Bmp), nullptr);
  EXPECT_EQ(image.RowStride(), 300u);
  ASSERT_NE(image.Create(101, 10, 24, ImageFormat::Bmp), nullptr);
  EXPECT_EQ(image.RowStride(), 304u);
  EXPECT_EQ(image.Header().biSizeImage, 3040u);
  ASSERT_NE(image.Create(10, 1, 1, ImageFormat::Bmp), nullptr);
  EXPECT_EQ(image.RowStride(), 4u);
  EXPECT_EQ(image.PaletteSize(), 2u);
  ASSERT_NE(image.Create(10, 10, 16, ImageFormat::Bmp), nullptr);
  EXPECT_EQ(image.BitsPerPixel(), 24);
  EXPECT_EQ(image.PaletteSize(), 0u);
  // The block starts with a copy of the header.
  BitmapInfoHeader copy;
  std::memcpy(&copy, image.Block(), sizeof copy);
  EXPECT_EQ(copy.biWidth, 10);
  EXPECT_EQ(copy.biBitCount, 24);
}

TEST(RasterImageTest, CreateRefusesSizesBeyondTheLimits) {
  RasterImage image;
  EXPECT_EQ(image.Create(0, 10, 24, ImageFormat::Bmp), nullptr);
  EXPECT_EQ(image.Create(-5, 10, 24, ImageFormat::Bmp), nullptr);
  EXPECT_EQ(image.Create(0x7FFFFFFF, 0x7FFFFFFF, 24, ImageFormat::Bmp), nullptr);
  EXPECT_EQ(image.Create(100000, 100000, 24, ImageFormat::Bmp), nullptr);
  EXPECT_FALSE(image.IsValid());
  EXPECT_NE(image.Create(3, 3, 8, ImageFormat::Bmp), nullptr);
}

TEST(RasterImageTest, GreyPaletteRecognition) {
  RasterImage image;
  EXPECT_FALSE(image.HasGreyPalette());  // empty
  image.Create(4, 4, 24, ImageFormat::Bmp);
  EXPECT_FALSE(image.HasGreyPalette());
  image.Create(4, 4, 8, ImageFormat::Bmp);
  image.SetGreyPalette();
  EXPECT_TRUE(image.HasGreyPalette());
  Bgra entries[256];
  for (int i = 0; i < 256; ++i) entries[i] = image.PaletteColor(static_cast<std::uint32_t>(i));
  entries[77].red = 78;
  image.SetPalette(entries, 256);
  EXPECT_FALSE(image.HasGreyPalette());
  // A 16-entry ramp steps by 17, so it is not the identity ramp.
  image.Create(4, 4, 4, ImageFormat::Bmp);
  image.SetGreyPalette();
  EXPECT_EQ(image.PaletteColor(15), (Bgra{255, 255, 255, 0}));
  EXPECT_FALSE(image.HasGreyPalette());
  EXPECT_EQ(image.PaletteColor(16), Bgra{});
}

TEST(RasterImageTest, PixelAccessAtAllDepths) {
  RasterImage image;
  image.Create(3, 2, 24, ImageFormat::Bmp);
  image.SetPixelColor(0, 0, Bgra{1, 2, 3, 9});
  image.SetPixelColorRef(2, 1, 0x00112233);  // red in the low byte
  EXPECT_EQ(image.PixelColor(0, 0), (Bgra{1, 2, 3, 0}));
  EXPECT_EQ(image.PixelColor(2, 1), (Bgra{0x11, 0x22, 0x33, 0}));
  EXPECT_EQ(image.PixelColor(3, 0), (Bgra{1, 2, 3, 0}));  // outside: pixel (0, 0)
  EXPECT_EQ(image.PixelColor(-1, 5), (Bgra{1, 2, 3, 0}));
  image.SetPixelColor(7, 7, Bgra{9, 9, 9, 0});  // ignored

  for (int bits : {1, 4, 8}) {
    image.Create(11, 3, bits, ImageFormat::Bmp);
    std::memset(image.Pixels(), 0, image.Header().biSizeImage);
    const int top = (1 << bits) - 1;
    image.SetPixelIndex(9, 2, static_cast<std::uint8_t>(top));
    image.SetPixelIndex(10, 2, 1);
    EXPECT_EQ(image.PixelIndex(9, 2), top) << bits;
    EXPECT_EQ(image.PixelIndex(10, 2), 1) << bits;
    EXPECT_EQ(image.PixelIndex(8, 2), 0) << bits;
    EXPECT_EQ(image.PixelIndex(11, 2), 0) << bits;
  }
}

TEST(RasterImageTest, NearestIndexPrefersFirstClosestAndTracksPaletteChanges) {
  RasterImage image;
  image.Create(2, 1, 1, ImageFormat::Bmp);
  const Bgra two[2] = {{0, 0, 0, 0}, {200, 200, 200, 0}};
  image.SetPalette(two, 2);
  EXPECT_EQ(image.NearestIndex(Bgra{90, 90, 90, 0}), 0);
  EXPECT_EQ(image.NearestIndex(Bgra{110, 110, 110, 0}), 1);
  // Equal distance: the first entry wins.
  EXPECT_EQ(image.NearestIndex(Bgra{100, 100, 100, 0}), 0);
  // A palette write clears the cache.
  const Bgra swapped[2] = {{200, 200, 200, 0}, {0, 0, 0, 0}};
  image.SetPalette(swapped, 2);
  EXPECT_EQ(image.NearestIndex(Bgra{100, 100, 100, 0}), 0);
  EXPECT_EQ(image.NearestIndex(Bgra{10, 10, 10, 0}), 1);
}

TEST(RasterImageTest, RaiseDepthFlipAndSwap) {
  RasterImage image;
  EXPECT_FALSE(image.RaiseDepth(24));
  image.Create(5, 2, 4, ImageFormat::Bmp);
  image.SetQuality(33);
  const Bgra palette[2] = {{10, 20, 30, 0}, {40, 50, 60, 0}};
  image.SetPalette(palette, 2);
  std::memset(image.Pixels(), 0, image.Header().biSizeImage);
  image.SetPixelIndex(4, 1, 1);
  ASSERT_TRUE(image.RaiseDepth(24));
  EXPECT_EQ(image.BitsPerPixel(), 24);
  EXPECT_EQ(image.Quality(), 33);
  EXPECT_EQ(image.PixelColor(4, 1), (Bgra{40, 50, 60, 0}));
  EXPECT_EQ(image.PixelColor(0, 0), (Bgra{10, 20, 30, 0}));
  EXPECT_TRUE(image.RaiseDepth(24));

  ASSERT_TRUE(image.FlipRows());
  EXPECT_EQ(image.PixelColor(4, 0), (Bgra{40, 50, 60, 0}));
  // Swapping stops at the row stride even for a length past it (5 x 3 = 15,
  // stride 16: rounding up to whole pixels must not touch the next row).
  std::uint8_t* row = image.Row(0);
  const std::uint8_t nextRowFirst = image.Row(1)[0];
  image.SwapRedBlue(row, 1000);
  EXPECT_EQ(image.PixelColor(4, 0), (Bgra{60, 50, 40, 0}));
  EXPECT_EQ(image.Row(1)[0], nextRowFirst);
}

TEST(RasterImageTest, TakeOverMovesAndViewsNeverFree) {
  RasterImage a;
  a.Create(2, 2, 24, ImageFormat::Jpg);
  std::uint8_t* block = a.Block();
  RasterImage b;
  b.TakeOver(a);
  EXPECT_EQ(b.Block(), block);
  EXPECT_FALSE(a.IsValid());
  EXPECT_EQ(b.Format(), ImageFormat::Jpg);
  {
    RasterImage view;
    view.MakeView(b);
    EXPECT_EQ(view.Block(), block);
    view.Release();
  }
  EXPECT_EQ(b.Block(), block);  // still ours; ASan would see a double free
}

TEST(MemoryStreamTest, GrowthReadSeekAndHandOver) {
  MemoryStream stream;
  EXPECT_EQ(stream.Tell(), -1);
  std::vector<std::uint8_t> data(5000, 7);
  EXPECT_EQ(stream.Write(data.data(), 1, data.size()), 5000u);
  EXPECT_EQ(stream.Capacity(), 8192u);
  EXPECT_EQ(stream.Write(data.data(), 1, 3192), 3192u);
  EXPECT_EQ(stream.Capacity(), 8192u);
  EXPECT_EQ(stream.Write(data.data(), 1, 1), 1u);
  EXPECT_EQ(stream.Capacity(), 12288u);

  EXPECT_FALSE(stream.Seek(-1, SeekOrigin::Start));
  EXPECT_EQ(stream.Tell(), 8193);
  EXPECT_TRUE(stream.Seek(10, SeekOrigin::End));  // past the end is allowed
  EXPECT_TRUE(stream.HasError());
  std::uint8_t byte = 0;
  EXPECT_EQ(stream.Read(&byte, 1, 1), 0u);
  EXPECT_TRUE(stream.Seek(-2, SeekOrigin::End));
  std::uint16_t pair = 0;
  EXPECT_EQ(stream.Read(&pair, 4, 1), 0u);  // fewer bytes than one item
  EXPECT_TRUE(stream.Seek(-2, SeekOrigin::End));
  EXPECT_EQ(stream.Read(&pair, 2, 5), 1u);
  EXPECT_EQ(stream.GetByte(), -1);

  std::uint8_t* block = stream.DetachBlock();
  stream.Close();
  EXPECT_EQ(block[0], 7);
  std::free(block);

  const std::uint8_t fixed[3] = {1, 2, 3};
  MemoryStream reader(fixed, 3);
  EXPECT_EQ(reader.Write(fixed, 1, 1), 0u);  // a borrowed block is read only
  EXPECT_EQ(reader.GetByte(), 1);
}

TEST(RasterImageTest, EncodeRefusals) {
  RasterImage image;
  image.Create(4, 4, 24, ImageFormat::Unknown);
  std::uint8_t held = 0;
  std::uint8_t* bytes = &held;
  std::int32_t size = -7;
  EXPECT_FALSE(image.EncodeToBuffer(bytes, size, ImageFormat::Jpg));
  EXPECT_EQ(bytes, &held);
  EXPECT_EQ(size, -7);
  bytes = nullptr;
  EXPECT_FALSE(image.EncodeToBuffer(bytes, size, ImageFormat::Bmp));
  EXPECT_STREQ(image.LastError(), "Encode: Unknown format");
  EXPECT_EQ(bytes, nullptr);
}

}  // namespace
}  // namespace orv
