// A device context drawn with cairo: mapping modes, window and viewport,
// world transform, pens, brushes, fonts, paths and clipping as the metafile
// records use them. Coordinates given to the drawing calls are logical.
#pragma once

#include <cairo.h>

#include <span>
#include <string>
#include <vector>

#include "image/gdi_objects.h"

namespace orv {

struct PointD {
  double x = 0, y = 0;
};

// Text as characters in UTF-8, each with the number of string units (bytes
// or UTF-16 units) it came from, so that per-unit advances can be summed.
struct DecodedText {
  std::vector<std::string> chars;
  std::vector<int> units;
};

enum TextOptions : unsigned {
  kTextOpaque = 0x2,
  kTextClipped = 0x4,
};

enum class ArcKind { kArc, kChord, kPie };

class GdiCanvas {
 public:
  // `deviceToOutput` places the metafile's device space on the surface;
  // devicePerMm gives the device resolution for the metric mapping modes.
  GdiCanvas(cairo_t* cr, double devicePerMmX, double devicePerMmY, const Affine& deviceToOutput);
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;
  ~GdiCanvas();

  DcState& state() { return state_; }

  void SaveDc();
  // Negative: relative to the newest saved state; positive: absolute index.
  void RestoreDc(int which);

  void SetMapMode(int mode);
  void SetWindowOrg(double x, double y) { state_.windowOrgX = x, state_.windowOrgY = y; }
  void SetViewportOrg(double x, double y) { state_.viewportOrgX = x, state_.viewportOrgY = y; }
  // Extents are ignored in the fixed mapping modes; zero extents are refused.
  void SetWindowExt(double x, double y);
  void SetViewportExt(double x, double y);
  void SetWorldTransform(const Affine& world) { state_.world = world; }
  // Mode 1 identity, 2 left-multiply, 3 right-multiply.
  void ModifyWorldTransform(const Affine& change, int mode);

  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  void Rectangle(double left, double top, double right, double bottom);
  void RoundRect(double left, double top, double right, double bottom, double width, double height);
  void Ellipse(double left, double top, double right, double bottom);
  void Arc(ArcKind kind, double left, double top, double right, double bottom, PointD start, PointD end);
  void Polygon(std::span<const PointD> points);
  void PolyPolygon(std::span<const PointD> points, std::span<const std::uint32_t> counts);
  void Polyline(std::span<const PointD> points, bool fromCurrent);
  void PolyBezier(std::span<const PointD> points, bool fromCurrent);
  // Fills a logical rectangle with a plain colour, no outline.
  void FillRect(double left, double top, double right, double bottom, Colour colour);
  // Fills a logical rectangle with the current brush (pattern copy).
  void FillWithBrush(double left, double top, double right, double bottom);

  void IntersectClip(double left, double top, double right, double bottom);
  void ExcludeClip(double left, double top, double right, double bottom);
  void ResetClip();

  void BeginPath();
  void EndPath();
  void AbortPath();
  void CloseFigure();
  void FillPath(bool stroke, bool fill);
  void SelectClipPath();

  void DrawText(const DecodedText& text, double x, double y, std::span<const double> dx, unsigned options,
                const double* rect);

  // Draws the source rectangle of `image` (pixels, top row 0) into the
  // logical destination rectangle with a raster operation: a plain copy, or
  // the OR, AND and XOR of source and destination that masked pictures use.
  // Returns false for other operations, which are not drawn.
  bool DrawImage(cairo_surface_t* image, double srcX, double srcY, double srcW, double srcH, double dstX, double dstY,
                 double dstW, double dstH, std::uint32_t rop);

 private:
  cairo_matrix_t LogicalToOutput() const;
  double PenWidthPixels() const;
  // Builds a path in logical coordinates; the lambda adds its segments.
  template <typename Build>
  void WithLogicalPath(Build build, bool closedShape);
  void PaintShape(bool fill, bool stroke);
  void ApplyPen();
  // Makes the logical rectangle the current path, in output coordinates;
  // false when the mapping cannot be used.
  bool SetRectanglePath(double left, double top, double right, double bottom);
  void SetBrushSource();
  void CombineImage(cairo_surface_t* image, double srcX, double srcY, double srcW, double srcH,
                    const cairo_matrix_t& full, std::uint32_t rop);

  cairo_t* cr_;
  double devicePerMmX_, devicePerMmY_;
  Affine deviceToOutput_;
  DcState state_;
  std::vector<DcState> saved_;
  bool inPath_ = false;
  cairo_path_t* path_ = nullptr;
};

}  // namespace orv
