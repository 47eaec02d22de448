// The JPEG library's source, destination and error managers over an
// ImageStream. Data moves in 4096-byte blocks; a library error jumps back to
// the codec operation with the library's message in the image's lastError,
// while warnings are only counted (the library's num_warnings).
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace orv {

class ImageStream;

inline constexpr std::size_t kJpegBufferSize = 4096;

struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char* lastError;  // at least JMSG_LENGTH_MAX bytes
};

// Installs the error manager on `info` (before jpeg_create_*).
jpeg_error_mgr* InstallErrorManager(JpegErrorManager& manager, char* lastError);

struct JpegSourceManager {
  jpeg_source_mgr pub;
  ImageStream* stream;
  JOCTET* buffer;
  bool startOfFile;
};

struct JpegDestinationManager {
  jpeg_destination_mgr pub;
  ImageStream* stream;
  JOCTET* buffer;
};

// `buffer` holds kJpegBufferSize bytes and outlives the library object.
void AttachSource(j_decompress_ptr info, JpegSourceManager& manager, ImageStream& stream, JOCTET* buffer);
void AttachDestination(j_compress_ptr info, JpegDestinationManager& manager, ImageStream& stream, JOCTET* buffer);

}  // namespace orv
