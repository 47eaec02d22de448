// The image tests' reader of the facts a JPEG stream states about itself; the
// picture builders come from the toolkit.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/files.h"
#include "support/pictures.h"

namespace orv::test {

using Bytes = ByteVector;

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

}  // namespace orv::test
