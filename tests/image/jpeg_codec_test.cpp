#include "image/jpeg_codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include <jpeglib.h>

#include "image/exif_reader.h"
#include "image/memory_stream.h"
#include "image_test_support.h"

namespace orv {
namespace {

using test::Bytes;

Bytes Encode(RasterImage& image) {
  std::uint8_t* block = nullptr;
  std::int32_t size = 0;
  EXPECT_TRUE(image.EncodeToBuffer(block, size, ImageFormat::Jpg)) << image.LastError();
  Bytes out(block, block + size);
  std::free(block);
  return out;
}

bool Decode(const Bytes& file, RasterImage& into) {
  MemoryStream stream(file.data(), file.size());
  return into.Decode(stream, ImageFormat::Jpg);
}

RasterImage& Colourful(RasterImage& image, int width = 16, int height = 8) {
  image.Create(width, height, 24, ImageFormat::Unknown);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.SetPixelColor(x, y, Bgra{200, 100, 30, 0});
  }
  return image;
}

// JFIF density unit and values live at fixed places of the APP0 segment.
void SetJfifDensity(Bytes& file, std::uint8_t unit, std::uint16_t x, std::uint16_t y) {
  file[13] = unit;
  file[14] = static_cast<std::uint8_t>(x >> 8);
  file[15] = static_cast<std::uint8_t>(x);
  file[16] = static_cast<std::uint8_t>(y >> 8);
  file[17] = static_cast<std::uint8_t>(y);
}

// "Exif\0\0" + little- or big-endian TIFF data with one directory holding
// the resolution tags; the rationals follow the directory.
Bytes ExifBody(std::uint32_t resolution, std::uint16_t unit, bool motorola = false) {
  Bytes tiff;
  const auto put16 = [&](std::uint32_t v) {
    const std::uint8_t a = static_cast<std::uint8_t>(v), b = static_cast<std::uint8_t>(v >> 8);
    tiff.insert(tiff.end(),
                motorola ? std::initializer_list<std::uint8_t>{b, a} : std::initializer_list<std::uint8_t>{a, b});
  };
  const auto put32 = [&](std::uint32_t v) {
    motorola ? (put16(v >> 16), put16(v & 0xFFFF)) : (put16(v & 0xFFFF), put16(v >> 16));
  };
  tiff.push_back(motorola ? 'M' : 'I');
  tiff.push_back(motorola ? 'M' : 'I');
  put16(42);
  put32(8);
  put16(3);
  put16(0x011A), put16(5), put32(1), put32(50);
  put16(0x011B), put16(5), put32(1), put32(58);
  put16(0x0128), put16(3), put32(1), put16(unit), put16(0);
  put32(0);
  put32(resolution), put32(1), put32(resolution), put32(1);
  Bytes body = {'E', 'x', 'i', 'f', 0, 0};
  body.insert(body.end(), tiff.begin(), tiff.end());
  return body;
}

void InsertApp1(Bytes& file, const Bytes& body) {
  Bytes segment = {0xFF, 0xE1, static_cast<std::uint8_t>((body.size() + 2) >> 8),
                   static_cast<std::uint8_t>(body.size() + 2)};
  segment.insert(segment.end(), body.begin(), body.end());
  file.insert(file.begin() + 20, segment.begin(), segment.end());  // after SOI and APP0
}

// A JPEG file made by libjpeg directly, `height` rows of `components`
// samples each in `space`, top row first; `density` > 0 also writes it as
// dots per inch.
Bytes LibjpegFile(int width, int height, int components, J_COLOR_SPACE space, int quality, int density,
                  const std::function<const JSAMPLE*(int)>& rowFromTop) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  if (density > 0) {
    info.density_unit = 1;
    info.X_density = static_cast<UINT16>(density);
    info.Y_density = static_cast<UINT16>(density);
  }
  jpeg_start_compress(&info, TRUE);
  for (int y = 0; y < height; ++y) {
    JSAMPROW row = const_cast<JSAMPROW>(rowFromTop(y));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes file(out, out + size);
  std::free(out);
  return file;
}

TEST(JpegCodecTest, TrueColourEncodesAsBaselineJfifAndDecodesBack) {
  RasterImage image;
  const Bytes file = Encode(Colourful(image));
  ASSERT_GE(file.size(), 4u);
  EXPECT_EQ(file[0], 0xFF);
  EXPECT_EQ(file[1], 0xD8);
  const auto facts = test::ReadJpegFacts(file.data(), file.size());
  EXPECT_TRUE(facts.baseline);
  EXPECT_EQ(facts.components, 3);
  EXPECT_EQ(facts.width, 16);
  EXPECT_EQ(facts.densityUnit, 1);
  EXPECT_EQ(facts.xDensity, 96);
  EXPECT_EQ(facts.yDensity, 96);

  RasterImage back;
  ASSERT_TRUE(Decode(file, back)) << back.LastError();
  EXPECT_EQ(back.Width(), 16);
  EXPECT_EQ(back.BitsPerPixel(), 24);
  EXPECT_EQ(back.XDpi(), 96);
  const Bgra c = back.PixelColor(5, 5);  // red and blue land in their places
  EXPECT_NEAR(c.blue, 200, 4);
  EXPECT_NEAR(c.green, 100, 4);
  EXPECT_NEAR(c.red, 30, 4);
}

// The stored blue-green-red rows go to libjpeg as they are; the file must be
// byte for byte the one that red-green-blue rows, swapped by hand, give.
TEST(JpegCodecTest, TrueColourBytesEqualThoseOfSwappedRgbRows) {
  RasterImage image;
  image.Create(37, 23, 24, ImageFormat::Unknown);  // odd sizes: padded rows, partial blocks
  std::uint32_t seed = 12345;
  for (std::uint32_t y = 0; y < 23; ++y) {
    for (std::uint32_t n = 0; n < image.RowStride(); ++n) {
      seed = seed * 1103515245u + 12345u;
      image.Row(y)[n] = static_cast<std::uint8_t>(seed >> 16);
    }
  }
  image.SetQuality(90);
  const Bytes ours = Encode(image);

  ASSERT_EQ(image.XDpi(), image.YDpi());  // one density for both, and not 0: the codec always writes it
  std::vector<JSAMPLE> rgb(3 * 37);
  const Bytes expected = LibjpegFile(37, 23, 3, JCS_RGB, 90, image.XDpi(), [&](int y) {
    const std::uint8_t* row = image.Row(static_cast<std::uint32_t>(22 - y));
    for (std::size_t x = 0; x < 37; ++x) {
      rgb[3 * x] = row[3 * x + 2];
      rgb[3 * x + 1] = row[3 * x + 1];
      rgb[3 * x + 2] = row[3 * x];
    }
    return rgb.data();
  });
  EXPECT_EQ(ours.size(), expected.size());
  EXPECT_TRUE(ours == expected);
}

TEST(JpegCodecTest, GreyRampIsOneComponentOtherPalettesAreRefused) {
  RasterImage grey;
  grey.Create(9, 9, 8, ImageFormat::Unknown);
  grey.SetGreyPalette();
  std::memset(grey.Pixels(), 128, grey.Header().biSizeImage);
  const Bytes file = Encode(grey);
  EXPECT_EQ(test::ReadJpegFacts(file.data(), file.size()).components, 1);
  RasterImage back;
  ASSERT_TRUE(Decode(file, back));
  EXPECT_EQ(back.BitsPerPixel(), 8);
  EXPECT_TRUE(back.HasGreyPalette());
  EXPECT_NEAR(back.PixelIndex(4, 4), 128, 2);

  // A 4-bit identity ramp (entry i = grey i) is grey too: each index becomes
  // one sample, never a read past the sample row.
  RasterImage nibbles;
  nibbles.Create(301, 3, 4, ImageFormat::Unknown);
  Bgra ramp[16];
  for (int i = 0; i < 16; ++i)
    ramp[i] = Bgra{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0};
  nibbles.SetPalette(ramp, 16);
  std::memset(nibbles.Pixels(), 0xFF, nibbles.Header().biSizeImage);
  const Bytes dark = Encode(nibbles);
  ASSERT_TRUE(Decode(dark, back));
  EXPECT_NEAR(back.PixelIndex(300, 2), 15, 2);

  grey.SetPixelIndex(0, 0, 1);
  Bgra entries[256];
  for (int i = 0; i < 256; ++i) entries[i] = grey.PaletteColor(static_cast<std::uint32_t>(i));
  entries[3].blue = 9;
  grey.SetPalette(entries, 256);
  std::uint8_t* bytes = nullptr;
  std::int32_t size = 0;
  EXPECT_FALSE(grey.EncodeToBuffer(bytes, size, ImageFormat::Jpg));
  EXPECT_EQ(bytes, nullptr);
  EXPECT_STREQ(grey.LastError(), "JPEG can save only RGB or GreyScale images");
}

TEST(JpegCodecTest, QualityChangesTheBaselineTables) {
  RasterImage image;
  Colourful(image);
  image.SetQuality(90);
  const Bytes fine = Encode(image);
  image.SetQuality(30);
  const Bytes coarse = Encode(image);
  const auto a = test::ReadJpegFacts(fine.data(), fine.size());
  const auto b = test::ReadJpegFacts(coarse.data(), coarse.size());
  ASSERT_EQ(a.lumaTable.size(), 64u);
  EXPECT_NE(a.lumaTable, b.lumaTable);
  EXPECT_LT(a.lumaTable[0], b.lumaTable[0]);
  EXPECT_TRUE(a.baseline && b.baseline);
}

TEST(JpegCodecTest, ResolutionFromJfifOrExif) {
  RasterImage image;
  Bytes file = Encode(Colourful(image));
  RasterImage back;

  SetJfifDensity(file, 2, 38, 38);  // dots per centimetre
  ASSERT_TRUE(Decode(file, back));
  EXPECT_EQ(back.XDpi(), 97);
  EXPECT_EQ(back.Header().biXPelsPerMeter, 3819);

  SetJfifDensity(file, 0, 3, 4);  // no unit: the numbers as they stand
  ASSERT_TRUE(Decode(file, back));
  EXPECT_EQ(back.XDpi(), 3);
  EXPECT_EQ(back.YDpi(), 4);

  SetJfifDensity(file, 1, 300, 300);
  Bytes withExif = file;
  InsertApp1(withExif, ExifBody(72, 2));
  JpegCodec codec;
  MemoryStream stream(withExif.data(), withExif.size());
  ASSERT_TRUE(codec.Decode(stream)) << codec.LastError();
  EXPECT_TRUE(codec.exif().isExif);
  EXPECT_EQ(codec.XDpi(), 72);
  EXPECT_EQ(codec.YDpi(), 72);

  Bytes centimetres = file;
  InsertApp1(centimetres, ExifBody(28, 3, /*motorola=*/true));
  ASSERT_TRUE(Decode(centimetres, back));
  EXPECT_EQ(back.XDpi(), 71);
}

TEST(JpegCodecTest, BrokenInputFails) {
  RasterImage image;
  EXPECT_FALSE(Decode(Bytes{}, image));
  EXPECT_STREQ(image.LastError(), "Empty input file");
  EXPECT_FALSE(Decode(Bytes{0xFF, 0xD8, 0xFF, 0x01, 0x02}, image));
  EXPECT_GT(std::strlen(image.LastError()), 0u);
  EXPECT_FALSE(image.IsValid());

  // A cut stream decodes what is there (the tail is an inserted end marker).
  RasterImage source;
  source.Create(64, 64, 24, ImageFormat::Unknown);
  for (std::uint32_t i = 0; i < source.Header().biSizeImage; ++i)
    source.Pixels()[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
  Bytes file = Encode(source);
  file.resize(file.size() * 2 / 3);
  EXPECT_TRUE(Decode(file, image));
  EXPECT_EQ(image.Width(), 64);

  // A frame header claiming 60000 x 60000 is refused before any allocation.
  Bytes huge = Encode(Colourful(source));
  for (std::size_t i = 2; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 0xEA;
      huge[i + 6] = huge[i + 8] = 0x60;
      break;
    }
  }
  EXPECT_FALSE(Decode(huge, image));
  EXPECT_STREQ(image.LastError(), "JPEG picture too large");
}

Bytes CmykJpeg(const std::uint8_t cmyk[4]) {
  std::uint8_t row[32];
  for (int x = 0; x < 8; ++x) std::memcpy(row + 4 * x, cmyk, 4);
  return LibjpegFile(8, 8, 4, JCS_CMYK, 100, 0, [&](int) { return row; });
}

TEST(JpegCodecTest, CmykIsScaledByItsBlackChannel) {
  const std::uint8_t cmyk[4] = {255, 128, 0, 200};
  RasterImage image;
  ASSERT_TRUE(Decode(CmykJpeg(cmyk), image)) << image.LastError();
  EXPECT_EQ(image.BitsPerPixel(), 24);
  const Bgra c = image.PixelColor(3, 3);
  EXPECT_NEAR(c.red, 255 * 200 / 255, 3);
  EXPECT_NEAR(c.green, 128 * 200 / 255, 3);
  EXPECT_NEAR(c.blue, 0, 3);
}

// The directory walk on damaged EXIF data: every failure ends the walk with
// its reason and no read leaves the section.
TEST(ExifReaderTest, DamagedDirectoriesEndTheWalk) {
  const auto parse = [](Bytes body, std::string& error) {
    ExifInfo info;
    ExifReader reader(info);
    const bool ok = reader.ParseExifSection(body);
    error = reader.error();
    return ok && info.isExif;
  };
  std::string error;
  Bytes good = ExifBody(72, 2);
  EXPECT_TRUE(parse(good, error)) << error;

  Bytes loop = good;
  loop[6 + 46] = 8;  // next-directory link back to the first directory
  EXPECT_FALSE(parse(loop, error));
  EXPECT_EQ(error, "EXIF directory visited twice");

  Bytes sub = good;
  sub[6 + 10] = 0x69;  // first entry becomes tag 0x8769, a LONG pointing at 8
  sub[6 + 11] = 0x87;
  sub[6 + 12] = 4;
  sub[6 + 18] = 8;
  EXPECT_FALSE(parse(sub, error));

  Bytes huge = good;
  huge[6 + 12] = 12;    // doubles...
  huge[6 + 17] = 0x40;  // ...0x40000001 of them: the byte count needs 64 bits
  EXPECT_FALSE(parse(huge, error));
  EXPECT_EQ(error, "Illegal pointer offset value in EXIF.");

  Bytes many = good;
  many[6 + 8] = 0xFF;
  EXPECT_FALSE(parse(many, error));
  EXPECT_EQ(error, "Illegally sized directory");

  Bytes format = good;
  format[6 + 12] = 13;
  EXPECT_FALSE(parse(format, error));
  EXPECT_EQ(error, "Illegal format code in EXIF dir");

  Bytes first = good;
  first[6 + 4] = 20;
  EXPECT_FALSE(parse(first, error));
  EXPECT_EQ(error, "Suspicious offset of first IFD value");
  EXPECT_FALSE(parse(Bytes{'E', 'x', 'i', 'f', 0, 0, 'I', 'X'}, error));
  EXPECT_FALSE(parse(Bytes{'E', 'x', 'i', 'f'}, error));
  EXPECT_EQ(error, "Incorrect Exif header");
}

TEST(ExifReaderTest, MarkerScanLimits) {
  const auto scan = [](const Bytes& file, std::string& error) {
    ExifInfo info;
    ExifReader reader(info);
    MemoryStream stream(file.data(), file.size());
    const bool ok = reader.Scan(stream);
    error = reader.error();
    return ok;
  };
  std::string error;
  EXPECT_FALSE(scan(Bytes{0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, error));
  EXPECT_EQ(error, "too many padding bytes");
  EXPECT_FALSE(scan(Bytes{0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x01}, error));
  EXPECT_EQ(error, "invalid marker");
  EXPECT_FALSE(scan(Bytes{0xFF, 0xD8, 0xFF, 0xD9, 0x00, 0x02}, error));
  EXPECT_EQ(error, "No image in jpeg!");
  Bytes sections = {0xFF, 0xD8};
  for (int i = 0; i < 20; ++i) sections.insert(sections.end(), {0xFF, 0xE2, 0x00, 0x02});
  EXPECT_FALSE(scan(sections, error));
  EXPECT_EQ(error, "Too many sections in jpg file");
  Bytes discarded = {0xFF, 0xD8};
  for (int i = 0; i < 30; ++i) discarded.insert(discarded.end(), {0xFF, 0xE0, 0x00, 0x02});
  discarded.insert(discarded.end(), {0xFF, 0xDA, 0x00, 0x02});
  EXPECT_TRUE(scan(discarded, error)) << error;
}

}  // namespace
}  // namespace orv
