#include "image/jpeg_managers.h"

#include <jerror.h>

#include "image/image_stream.h"

namespace orv {
namespace {

[[noreturn]] void JumpBack(j_common_ptr info) {
  auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->lastError);
  std::longjmp(manager->jump, 1);
}

// Warnings are counted by the library's own emit_message but not printed:
// a slide with a damaged tail still converts without noise on the terminal.
void KeepQuiet(j_common_ptr /*info*/) {}

void InitSource(j_decompress_ptr info) { reinterpret_cast<JpegSourceManager*>(info->src)->startOfFile = true; }

boolean FillInput(j_decompress_ptr info) {
  auto* source = reinterpret_cast<JpegSourceManager*>(info->src);
  std::size_t count = source->stream->Read(source->buffer, 1, kJpegBufferSize);
  if (count == 0) {
    if (source->startOfFile) ERREXIT(info, JERR_INPUT_EMPTY);
    WARNMS(info, JWRN_JPEG_EOF);
    // An inserted end-of-image marker lets the library finish what it has.
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    count = 2;
  }
  source->pub.next_input_byte = source->buffer;
  source->pub.bytes_in_buffer = count;
  source->startOfFile = false;
  return TRUE;
}

void SkipInput(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  auto* source = reinterpret_cast<JpegSourceManager*>(info->src);
  auto left = static_cast<std::size_t>(count);
  while (left > source->pub.bytes_in_buffer) {
    left -= source->pub.bytes_in_buffer;
    FillInput(info);
  }
  source->pub.next_input_byte += left;
  source->pub.bytes_in_buffer -= left;
}

void TermSource(j_decompress_ptr /*info*/) {}

void InitDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<JpegDestinationManager*>(info->dest);
  destination->pub.next_output_byte = destination->buffer;
  destination->pub.free_in_buffer = kJpegBufferSize;
}

boolean EmptyOutput(j_compress_ptr info) {
  auto* destination = reinterpret_cast<JpegDestinationManager*>(info->dest);
  if (destination->stream->Write(destination->buffer, 1, kJpegBufferSize) != kJpegBufferSize) {
    ERREXIT(info, JERR_FILE_WRITE);
  }
  destination->pub.next_output_byte = destination->buffer;
  destination->pub.free_in_buffer = kJpegBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<JpegDestinationManager*>(info->dest);
  const std::size_t pending = kJpegBufferSize - destination->pub.free_in_buffer;
  if (pending > 0 && destination->stream->Write(destination->buffer, 1, pending) != pending) {
    ERREXIT(info, JERR_FILE_WRITE);
  }
  destination->stream->Flush();
  if (destination->stream->HasError()) ERREXIT(info, JERR_FILE_WRITE);
}

}  // namespace

jpeg_error_mgr* InstallErrorManager(JpegErrorManager& manager, char* lastError) {
  jpeg_std_error(&manager.pub);
  manager.pub.error_exit = JumpBack;
  manager.pub.output_message = KeepQuiet;
  manager.lastError = lastError;
  return &manager.pub;
}

void AttachSource(j_decompress_ptr info, JpegSourceManager& manager, ImageStream& stream, JOCTET* buffer) {
  manager.pub.init_source = InitSource;
  manager.pub.fill_input_buffer = FillInput;
  manager.pub.skip_input_data = SkipInput;
  manager.pub.resync_to_restart = jpeg_resync_to_restart;
  manager.pub.term_source = TermSource;
  manager.pub.next_input_byte = nullptr;
  manager.pub.bytes_in_buffer = 0;
  manager.stream = &stream;
  manager.buffer = buffer;
  manager.startOfFile = true;
  info->src = &manager.pub;
}

void AttachDestination(j_compress_ptr info, JpegDestinationManager& manager, ImageStream& stream, JOCTET* buffer) {
  manager.pub.init_destination = InitDestination;
  manager.pub.empty_output_buffer = EmptyOutput;
  manager.pub.term_destination = TermDestination;
  manager.pub.next_output_byte = buffer;
  manager.pub.free_in_buffer = kJpegBufferSize;
  manager.stream = &stream;
  manager.buffer = buffer;
  info->dest = &manager.pub;
}

}  // namespace orv
