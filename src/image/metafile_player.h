// Plays a placeable Windows metafile or an enhanced metafile into a picture,
// with cairo for the drawing and pango for the text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orv {

struct MetafilePicture {
  int width = 0;
  int height = 0;
  // Rows top first, 3 bytes per pixel in the order blue, green, red,
  // width x 3 bytes per row, no padding.
  std::vector<std::uint8_t> bgr;
};

// Renders `data` at 96 pixels per inch on the window colour (white). A
// non-zero maxWidth or maxHeight replaces that side of the natural size; both
// sides are then limited to 4000 pixels. On failure returns false with
// `error` set to "corrupted WMF" (not a metafile) or "empty WMF" (no area).
bool RenderMetafile(std::span<const std::uint8_t> data, int maxWidth, int maxHeight, MetafilePicture& out,
                    std::string& error);

}  // namespace orv
