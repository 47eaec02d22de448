#include "image/metafile_header.h"

#include <algorithm>

#include "image/byte_reader.h"

namespace orv {
namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kStandardHeaderSize = 18;
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr std::size_t kEmfMinimumHeader = 88;
constexpr std::int64_t kSideLimit = 4000;

}  // namespace

std::optional<PlaceableWmf> ParsePlaceableWmf(std::span<const std::uint8_t> data) {
  if (data.size() < kPlaceableSize + kStandardHeaderSize) return std::nullopt;
  ByteReader reader(data);
  PlaceableWmf wmf;
  if (reader.U32() != kPlaceableKey) return std::nullopt;
  reader.U16();  // handle
  wmf.box.left = reader.S16();
  wmf.box.top = reader.S16();
  wmf.box.right = reader.S16();
  wmf.box.bottom = reader.S16();
  wmf.unitsPerInch = reader.U16();
  reader.U32();  // reserved
  const std::uint16_t checksum = reader.U16();
  if (wmf.unitsPerInch == 0 || wmf.unitsPerInch > 2540) return std::nullopt;
  std::uint16_t sum = 0;
  for (std::size_t offset = 0; offset < 20; offset += 2) {
    sum ^= static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
  }
  if (sum != checksum) return std::nullopt;

  const std::uint16_t type = reader.U16();
  wmf.headerWords = reader.U16();
  reader.U16();  // version
  const std::uint32_t sizeWords = reader.U32();
  wmf.objectCount = reader.U16();
  wmf.maxRecordWords = reader.U32();
  if (!reader.ok() || (type != 1 && type != 2)) return std::nullopt;
  // The whole metafile must be there behind the placeable header.
  const std::uint64_t bytes = std::uint64_t{sizeWords} * 2;
  if (bytes > data.size() - kPlaceableSize) return std::nullopt;
  wmf.metafile = data.subspan(kPlaceableSize, static_cast<std::size_t>(bytes));
  return wmf;
}

std::optional<EnhancedHeader> ParseEnhancedHeader(std::span<const std::uint8_t> data) {
  ByteReader reader(data);
  EnhancedHeader header;
  const std::uint32_t type = reader.U32();
  const std::uint32_t size = reader.U32();
  header.bounds = {reader.S32(), reader.S32(), reader.S32(), reader.S32()};
  header.frame = {reader.S32(), reader.S32(), reader.S32(), reader.S32()};
  const std::uint32_t signature = reader.U32();
  reader.U32();  // version
  const std::uint32_t totalBytes = reader.U32();
  reader.U32();  // record count
  header.handleCount = reader.U16();
  reader.U16();  // reserved
  reader.U32();  // description length
  reader.U32();  // description offset
  reader.U32();  // palette entries
  header.deviceWidth = reader.S32();
  header.deviceHeight = reader.S32();
  header.deviceWidthMm = reader.S32();
  header.deviceHeightMm = reader.S32();
  if (!reader.ok() || type != 1 || signature != kEmfSignature) return std::nullopt;
  if (size < kEmfMinimumHeader || size > data.size() || size % 4 != 0) return std::nullopt;
  const std::size_t usable = std::min<std::size_t>(totalBytes, data.size());
  if (usable < size) return std::nullopt;
  header.records = data.first(usable);
  return header;
}

void ApplySizeRules(std::int64_t& width, std::int64_t& height, int maxWidth, int maxHeight) {
  if (maxWidth > 0) width = maxWidth;
  if (maxHeight > 0) height = maxHeight;
  if (width > kSideLimit) {
    height = height * kSideLimit / width;
    width = kSideLimit;
  }
  if (height > kSideLimit) {
    width = width * kSideLimit / height;
    height = kSideLimit;
  }
  // A very flat picture would otherwise shrink to no rows or columns at all.
  width = std::max<std::int64_t>(width, 1);
  height = std::max<std::int64_t>(height, 1);
}

}  // namespace orv
