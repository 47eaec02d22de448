// Small writers of metafile bytes for the player's tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "image/metafile_player.h"

namespace orv::test {

// A placeable Windows metafile built record by record.
class WmfBuilder {
 public:
  WmfBuilder(std::int16_t left, std::int16_t top, std::int16_t right, std::int16_t bottom, std::uint16_t unitsPerInch)
      : box_{left, top, right, bottom}, unitsPerInch_(unitsPerInch) {}

  WmfBuilder& Record(std::uint16_t function, std::initializer_list<int> words) {
    return Raw(function, std::vector<std::uint16_t>(words.begin(), words.end()));
  }
  WmfBuilder& Raw(std::uint16_t function, const std::vector<std::uint16_t>& words) {
    const auto size = static_cast<std::uint32_t>(words.size() + 3);
    records_.push_back(static_cast<std::uint16_t>(size));
    records_.push_back(static_cast<std::uint16_t>(size >> 16));
    records_.push_back(function);
    records_.insert(records_.end(), words.begin(), words.end());
    return *this;
  }
  // Raw words appended as they are (for records with broken sizes).
  WmfBuilder& Words(const std::vector<std::uint16_t>& words) {
    records_.insert(records_.end(), words.begin(), words.end());
    return *this;
  }

  WmfBuilder& Pen(int style, int width, std::uint32_t colour) {
    return Record(0x02FA, {style, width, 0, static_cast<int>(colour & 0xFFFF), static_cast<int>(colour >> 16)});
  }
  WmfBuilder& Brush(int style, std::uint32_t colour) {
    return Record(0x02FC, {style, static_cast<int>(colour & 0xFFFF), static_cast<int>(colour >> 16), 0});
  }
  WmfBuilder& Select(int slot) { return Record(0x012D, {slot}); }
  WmfBuilder& Delete(int slot) { return Record(0x01F0, {slot}); }
  WmfBuilder& Rect(int l, int t, int r, int b) { return Record(0x041B, {b, r, t, l}); }

  std::vector<std::uint8_t> Bytes(bool goodChecksum = true, bool withEnd = true) const {
    std::vector<std::uint16_t> body = records_;
    if (withEnd) body.insert(body.end(), {3, 0, 0});
    std::vector<std::uint16_t> words = {0xCDD7,
                                        0x9AC6,
                                        0,
                                        static_cast<std::uint16_t>(box_[0]),
                                        static_cast<std::uint16_t>(box_[1]),
                                        static_cast<std::uint16_t>(box_[2]),
                                        static_cast<std::uint16_t>(box_[3]),
                                        unitsPerInch_,
                                        0,
                                        0};
    std::uint16_t sum = 0;
    for (auto w : words) sum ^= w;
    words.push_back(goodChecksum ? sum : static_cast<std::uint16_t>(sum ^ 1));
    const auto total = static_cast<std::uint32_t>(9 + body.size());
    words.insert(words.end(), {1, 9, 0x0300, static_cast<std::uint16_t>(total), static_cast<std::uint16_t>(total >> 16),
                               16, 0, 0, 0});
    words.insert(words.end(), body.begin(), body.end());
    std::vector<std::uint8_t> bytes;
    for (auto w : words) {
      bytes.push_back(static_cast<std::uint8_t>(w));
      bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return bytes;
  }

 private:
  std::int16_t box_[4];
  std::uint16_t unitsPerInch_;
  std::vector<std::uint16_t> records_;
};

// An enhanced metafile built record by record; the header is made last.
class EmfBuilder {
 public:
  EmfBuilder(std::int32_t width, std::int32_t height) : width_(width), height_(height) {}

  EmfBuilder& Record(std::uint32_t type, std::initializer_list<std::int64_t> values) {
    std::vector<std::uint32_t> v;
    for (auto x : values) v.push_back(static_cast<std::uint32_t>(x));
    return Raw(type, v);
  }
  EmfBuilder& Raw(std::uint32_t type, const std::vector<std::uint32_t>& values) {
    records_.push_back(type);
    records_.push_back(static_cast<std::uint32_t>(8 + 4 * values.size()));
    records_.insert(records_.end(), values.begin(), values.end());
    return *this;
  }
  // A record whose size field says `size` whatever follows.
  EmfBuilder& Lying(std::uint32_t type, std::uint32_t size, const std::vector<std::uint32_t>& values) {
    records_.push_back(type);
    records_.push_back(size);
    records_.insert(records_.end(), values.begin(), values.end());
    return *this;
  }

  std::vector<std::uint8_t> Bytes(bool withEnd = true) const {
    std::vector<std::uint32_t> body = records_;
    if (withEnd) body.insert(body.end(), {14, 20, 0, 16, 20});
    std::vector<std::uint32_t> words = {1, 108, 0, 0, static_cast<std::uint32_t>(width_),
                                        static_cast<std::uint32_t>(height_), 0, 0, 0, 0, 0x464D4520, 0x10000, 0, 0, 8,
                                        0, 0, 0,
                                        // reference device: 96 dpi
                                        960, 720, 254, 191, 0, 0, 0, 0, 0};
    words.insert(words.end(), body.begin(), body.end());
    words[12] = static_cast<std::uint32_t>(words.size() * 4);  // total bytes
    std::vector<std::uint8_t> bytes;
    for (auto w : words) {
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
    }
    return bytes;
  }

 private:
  std::int32_t width_, height_;
  std::vector<std::uint32_t> records_;
};

struct Pixel {
  int r, g, b;
  bool operator==(const Pixel&) const = default;
};

inline Pixel At(const MetafilePicture& p, int x, int y) {
  const std::size_t i =
      (static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) + static_cast<std::size_t>(x)) * 3;
  return {p.bgr[i + 2], p.bgr[i + 1], p.bgr[i]};
}

inline bool Near(Pixel a, Pixel b, int tolerance = 24) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

}  // namespace orv::test
