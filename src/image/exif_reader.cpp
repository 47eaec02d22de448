#include "image/exif_reader.h"

#include <cstring>
#include <set>
#include <vector>

#include "image/image_stream.h"

namespace orv {
namespace {

constexpr unsigned kFormatSizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

constexpr int kTagXResolution = 0x011A;
constexpr int kTagYResolution = 0x011B;
constexpr int kTagResolutionUnit = 0x0128;
constexpr int kTagExifDirectory = 0x8769;
constexpr int kTagInteropDirectory = 0xA005;

// The TIFF data of one EXIF section: reads in the section's byte order and
// never past its end (callers check the ranges first).
class TiffData {
 public:
  TiffData(const std::uint8_t* data, std::size_t length, bool motorola)
      : data_(data), length_(length), motorola_(motorola) {}

  std::size_t length() const { return length_; }
  // True when [offset, offset + count) lies inside the data.
  bool Holds(std::uint64_t offset, std::uint64_t count) const { return offset <= length_ && count <= length_ - offset; }
  std::uint16_t U16(std::size_t at) const {
    const std::uint8_t* p = data_ + at;
    return static_cast<std::uint16_t>(motorola_ ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0]);
  }
  std::uint32_t U32(std::size_t at) const {
    const std::uint32_t a = U16(at);
    const std::uint32_t b = U16(at + 2);
    return motorola_ ? (a << 16) | b : (b << 16) | a;
  }

  double Number(std::size_t at, unsigned format) const {
    switch (format) {
      case 1:
        return data_[at];
      case 3:
        return U16(at);
      case 4:
        return U32(at);
      case 5: {
        const std::uint32_t den = U32(at + 4);
        return den == 0 ? 0.0 : static_cast<double>(U32(at)) / den;
      }
      case 6:
        return static_cast<std::int8_t>(data_[at]);
      case 8:
        return static_cast<std::int16_t>(U16(at));
      case 9:
        return static_cast<std::int32_t>(U32(at));
      case 10: {
        const auto den = static_cast<std::int32_t>(U32(at + 4));
        return den == 0 ? 0.0 : static_cast<double>(static_cast<std::int32_t>(U32(at))) / den;
      }
      case 11: {
        const std::uint32_t raw = U32(at);
        float value;
        std::memcpy(&value, &raw, sizeof value);
        return value;
      }
      case 12: {
        const std::uint64_t raw =
            (static_cast<std::uint64_t>(motorola_ ? U32(at) : U32(at + 4)) << 32) | (motorola_ ? U32(at + 4) : U32(at));
        double value;
        std::memcpy(&value, &raw, sizeof value);
        return value;
      }
      default:
        return 0.0;
    }
  }

 private:
  const std::uint8_t* data_;
  std::size_t length_;
  bool motorola_;
};

class DirectoryWalk {
 public:
  DirectoryWalk(const TiffData& tiff, ExifInfo& info, std::string& error) : tiff_(tiff), info_(info), error_(error) {}

  bool Walk(std::size_t offset, int depth) {
    if (depth > ExifReader::kMaxDirectoryDepth) return Fail("EXIF directories nested too deeply");
    if (!visited_.insert(offset).second) return Fail("EXIF directory visited twice");
    if (!tiff_.Holds(offset, 2)) return Fail("Illegally sized directory");
    const unsigned count = tiff_.U16(offset);
    const std::size_t entries = offset + 2;
    if (!tiff_.Holds(entries, 12ull * count)) return Fail("Illegally sized directory");

    for (unsigned n = 0; n < count; ++n) {
      const std::size_t entry = entries + 12ull * n;
      const unsigned tag = tiff_.U16(entry);
      const unsigned format = tiff_.U16(entry + 2);
      const std::uint64_t components = tiff_.U32(entry + 4);
      if (format >= 13) return Fail("Illegal format code in EXIF dir");
      // 64-bit product: a count near 2^32 times 8 must not wrap into range.
      const std::uint64_t byteCount = components * kFormatSizes[format];
      std::size_t value = entry + 8;
      if (byteCount > 4) {
        const std::uint32_t valueOffset = tiff_.U32(entry + 8);
        if (!tiff_.Holds(valueOffset, byteCount)) return Fail("Illegal pointer offset value in EXIF.");
        value = valueOffset;
      }
      // A value with no components has no bytes to read; it counts as 0.
      const double number = byteCount == 0 ? 0.0 : tiff_.Number(value, format);
      switch (tag) {
        case kTagXResolution:
          info_.xResolution = static_cast<float>(number);
          break;
        case kTagYResolution:
          info_.yResolution = static_cast<float>(number);
          break;
        case kTagResolutionUnit:
          SetUnit(number);
          break;
        case kTagExifDirectory:
        case kTagInteropDirectory: {
          // Either inside the entry or at a checked offset of more than 4 bytes.
          const std::uint32_t sub = tiff_.U32(value);
          if (!tiff_.Holds(sub, 2)) return Fail("Illegal subdirectory link");
          if (!Walk(sub, depth + 1)) return false;
          break;
        }
        default:
          break;
      }
    }
    const std::size_t linkAt = entries + 12ull * count;
    if (tiff_.Holds(linkAt, 2)) {
      // The link is read as 16 bits, as the reader always has.
      const std::uint16_t next = tiff_.U16(linkAt);
      if (next != 0) {
        if (!tiff_.Holds(next, 2)) return Fail("Illegal subdirectory link");
        if (!Walk(next, depth + 1)) return false;
      }
    }
    return true;
  }

