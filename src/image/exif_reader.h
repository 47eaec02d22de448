// Scans a JPEG file's marker sections up to the start of scan and takes the
// picture resolution from its EXIF data. Every offset and count is checked
// against the section; directories already visited and walks deeper than a
// fixed limit end the walk.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orv {

class ImageStream;

struct ExifInfo {
  bool isExif = false;
  float xResolution = 0;
  float yResolution = 0;
  float resolutionUnit = 0;
};

class ExifReader {
 public:
  static constexpr int kMaxKeptSections = 20;
  static constexpr int kMaxDirectoryDepth = 8;

  explicit ExifReader(ExifInfo& info) : info_(info) {}

  // Reads marker sections from the stream's current position. True when the
  // start of scan was reached; info.isExif tells whether EXIF data was read.
  bool Scan(ImageStream& stream);

  // Parses the data of one APP1 section (after its length field).
  bool ParseExifSection(std::span<const std::uint8_t> section);

  const std::string& error() const { return error_; }

 private:
  bool Fail(const char* text);

  ExifInfo& info_;
  std::string error_;
};

}  // namespace orv
