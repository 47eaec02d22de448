// Decodes the device-independent bitmaps that metafile records carry.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <span>

namespace orv {

using SurfacePtr = std::shared_ptr<cairo_surface_t>;

// `info` holds the bitmap header and colour table, `bits` the pixel rows.
// Uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel, bit fields for 16 and
// 32, and run-length encoding for 4 and 8 are understood. With `paletteIndices` the colour table holds
// 16-bit palette indices, drawn as grey levels. Null when the bitmap is not
// understood or its rows are not all there.
SurfacePtr DecodeDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits, bool paletteIndices);

// The packed form: header, colour table and rows in one block.
SurfacePtr DecodePackedDib(std::span<const std::uint8_t> packed, bool paletteIndices);

// Width and height of a bitmap header, or false.
bool DibSize(std::span<const std::uint8_t> info, int& width, int& height);

}  // namespace orv
