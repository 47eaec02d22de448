#include "image/jpeg_codec.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "image/image_stream.h"
#include "image/jpeg_managers.h"

namespace orv {
namespace {

static_assert(JMSG_LENGTH_MAX <= kLastErrorSize);

// A resolution from EXIF or JFIF data, kept inside the range of the field.
std::int32_t ClampDpi(double value) {
  if (!(value > std::numeric_limits<std::int32_t>::min())) return 0;  // also NaN
  if (value >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

// The resolution from EXIF data when there is any, else from the JFIF
// header (dots per inch, per centimetre, or a bare aspect ratio).
void SetResolution(RasterImage& image, const ExifInfo& exif, const jpeg_decompress_struct& info) {
  if (exif.isExif) {
    if (exif.xResolution != 0 && exif.resolutionUnit != 0) {
      image.SetXDpi(ClampDpi(static_cast<double>(exif.xResolution / exif.resolutionUnit)));
    }
    if (exif.yResolution != 0 && exif.resolutionUnit != 0) {
      image.SetYDpi(ClampDpi(static_cast<double>(exif.yResolution / exif.resolutionUnit)));
    }
  } else if (info.density_unit == 2) {
    image.SetXDpi(static_cast<std::int32_t>(std::floor(info.X_density * 2.54 + 0.5)));
    image.SetYDpi(static_cast<std::int32_t>(std::floor(info.Y_density * 2.54 + 0.5)));
  } else {
    image.SetXDpi(info.X_density);
    image.SetYDpi(info.Y_density);
  }
}

// Reads the scanlines into the image, top row of the picture into the last
// stored row. The library's errors jump straight back to the caller's
// setjmp, so nothing here needs unwinding.
void ReadScanlines(jpeg_decompress_struct& info, RasterImage& image) {
  const int components = info.output_components;
  const std::uint32_t width = info.output_width;
  JSAMPARRAY sample = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                width * static_cast<JDIMENSION>(components), 1);
  const std::size_t copyBytes = std::min<std::size_t>(static_cast<std::size_t>(width) * components, image.RowStride());
  for (std::uint32_t stored = info.output_height; stored-- > 0;) {
    jpeg_read_scanlines(&info, sample, 1);
    std::uint8_t* out = image.Row(stored);
    const JSAMPLE* in = sample[0];
    if (components == 4) {
      // CMYK as the library delivers it (Adobe-inverted): k scales each ink.
      for (std::uint32_t x = 0; x < width; ++x, in += 4, out += 3) {
        const unsigned k = in[3];
        out[0] = static_cast<std::uint8_t>(in[2] * k / 255);
        out[1] = static_cast<std::uint8_t>(in[1] * k / 255);
        out[2] = static_cast<std::uint8_t>(in[0] * k / 255);
      }
    } else {
      std::memcpy(out, in, copyBytes);
    }
  }
}

}  // namespace

bool JpegCodec::Encode(ImageStream& stream) {
  if (!IsValid()) {
    SetLastError("JPEG: no picture to encode");
    return false;
  }
  const bool grey = PaletteSize() != 0;
  if (grey && !HasGreyPalette()) {
    SetLastError("JPEG can save only RGB or GreyScale images");
    return false;
  }
  const auto buffer = std::make_unique<JOCTET[]>(kJpegBufferSize);
  const std::uint32_t width = static_cast<std::uint32_t>(Width());
  // A 1- or 4-bit grey ramp is widened to one index byte per pixel, so the
  // sample row is at least as long as the picture is wide.
  const std::size_t sampleBytes = std::max<std::size_t>(RowStride(), width) + 8;
  const std::uint32_t height = static_cast<std::uint32_t>(Height());
  const int bits = BitsPerPixel();

  JpegErrorManager errors;
  JpegDestinationManager destination;
  jpeg_compress_struct info;
  info.err = InstallErrorManager(errors, LastErrorBuffer());
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  AttachDestination(&info, destination, stream, buffer.get());
  info.image_width = width;
  info.image_height = height;
  info.input_components = grey ? 1 : 3;
  // Stored true-colour rows are blue-green-red: libjpeg-turbo takes them as
  // they are, with the same arithmetic as for red-green-blue.
  info.in_color_space = grey ? JCS_GRAYSCALE : bits == 24 ? JCS_EXT_BGR : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, Quality(), TRUE);
  info.density_unit = 1;
  info.X_density = static_cast<UINT16>(XDpi());
  info.Y_density = static_cast<UINT16>(YDpi());
  jpeg_start_compress(&info, TRUE);

  JSAMPARRAY sample = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                static_cast<JDIMENSION>(sampleBytes), 1);
  // Top row of the picture first: the last stored row.
  for (std::uint32_t stored = height; stored-- > 0;) {
    const std::uint8_t* row = Row(stored);
    JSAMPLE* out = sample[0];
    if (bits == 24) {
      // Read only: libjpeg never writes to the rows it is given.
      JSAMPROW direct = const_cast<JSAMPROW>(row);
      jpeg_write_scanlines(&info, &direct, 1);
      continue;
    }
    if (bits == 8) {
      std::memcpy(out, row, RowStride());
    } else {
      for (std::uint32_t x = 0; x < width; ++x) out[x] = PixelIndex(x, stored);
    }
    jpeg_write_scanlines(&info, sample, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

bool JpegCodec::Decode(ImageStream& stream) {
  const std::int64_t start = stream.Tell();
  {
    ExifReader reader(exif_);
    reader.Scan(stream);
  }
  stream.Seek(start, SeekOrigin::Start);

  const auto buffer = std::make_unique<JOCTET[]>(kJpegBufferSize);
  JpegErrorManager errors;
  JpegSourceManager source;
  jpeg_decompress_struct info;
  info.err = InstallErrorManager(errors, LastErrorBuffer());
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&info);
    Release();
    return false;
  }
  jpeg_create_decompress(&info);
  AttachSource(&info, source, stream, buffer.get());
  jpeg_read_header(&info, TRUE);

  // The header may claim any size; the picture, and the library's own
  // whole-image buffers for progressive files, stay within the block limit.
  const std::uint64_t claimed =
      static_cast<std::uint64_t>(info.image_width) * info.image_height * static_cast<unsigned>(info.num_components);
  if (claimed > RasterImage::MaxBlockBytes()) {
    SetLastError("JPEG picture too large");
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.mem->max_memory_to_use = static_cast<long>(RasterImage::MaxBlockBytes());
  jpeg_start_decompress(&info);

  const int components = info.output_components;
  if (Create(info.output_width, info.output_height, 8 * components, ImageFormat::Jpg) == nullptr) {
    SetLastError("Can't allocate memory");
    jpeg_destroy_decompress(&info);
    return false;
  }

  SetResolution(*this, exif_, info);
  if (components == 1) SetGreyPalette();
  ReadScanlines(info, *this);
  jpeg_finish_decompress(&info);
  if (components == 3) {
    for (std::uint32_t y = 0; y < info.output_height; ++y) SwapRedBlue(Row(y), RowStride());
  }
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace orv
