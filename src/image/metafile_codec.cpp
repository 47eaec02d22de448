#include "image/metafile_codec.h"

#include <cstring>
#include <string>
#include <vector>

#include "image/image_stream.h"
#include "image/metafile_player.h"

namespace orv {
namespace {

constexpr int kPixelsPerInch = 96;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool PlaceableSize(std::span<const std::uint8_t> data, std::int64_t& width, std::int64_t& height) {
  if (data.size() < 22 + 18) return false;
  const std::uint8_t* p = data.data();
  if (Le32(p) != 0x9AC6CDD7u) return false;
  const std::uint16_t unitsPerInch = Le16(p + 14);
  if (unitsPerInch == 0 || unitsPerInch > 2540) return false;
  std::uint16_t checksum = 0;
  for (int word = 0; word < 10; ++word) checksum ^= Le16(p + 2 * word);
  if (checksum != Le16(p + 20)) return false;
  const std::uint16_t type = Le16(p + 22);
  if (type != 1 && type != 2) return false;
  const auto left = static_cast<std::int16_t>(Le16(p + 6));
  const auto top = static_cast<std::int16_t>(Le16(p + 8));
  const auto right = static_cast<std::int16_t>(Le16(p + 10));
  const auto bottom = static_cast<std::int16_t>(Le16(p + 12));
  width = (static_cast<std::int64_t>(right) - left) * kPixelsPerInch / unitsPerInch;
  height = (static_cast<std::int64_t>(bottom) - top) * kPixelsPerInch / unitsPerInch;
  return true;
}

bool EnhancedSize(std::span<const std::uint8_t> data, std::int64_t& width, std::int64_t& height) {
  // EMR_HEADER record with the " EMF" signature at offset 40.
  if (data.size() < 88 || Le32(data.data()) != 1 || Le32(data.data() + 40) != 0x464D4520u) return false;
  const auto left = static_cast<std::int32_t>(Le32(data.data() + 8));
  const auto top = static_cast<std::int32_t>(Le32(data.data() + 12));
  const auto right = static_cast<std::int32_t>(Le32(data.data() + 16));
  const auto bottom = static_cast<std::int32_t>(Le32(data.data() + 20));
  width = static_cast<std::int64_t>(right) - left;
  height = static_cast<std::int64_t>(bottom) - top;
  return true;
}

}  // namespace

bool MetafileNaturalSize(std::span<const std::uint8_t> data, std::int64_t& width, std::int64_t& height) {
  return PlaceableSize(data, width, height) || EnhancedSize(data, width, height);
}

bool MetafileCodec::Decode(ImageStream& stream, int maxWidth, int maxHeight) {
  const std::int64_t position = stream.Tell();
  const std::int64_t size = stream.Size();
  if (position < 0 || size < position) {
    SetLastError("corrupted WMF");
    return false;
  }
  std::vector<std::uint8_t> data(static_cast<std::size_t>(size - position));
  if (stream.Read(data.data(), 1, data.size()) != data.size()) {
    SetLastError("corrupted WMF");
    return false;
  }
  MetafilePicture picture;
  std::string error;
  if (!RenderMetafile(data, maxWidth, maxHeight, picture, error)) {
    SetLastError(error.empty() ? "corrupted WMF" : error.c_str());
    return false;
  }
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(picture.width);
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.bgr.size() < rowBytes * static_cast<std::size_t>(picture.height)) {
    SetLastError("empty WMF");
    return false;
  }
  if (Create(picture.width, picture.height, 24, ImageFormat::Wmf) == nullptr) return false;
  // The player's rows run top first; the picture's are stored bottom-up.
  for (std::int32_t top = 0; top < picture.height; ++top) {
    std::uint8_t* row = Row(static_cast<std::uint32_t>(picture.height - 1 - top));
    std::memcpy(row, picture.bgr.data() + rowBytes * static_cast<std::size_t>(top), rowBytes);
    std::memset(row + rowBytes, 0, RowStride() - rowBytes);
  }
  return true;
}

}  // namespace orv
