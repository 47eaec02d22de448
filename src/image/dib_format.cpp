#include "image/dib_format.h"

#include "image/byte_reader.h"

namespace orv {

std::optional<DibHeader> ReadDibHeader(std::span<const std::uint8_t> bytes) {
  ByteReader reader(bytes);
  DibHeader header;
  header.size = reader.U32();
  if (header.size == 12) {
    header.width = reader.U16();
    header.height = reader.U16();
    reader.U16();  // planes
    header.bitsPerPixel = reader.U16();
  } else if (header.size >= 40) {
    header.width = reader.S32();
    header.height = reader.S32();
    reader.U16();  // planes
    header.bitsPerPixel = reader.U16();
    header.compression = reader.U32();
    reader.U32();  // image size
    header.xPelsPerMeter = reader.S32();
    header.yPelsPerMeter = reader.S32();
    header.coloursUsed = reader.U32();
    reader.U32();  // important colours
  } else {
    return std::nullopt;
  }
  if (!reader.ok()) return std::nullopt;
  header.topDown = header.height < 0;
  if (header.topDown) header.height = -header.height;
  return header;
}

}  // namespace orv
