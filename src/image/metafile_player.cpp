#include "image/metafile_player.h"

#include <cairo.h>

#include <memory>

#include "image/emf_player.h"
#include "image/gdi_canvas.h"
#include "image/metafile_header.h"
#include "image/wmf_player.h"

namespace orv {
namespace {

constexpr int kPixelsPerInch = 96;
constexpr double kMmPerInch = 25.4;

// Where the metafile's device space lands on the picture and how fine it is.
struct Placement {
  double deviceLeft = 0, deviceTop = 0, deviceWidth = 1, deviceHeight = 1;
  double devicePerMmX = kPixelsPerInch / kMmPerInch, devicePerMmY = kPixelsPerInch / kMmPerInch;
};

// The enhanced form is played with its frame (in device units) filling the
// picture, as a player into a rectangle does; the bounds stand in when the
// frame or the reference device is unusable.
Placement EnhancedPlacement(const EnhancedHeader& header) {
  Placement placement;
  placement.deviceLeft = header.bounds.left;
  placement.deviceTop = header.bounds.top;
  placement.deviceWidth = static_cast<double>(header.bounds.right) - header.bounds.left;
  placement.deviceHeight = static_cast<double>(header.bounds.bottom) - header.bounds.top;
  if (header.deviceWidth > 0 && header.deviceHeight > 0 && header.deviceWidthMm > 0 && header.deviceHeightMm > 0) {
    placement.devicePerMmX = static_cast<double>(header.deviceWidth) / header.deviceWidthMm;
    placement.devicePerMmY = static_cast<double>(header.deviceHeight) / header.deviceHeightMm;
    const double frameWidth = static_cast<double>(header.frame.right) - header.frame.left;
    const double frameHeight = static_cast<double>(header.frame.bottom) - header.frame.top;
    if (frameWidth > 0 && frameHeight > 0) {
      placement.deviceLeft = header.frame.left / 100.0 * placement.devicePerMmX;
      placement.deviceTop = header.frame.top / 100.0 * placement.devicePerMmY;
      placement.deviceWidth = frameWidth / 100.0 * placement.devicePerMmX;
      placement.deviceHeight = frameHeight / 100.0 * placement.devicePerMmY;
    }
  }
  return placement;
}

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};

}  // namespace

bool RenderMetafile(std::span<const std::uint8_t> data, int maxWidth, int maxHeight, MetafilePicture& out,
                    std::string& error) {
  out = MetafilePicture{};
  error.clear();

  std::int64_t width = 0, height = 0;
  Placement placement;
  const auto wmf = ParsePlaceableWmf(data);
  std::optional<EnhancedHeader> emf;
  if (wmf) {
    width = (std::int64_t{wmf->box.right} - wmf->box.left) * kPixelsPerInch / wmf->unitsPerInch;
    height = (std::int64_t{wmf->box.bottom} - wmf->box.top) * kPixelsPerInch / wmf->unitsPerInch;
    placement.deviceLeft = wmf->box.left;
    placement.deviceTop = wmf->box.top;
    placement.deviceWidth = static_cast<double>(wmf->box.right) - wmf->box.left;
    placement.deviceHeight = static_cast<double>(wmf->box.bottom) - wmf->box.top;
    placement.devicePerMmX = placement.devicePerMmY = wmf->unitsPerInch / kMmPerInch;
  } else if ((emf = ParseEnhancedHeader(data))) {
    width = std::int64_t{emf->bounds.right} - emf->bounds.left;
    height = std::int64_t{emf->bounds.bottom} - emf->bounds.top;
    placement = EnhancedPlacement(*emf);
  } else {
    error = "corrupted WMF";
    return false;
  }
  // A box given the wrong way round has no area either.
  if (width <= 0 || height <= 0) {
    error = "empty WMF";
    return false;
  }
  ApplySizeRules(width, height, maxWidth, maxHeight);

  std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), static_cast<int>(height)));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return false;
  std::unique_ptr<cairo_t, ContextDeleter> cr(cairo_create(surface.get()));
  if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return false;

  // Unpainted areas keep the window colour.
  cairo_set_source_rgb(cr.get(), 1, 1, 1);
  cairo_paint(cr.get());

  if (placement.deviceWidth != 0 && placement.deviceHeight != 0) {
    const double scaleX = static_cast<double>(width) / placement.deviceWidth;
    const double scaleY = static_cast<double>(height) / placement.deviceHeight;
    const Affine deviceToOutput{scaleX, 0, 0, scaleY, -placement.deviceLeft * scaleX, -placement.deviceTop * scaleY};
    // Nothing is drawn outside the picture's frame.
    cairo_rectangle(cr.get(), 0, 0, static_cast<double>(width), static_cast<double>(height));
    cairo_clip(cr.get());
    GdiCanvas canvas(cr.get(), placement.devicePerMmX, placement.devicePerMmY, deviceToOutput);
    if (wmf)
      PlayWmf(*wmf, canvas);
    else
      PlayEmf(*emf, canvas);
  }
  cairo_surface_flush(surface.get());

  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  out.bgr.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  const unsigned char* pixels = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  std::uint8_t* target = out.bgr.data();
  for (int y = 0; y < out.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(pixels + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < out.width; ++x) {
      const std::uint32_t pixel = row[x];
      *target++ = static_cast<std::uint8_t>(pixel);
      *target++ = static_cast<std::uint8_t>(pixel >> 8);
      *target++ = static_cast<std::uint8_t>(pixel >> 16);
    }
  }
  return true;
}

}  // namespace orv
