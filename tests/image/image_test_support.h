// Builders for small pictures in the file formats the codecs read, and a
// reader of the facts a JPEG stream states about itself.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace orv::test {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

struct BmpLayout {
  std::int32_t width = 1;
  std::int32_t height = 1;  // negative: top-down
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t headerSize = 40;  // 12, 40 or 64
  bool fileHeader = true;
  std::int32_t ppm = 2835;
  std::uint32_t clrUsed = 0;
  Bytes palette;  // as stored in the file
  Bytes pixels;   // as stored in the file
  std::optional<std::uint32_t> sizeField;  // file header's size field
};

inline Bytes BuildBmp(const BmpLayout& s) {
  Bytes info;
  if (s.headerSize == 12) {
    Put32(info, 12);
    Put16(info, static_cast<std::uint32_t>(s.width));
    Put16(info, static_cast<std::uint32_t>(s.height));
    Put16(info, 1);
    Put16(info, s.bits);
  } else {
    Put32(info, s.headerSize);
    Put32(info, static_cast<std::uint32_t>(s.width));
    Put32(info, static_cast<std::uint32_t>(s.height));
    Put16(info, 1);
    Put16(info, s.bits);
    Put32(info, s.compression);
    Put32(info, static_cast<std::uint32_t>(s.pixels.size()));
    Put32(info, static_cast<std::uint32_t>(s.ppm));
    Put32(info, static_cast<std::uint32_t>(s.ppm));
    Put32(info, s.clrUsed);
    Put32(info, 0);
    info.resize(s.headerSize, 0);
  }
  Bytes out;
  const std::uint32_t offset = static_cast<std::uint32_t>(14 + info.size() + s.palette.size());
  if (s.fileHeader) {
    Put16(out, 0x4D42);
    Put32(out, s.sizeField.value_or(offset + static_cast<std::uint32_t>(s.pixels.size())));
    Put32(out, 0);
    Put32(out, offset);
  }
  out.insert(out.end(), info.begin(), info.end());
  out.insert(out.end(), s.palette.begin(), s.palette.end());
  out.insert(out.end(), s.pixels.begin(), s.pixels.end());
  return out;
}

// 24-bit bottom-up rows; colour(x, y) gives blue, green, red for stored row y.
template <typename Colour>
Bytes Rows24(int width, int height, Colour colour) {
  const int stride = ((width * 24 + 31) / 32) * 4;
  Bytes rows(static_cast<std::size_t>(stride) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto c = colour(x, y);
      std::uint8_t* p = &rows[static_cast<std::size_t>(y) * stride + 3 * x];
      p[0] = c[0];
      p[1] = c[1];
      p[2] = c[2];
    }
  }
  return rows;
}

inline Bytes GreyPalette256() {
  Bytes p;
  for (int i = 0; i < 256; ++i) {
    p.insert(p.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0});
  }
  return p;
}

// A placeable metafile of the given box and units per inch with no drawing.
inline Bytes EmptyPlaceableWmf(std::int16_t right, std::int16_t bottom, std::uint16_t unitsPerInch) {
  Bytes b;
  Put32(b, 0x9AC6CDD7u);
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, static_cast<std::uint16_t>(right));
  Put16(b, static_cast<std::uint16_t>(bottom));
  Put16(b, unitsPerInch);
  Put32(b, 0);
  std::uint16_t sum = 0;
  for (int i = 0; i < 10; ++i) sum ^= static_cast<std::uint16_t>(b[2 * i] | (b[2 * i + 1] << 8));
  Put16(b, sum);
  Put16(b, 1);       // type: memory
  Put16(b, 9);       // header words
  Put16(b, 0x300);   // version
  Put32(b, 9 + 3);   // size in words
  Put16(b, 0);       // objects
  Put32(b, 3);       // largest record
  Put16(b, 0);
  Put32(b, 3);  // end-of-file record
  Put16(b, 0);
  return b;
}

struct JpegFacts {
  bool baseline = false;  // SOF0
  int components = 0;
  int width = 0;
  int height = 0;
  int densityUnit = -1;
  int xDensity = 0;
  int yDensity = 0;
  Bytes lumaTable;  // first quantisation table, 64 entries
};

inline JpegFacts ReadJpegFacts(const std::uint8_t* data, std::size_t size) {
  JpegFacts facts;
  std::size_t pos = 2;
  while (pos + 4 <= size && data[pos] == 0xFF) {
    const int marker = data[pos + 1];
    const std::size_t length = (data[pos + 2] << 8) | data[pos + 3];
    const std::uint8_t* body = data + pos + 4;
    if (marker == 0xDA || pos + 2 + length > size) break;
    if (marker == 0xE0 && length >= 14) {
      facts.densityUnit = body[7];
      facts.xDensity = (body[8] << 8) | body[9];
      facts.yDensity = (body[10] << 8) | body[11];
    } else if (marker == 0xDB && facts.lumaTable.empty()) {
      facts.lumaTable.assign(body + 1, body + 65);
    } else if (marker >= 0xC0 && marker <= 0xC2) {
      facts.baseline = marker == 0xC0;
      facts.height = (body[1] << 8) | body[2];
      facts.width = (body[3] << 8) | body[4];
      facts.components = body[5];
    }
    pos += 2 + length;
  }
  return facts;
}

// A folder under the system temporary folder, removed with its content.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvanta-image-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string Write(const std::string& name, const Bytes& bytes) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return file;
  }

 private:
  std::string path_;
};

}  // namespace orv::test
