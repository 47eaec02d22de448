// Loading, decoding and encoding: the dispatch from a format code to a codec.
#include <cstdio>
#include <cstring>
#include <memory>

#include "image/bmp_codec.h"
#include "image/file_stream.h"
#include "image/jpeg_codec.h"
#include "image/memory_stream.h"
#include "image/metafile_codec.h"
#include "image/raster_image.h"

namespace orv {
namespace {

constexpr char kUnknownFormat[] = "Decode: Unknown or wrong format";

bool DecodeWithFile(RasterImage& image, const std::string& path, ImageFormat format) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  FileStream stream(file, /*owns=*/true);
  return image.Decode(stream, format);
}

template <typename Codec>
bool DecodeInto(RasterImage& image, ImageStream& stream) {
  Codec codec;
  if (codec.Decode(stream)) {
    image.TakeOver(codec);
    return true;
  }
  image.SetLastError(codec.LastError());
  return false;
}

}  // namespace

bool RasterImage::Load(const std::string& path, ImageFormat format) {
  const bool named = format == ImageFormat::Bmp || format == ImageFormat::Jpg || format == ImageFormat::Wmf;
  if (named) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    FileStream stream(file, /*owns=*/true);
    if (Decode(stream, format)) return true;
  }
  // The content decides when the name lies; the named codec's complaint is
  // the one kept when nothing reads the file.
  char remembered[kLastErrorSize];
  std::memcpy(remembered, info_.lastError, kLastErrorSize);
  if (DecodeWithFile(*this, path, ImageFormat::Unknown)) return true;
  if (named) std::memcpy(info_.lastError, remembered, kLastErrorSize);
  return false;
}

bool RasterImage::Decode(ImageStream& stream, ImageFormat format) {
  switch (format) {
    case ImageFormat::Bmp:
      return DecodeInto<BmpCodec>(*this, stream);
    case ImageFormat::Jpg:
      return DecodeInto<JpegCodec>(*this, stream);
    case ImageFormat::Wmf:
      return DecodeInto<MetafileCodec>(*this, stream);
    case ImageFormat::Unknown: {
      const std::int64_t start = stream.Tell();
      if (DecodeInto<BmpCodec>(*this, stream)) return true;
      stream.Seek(start, SeekOrigin::Start);
      if (DecodeInto<JpegCodec>(*this, stream)) return true;
      stream.Seek(start, SeekOrigin::Start);
      if (DecodeInto<MetafileCodec>(*this, stream)) return true;
      stream.Seek(start, SeekOrigin::Start);
      SetLastError(kUnknownFormat);
      return false;
    }
  }
  SetLastError(kUnknownFormat);
  return false;
}

bool RasterImage::Encode(ImageStream& stream, ImageFormat format) {
  if (format != ImageFormat::Jpg) {
    SetLastError("Encode: Unknown format");
    return false;
  }
  JpegCodec view;
  view.MakeView(*this);
  if (view.Encode(stream)) return true;
  SetLastError(view.LastError());
  return false;
}

bool RasterImage::EncodeToBuffer(std::uint8_t*& bytes, std::int32_t& size, ImageFormat format) {
  if (bytes != nullptr) return false;
  MemoryStream stream;
  if (!Encode(stream, format)) return false;
  if (stream.Length() > static_cast<std::size_t>(INT32_MAX)) {
    SetLastError("Encode: stream too long");
    return false;
  }
  size = static_cast<std::int32_t>(stream.Length());
  bytes = stream.DetachBlock();
  return true;
}

}  // namespace orv