 private:
  void SetUnit(double value) {
    if (value == 1 || value == 2)
      info_.resolutionUnit = 1.0f;
    else if (value == 3)
      info_.resolutionUnit = 0.3937008f;
    else if (value == 4)
      info_.resolutionUnit = 0.03937008f;
    else if (value == 5)
      info_.resolutionUnit = 0.00003937008f;
  }
  bool Fail(const char* text) {
    error_ = text;
    return false;
  }

  const TiffData& tiff_;
  ExifInfo& info_;
  std::string& error_;
  std::set<std::size_t> visited_;
};

}  // namespace

bool ExifReader::Fail(const char* text) {
  error_ = text;
  return false;
}

bool ExifReader::ParseExifSection(std::span<const std::uint8_t> section) {
  static constexpr std::uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
  info_.isExif = false;
  if (section.size() < 6 || std::memcmp(section.data(), kExifHeader, 6) != 0) {
    return Fail("Incorrect Exif header");
  }
  const std::uint8_t* tiffStart = section.data() + 6;
  const std::size_t tiffLength = section.size() - 6;
  if (tiffLength < 8) return Fail("Invalid Exif alignment marker.");
  bool motorola = false;
  if (tiffStart[0] == 'I' && tiffStart[1] == 'I') {
    motorola = false;
  } else if (tiffStart[0] == 'M' && tiffStart[1] == 'M') {
    motorola = true;
  } else {
    return Fail("Invalid Exif alignment marker.");
  }
  const TiffData tiff(tiffStart, tiffLength, motorola);
  if (tiff.U16(2) != 42) return Fail("Invalid Exif start (1)");
  const std::uint32_t first = tiff.U32(4);
  if (first < 8 || first > 16) return Fail("Suspicious offset of first IFD value");
  DirectoryWalk walk(tiff, info_, error_);
  info_.isExif = walk.Walk(8, 0);
  return info_.isExif;
}

bool ExifReader::Scan(ImageStream& stream) {
  info_.isExif = false;
  if (stream.GetByte() != 0xFF || stream.GetByte() != 0xD8) return false;
  int kept = 0;
  bool commentKept = false;
  std::vector<std::uint8_t> data;
  for (;;) {
    int marker = 0;
    int padding = 0;
    for (;;) {
      marker = stream.GetByte();
      if (marker < 0) return Fail("Premature end of file?");
      if (marker != 0xFF) break;
      if (++padding >= 7) return Fail("too many padding bytes");
    }
    const int high = stream.GetByte();
    const int low = stream.GetByte();
    if (high < 0 || low < 0) return Fail("Premature end of file?");
    const int length = (high << 8) | low;
    if (length < 2) return Fail("invalid marker");
    data.resize(static_cast<std::size_t>(length - 2));
    if (!data.empty() && stream.Read(data.data(), 1, data.size()) != data.size()) {
      return Fail("Premature end of file?");
    }

    bool keep = true;
    switch (marker) {
      case 0xD9:
        return Fail("No image in jpeg!");
      case 0xDA:
        return true;
      case 0xE0:
        keep = false;
        break;
      case 0xE1:
        keep = data.size() >= 4 && std::memcmp(data.data(), "Exif", 4) == 0;
        // The outcome of the last EXIF section decides; a damaged one does
        // not end the scan.
        if (keep) ParseExifSection(data);
        break;
      case 0xFE:
        keep = !commentKept;
        commentKept = true;
        break;
      default:
        break;  // frame headers and every other section are kept
    }
    if (keep && ++kept >= kMaxKeptSections) return Fail("Too many sections in jpg file");
  }
}

}  // namespace orv
