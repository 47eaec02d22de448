#include "image/gdi_canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orv {
namespace {

constexpr std::size_t kMaxSavedStates = 4096;
constexpr double kMaxPenPixels = 8192;
constexpr std::uint32_t kRopSrcCopy = 0x00CC0020;
constexpr std::uint32_t kRopSrcPaint = 0x00EE0086;
constexpr std::uint32_t kRopSrcAnd = 0x008800C6;
constexpr std::uint32_t kRopSrcInvert = 0x00660046;

cairo_matrix_t ToCairo(const Affine& a) {
  cairo_matrix_t m;
  cairo_matrix_init(&m, a.xx, a.yx, a.xy, a.yy, a.x0, a.y0);
  return m;
}

Affine FromCairo(const cairo_matrix_t& m) { return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0}; }

// cairo refuses (and stays refusing) a singular or non-finite matrix, so
// every matrix is checked before it is handed over.
bool Usable(const cairo_matrix_t& m) {
  const double values[] = {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
  for (double v : values) {
    if (!std::isfinite(v) || std::fabs(v) > 1e9) return false;
  }
  const double det = m.xx * m.yy - m.yx * m.xy;
  return std::isfinite(det) && std::fabs(det) > 1e-12;
}

bool Finite(std::initializer_list<double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

void SetColour(cairo_t* cr, Colour c) { cairo_set_source_rgb(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0); }

double LogicalUnitMm(int mode) {
  switch (mode) {
    case kMapLoMetric:
      return 0.1;
    case kMapHiMetric:
      return 0.01;
    case kMapLoEnglish:
      return 0.254;
    case kMapHiEnglish:
      return 0.0254;
    case kMapTwips:
      return 25.4 / 1440;
    default:
      return 0;
  }
}

}  // namespace

GdiCanvas::GdiCanvas(cairo_t* cr, double devicePerMmX, double devicePerMmY, const Affine& deviceToOutput)
    : cr_(cr), devicePerMmX_(devicePerMmX), devicePerMmY_(devicePerMmY), deviceToOutput_(deviceToOutput) {
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
}

GdiCanvas::~GdiCanvas() {
  for (std::size_t i = 0; i < saved_.size(); ++i) cairo_restore(cr_);
  if (path_) cairo_path_destroy(path_);
}

void GdiCanvas::SaveDc() {
  if (saved_.size() >= kMaxSavedStates) return;
  saved_.push_back(state_);
  cairo_save(cr_);
}

void GdiCanvas::RestoreDc(int which) {
  std::size_t keep;
  if (which < 0) {
    const std::size_t back = static_cast<std::size_t>(-static_cast<long long>(which));
    if (back > saved_.size()) return;
    keep = saved_.size() - back;
  } else {
    if (which == 0 || static_cast<std::size_t>(which) > saved_.size()) return;
    keep = static_cast<std::size_t>(which) - 1;
  }
  while (saved_.size() > keep) {
    state_ = saved_.back();
    saved_.pop_back();
    cairo_restore(cr_);
  }
}

void GdiCanvas::SetMapMode(int mode) {
  if (mode >= kMapText && mode <= kMapAnisotropic) state_.mapMode = mode;
}

void GdiCanvas::SetWindowExt(double x, double y) {
  if (x == 0 || y == 0) return;
  if (state_.mapMode != kMapIsotropic && state_.mapMode != kMapAnisotropic) return;
  state_.windowExtX = x;
  state_.windowExtY = y;
}

void GdiCanvas::SetViewportExt(double x, double y) {
  if (x == 0 || y == 0) return;
  if (state_.mapMode != kMapIsotropic && state_.mapMode != kMapAnisotropic) return;
  state_.viewportExtX = x;
  state_.viewportExtY = y;
}

void GdiCanvas::ModifyWorldTransform(const Affine& change, int mode) {
  cairo_matrix_t result;
  const cairo_matrix_t world = ToCairo(state_.world), delta = ToCairo(change);
  switch (mode) {
    case 1:
      state_.world = Affine{};
      return;
    case 2:
      cairo_matrix_multiply(&result, &delta, &world);
      break;
    case 3:
      cairo_matrix_multiply(&result, &world, &delta);
      break;
    default:
      return;
  }
  state_.world = FromCairo(result);
}

cairo_matrix_t GdiCanvas::LogicalToOutput() const {
  double sx = 1, sy = 1;
  const double unitMm = LogicalUnitMm(state_.mapMode);
  if (unitMm > 0) {
    sx = unitMm * devicePerMmX_;
    sy = -unitMm * devicePerMmY_;
  } else if (state_.mapMode == kMapIsotropic || state_.mapMode == kMapAnisotropic) {
    sx = state_.viewportExtX / state_.windowExtX;
    sy = state_.viewportExtY / state_.windowExtY;
    if (state_.mapMode == kMapIsotropic) {
      const double common = std::min(std::fabs(sx), std::fabs(sy));
      sx = std::copysign(common, sx);
      sy = std::copysign(common, sy);
    }
  }
  cairo_matrix_t page;
  cairo_matrix_init(&page, sx, 0, 0, sy, state_.viewportOrgX - state_.windowOrgX * sx,
                    state_.viewportOrgY - state_.windowOrgY * sy);
  const cairo_matrix_t world = ToCairo(state_.world), output = ToCairo(deviceToOutput_);
  cairo_matrix_t worldPage, full;
  cairo_matrix_multiply(&worldPage, &world, &page);
  cairo_matrix_multiply(&full, &worldPage, &output);
  return full;
}

double GdiCanvas::PenWidthPixels() const {
  if (state_.pen.width <= 0) return 1;
  const cairo_matrix_t m = LogicalToOutput();
  const double scale = std::sqrt(std::fabs(m.xx * m.yy - m.yx * m.xy));
  const double width = state_.pen.width * scale;
  if (!std::isfinite(width)) return 1;
  return std::clamp(width, 1.0, kMaxPenPixels);
}

template <typename Build>
void GdiCanvas::WithLogicalPath(Build build, bool closedShape) {
  const cairo_matrix_t m = LogicalToOutput();
  if (!Usable(m)) return;
  if (!inPath_) cairo_new_path(cr_);
  cairo_save(cr_);
  cairo_set_matrix(cr_, &m);
  build();
  cairo_restore(cr_);
  if (inPath_) return;
  PaintShape(closedShape, true);
}

void GdiCanvas::ApplyPen() {
  cairo_set_line_width(cr_, PenWidthPixels());
  SetColour(cr_, state_.pen.colour);
  static const double kDash[] = {18, 6};
  static const double kDot[] = {3, 3};
  static const double kDashDot[] = {9, 6, 3, 6};
  static const double kDashDotDot[] = {9, 3, 3, 3, 3, 3};
  switch (state_.pen.style & 0xF) {
    case kPenDash:
      cairo_set_dash(cr_, kDash, 2, 0);
      break;
    case kPenDot:
      cairo_set_dash(cr_, kDot, 2, 0);
      break;
    case kPenDashDot:
      cairo_set_dash(cr_, kDashDot, 4, 0);
      break;
    case kPenDashDotDot:
      cairo_set_dash(cr_, kDashDotDot, 6, 0);
      break;
    default:
      cairo_set_dash(cr_, nullptr, 0, 0);
      break;
  }
}

void GdiCanvas::SetBrushSource() {
  const Brush& brush = state_.brush;
  if (brush.style == kBrushPattern && brush.pattern) {
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(brush.pattern.get());
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_set_source(cr_, pattern);
    cairo_pattern_destroy(pattern);
    return;
  }
  // Hatched brushes are drawn as their solid colour.
  SetColour(cr_, brush.colour);
}

void GdiCanvas::PaintShape(bool fill, bool stroke) {
  if (fill && state_.brush.style != kBrushNull) {
    SetBrushSource();
    cairo_set_fill_rule(cr_, state_.windingFill ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill_preserve(cr_);
  }
  if (stroke && (state_.pen.style & 0xF) != kPenNull) {
    ApplyPen();
    // Dashes along a path far larger than the picture would be laid out one
    // by one (a hostile file can make that take minutes); such a path is
    // drawn solid, which looks the same where it crosses the picture.
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_path_extents(cr_, &x1, &y1, &x2, &y2);
    cairo_surface_t* target = cairo_get_target(cr_);
    const double picture = cairo_image_surface_get_width(target) + cairo_image_surface_get_height(target);
    if (!((x2 - x1) + (y2 - y1) <= 8.0 * picture + 4096.0)) cairo_set_dash(cr_, nullptr, 0, 0);
    cairo_stroke_preserve(cr_);
  }
  cairo_new_path(cr_);
}

void GdiCanvas::MoveTo(double x, double y) {
  state_.currentX = x;
  state_.currentY = y;
  if (!inPath_) return;
  const cairo_matrix_t m = LogicalToOutput();
  if (!Usable(m)) return;
  double dx = x, dy = y;
  cairo_matrix_transform_point(&m, &dx, &dy);
  cairo_move_to(cr_, dx, dy);
}

void GdiCanvas::LineTo(double x, double y) {
  const double fromX = state_.currentX, fromY = state_.currentY;
  state_.currentX = x;
  state_.currentY = y;
  WithLogicalPath(
      [&] {
        if (!inPath_ || !cairo_has_current_point(cr_)) cairo_move_to(cr_, fromX, fromY);
        cairo_line_to(cr_, x, y);
      },
      false);
}

void GdiCanvas::Rectangle(double left, double top, double right, double bottom) {
  WithLogicalPath([&] { cairo_rectangle(cr_, left, top, right - left, bottom - top); }, true);
}

void GdiCanvas::RoundRect(double left, double top, double right, double bottom, double width, double height) {
  const double rx = std::min(std::fabs(width) / 2, std::fabs(right - left) / 2);
  const double ry = std::min(std::fabs(height) / 2, std::fabs(bottom - top) / 2);
  if (rx <= 0 || ry <= 0 || !Finite({rx, ry})) {
    Rectangle(left, top, right, bottom);
    return;
  }
  const double l = std::min(left, right), r = std::max(left, right);
  const double t = std::min(top, bottom), b = std::max(top, bottom);
  auto corner = [&](double cx, double cy, double from) {
    cairo_save(cr_);
    cairo_translate(cr_, cx, cy);
    cairo_scale(cr_, rx, ry);
    cairo_arc(cr_, 0, 0, 1, from, from + std::numbers::pi / 2);
    cairo_restore(cr_);
  };
  WithLogicalPath(
      [&] {
        cairo_new_sub_path(cr_);
        corner(r - rx, t + ry, -std::numbers::pi / 2);
        corner(r - rx, b - ry, 0);
        corner(l + rx, b - ry, std::numbers::pi / 2);
        corner(l + rx, t + ry, std::numbers::pi);
        cairo_close_path(cr_);
      },
      true);
}

void GdiCanvas::Ellipse(double left, double top, double right, double bottom) {
  const double rx = std::fabs(right - left) / 2, ry = std::fabs(bottom - top) / 2;
  if (rx <= 0 || ry <= 0 || !Finite({rx, ry})) return;
  WithLogicalPath(
      [&] {
        cairo_new_sub_path(cr_);
        cairo_save(cr_);
        cairo_translate(cr_, (left + right) / 2, (top + bottom) / 2);
        cairo_scale(cr_, rx, ry);
        cairo_arc(cr_, 0, 0, 1, 0, 2 * std::numbers::pi);
        cairo_restore(cr_);
        cairo_close_path(cr_);
      },
      true);
}

void GdiCanvas::Arc(ArcKind kind, double left, double top, double right, double bottom, PointD start, PointD end) {
  const double rx = std::fabs(right - left) / 2, ry = std::fabs(bottom - top) / 2;
  if (rx <= 0 || ry <= 0 || !Finite({rx, ry})) return;
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double from = std::atan2((start.y - cy) / ry, (start.x - cx) / rx);
  const double to = std::atan2((end.y - cy) / ry, (end.x - cx) / rx);
  WithLogicalPath(
      [&] {
        cairo_new_sub_path(cr_);
        if (kind == ArcKind::kPie) cairo_move_to(cr_, cx, cy);
        cairo_save(cr_);
        cairo_translate(cr_, cx, cy);
        cairo_scale(cr_, rx, ry);
        // Arcs run counter-clockwise on the page, that is towards smaller
        // angles while y grows downwards.
        cairo_arc_negative(cr_, 0, 0, 1, from, to);
        cairo_restore(cr_);
        if (kind != ArcKind::kArc) cairo_close_path(cr_);
      },
      kind != ArcKind::kArc);
}

void GdiCanvas::Polygon(std::span<const PointD> points) {
  if (points.size() < 2) return;
  WithLogicalPath(
      [&] {
        cairo_move_to(cr_, points[0].x, points[0].y);
        for (const PointD& p : points.subspan(1)) cairo_line_to(cr_, p.x, p.y);
        cairo_close_path(cr_);
      },
      true);
}

void GdiCanvas::PolyPolygon(std::span<const PointD> points, std::span<const std::uint32_t> counts) {
  WithLogicalPath(
      [&] {
        std::size_t at = 0;
        for (std::uint32_t count : counts) {
          if (count > points.size() - at) break;
          if (count >= 2) {
            cairo_move_to(cr_, points[at].x, points[at].y);
            for (std::size_t i = 1; i < count; ++i) cairo_line_to(cr_, points[at + i].x, points[at + i].y);
            cairo_close_path(cr_);
          }
          at += count;
        }
      },
      true);
}

void GdiCanvas::Polyline(std::span<const PointD> points, bool fromCurrent) {
  if (points.empty()) return;
  const double fromX = state_.currentX, fromY = state_.currentY;
  if (fromCurrent) {
    state_.currentX = points.back().x;
    state_.currentY = points.back().y;
  }
  WithLogicalPath(
      [&] {
        if (fromCurrent) {
          if (!inPath_ || !cairo_has_current_point(cr_)) cairo_move_to(cr_, fromX, fromY);
          cairo_line_to(cr_, points[0].x, points[0].y);
        } else {
          cairo_move_to(cr_, points[0].x, points[0].y);
        }
        for (const PointD& p : points.subspan(1)) cairo_line_to(cr_, p.x, p.y);
      },
      false);
}

void GdiCanvas::PolyBezier(std::span<const PointD> points, bool fromCurrent) {
  std::size_t first = fromCurrent ? 0 : 1;
  if (points.size() < first + 3 && !(fromCurrent && points.size() >= 3)) return;
  const double fromX = fromCurrent ? state_.currentX : points[0].x;
  const double fromY = fromCurrent ? state_.currentY : points[0].y;
  WithLogicalPath(
      [&] {
        if (!inPath_ || !fromCurrent || !cairo_has_current_point(cr_)) cairo_move_to(cr_, fromX, fromY);
        for (std::size_t i = first; i + 2 < points.size(); i += 3) {
          cairo_curve_to(cr_, points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, points[i + 2].x,
                         points[i + 2].y);
        }
      },
      false);
  if (fromCurrent && points.size() >= 3) {
    const std::size_t last = (points.size() / 3) * 3 - 1;
    state_.currentX = points[last].x;
    state_.currentY = points[last].y;
  }
}

bool GdiCanvas::SetRectanglePath(double left, double top, double right, double bottom) {
  const cairo_matrix_t m = LogicalToOutput();
  if (!Usable(m)) return false;
  cairo_new_path(cr_);
  cairo_save(cr_);
  cairo_set_matrix(cr_, &m);
  cairo_rectangle(cr_, left, top, right - left, bottom - top);
  cairo_restore(cr_);
  return true;
}

void GdiCanvas::FillRect(double left, double top, double right, double bottom, Colour colour) {
  if (inPath_ || !SetRectanglePath(left, top, right, bottom)) return;
  SetColour(cr_, colour);
  cairo_fill(cr_);
}

void GdiCanvas::FillWithBrush(double left, double top, double right, double bottom) {
  if (state_.brush.style == kBrushNull || inPath_) return;
  if (!SetRectanglePath(left, top, right, bottom)) return;
  PaintShape(true, false);
}

void GdiCanvas::IntersectClip(double left, double top, double right, double bottom) {
  if (inPath_ || !SetRectanglePath(left, top, right, bottom)) return;
  cairo_clip(cr_);
}

void GdiCanvas::ExcludeClip(double left, double top, double right, double bottom) {
  const cairo_matrix_t m = LogicalToOutput();
  cairo_surface_t* target = cairo_get_target(cr_);
  if (!Usable(m) || inPath_ || cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE) return;
  // The whole picture less the rectangle, by the even-odd rule.
  cairo_new_path(cr_);
  cairo_rectangle(cr_, 0, 0, cairo_image_surface_get_width(target), cairo_image_surface_get_height(target));
  cairo_save(cr_);
  cairo_set_matrix(cr_, &m);
  cairo_rectangle(cr_, left, top, right - left, bottom - top);
  cairo_restore(cr_);
  const cairo_fill_rule_t rule = cairo_get_fill_rule(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_clip(cr_);
  cairo_set_fill_rule(cr_, rule);
}

void GdiCanvas::ResetClip() { cairo_reset_clip(cr_); }

void GdiCanvas::BeginPath() {
  inPath_ = true;
  cairo_new_path(cr_);
}

void GdiCanvas::EndPath() {
  if (!inPath_) return;
  inPath_ = false;
  if (path_) cairo_path_destroy(path_);
  path_ = cairo_copy_path(cr_);
  cairo_new_path(cr_);
}

void GdiCanvas::AbortPath() {
  inPath_ = false;
  cairo_new_path(cr_);
  if (path_) cairo_path_destroy(path_);
  path_ = nullptr;
}

void GdiCanvas::CloseFigure() {
  if (inPath_ && cairo_has_current_point(cr_)) cairo_close_path(cr_);
}

void GdiCanvas::FillPath(bool stroke, bool fill) {
  if (inPath_ || !path_) return;
  cairo_new_path(cr_);
  cairo_append_path(cr_, path_);
  PaintShape(fill, stroke);
  cairo_path_destroy(path_);
  path_ = nullptr;
}

void GdiCanvas::SelectClipPath() {
  if (inPath_ || !path_) return;
  cairo_new_path(cr_);
  cairo_append_path(cr_, path_);
  cairo_set_fill_rule(cr_, state_.windingFill ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  cairo_clip(cr_);
  cairo_path_destroy(path_);
  path_ = nullptr;
}

bool GdiCanvas::DrawImage(cairo_surface_t* image, double srcX, double srcY, double srcW, double srcH, double dstX,
                          double dstY, double dstW, double dstH, std::uint32_t rop) {
  if (rop != kRopSrcCopy && rop != kRopSrcPaint && rop != kRopSrcAnd && rop != kRopSrcInvert) return false;
  if (!image || inPath_ || srcW == 0 || srcH == 0 || dstW == 0 || dstH == 0) return true;
  cairo_matrix_t placement;
  cairo_matrix_init(&placement, dstW / srcW, 0, 0, dstH / srcH, dstX - srcX * dstW / srcW, dstY - srcY * dstH / srcH);
  const cairo_matrix_t logical = LogicalToOutput();
  cairo_matrix_t full;
  cairo_matrix_multiply(&full, &placement, &logical);
  if (!Usable(full)) return true;
  if (rop != kRopSrcCopy) {
    CombineImage(image, srcX, srcY, srcW, srcH, full, rop);
    return true;
  }
  cairo_new_path(cr_);
  cairo_save(cr_);
  cairo_set_matrix(cr_, &full);
  cairo_set_source_surface(cr_, image, 0, 0);
  cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
  cairo_rectangle(cr_, srcX, srcY, srcW, srcH);
  cairo_fill(cr_);
  cairo_restore(cr_);
  return true;
}

// cairo has no bitwise operators: the source is placed on a scratch surface
// over the area it covers and combined with the picture pixel by pixel. The
// clip is not applied to these operations.
void GdiCanvas::CombineImage(cairo_surface_t* image, double srcX, double srcY, double srcW, double srcH,
                             const cairo_matrix_t& full, std::uint32_t rop) {
  cairo_surface_t* target = cairo_get_target(cr_);
  if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(target) != CAIRO_FORMAT_RGB24) {
    return;
  }
  const int targetWidth = cairo_image_surface_get_width(target);
  const int targetHeight = cairo_image_surface_get_height(target);
  double left = targetWidth, top = targetHeight, right = 0, bottom = 0;
  const double corners[4][2] = {{srcX, srcY}, {srcX + srcW, srcY}, {srcX, srcY + srcH}, {srcX + srcW, srcY + srcH}};
  for (const auto& corner : corners) {
    double x = corner[0], y = corner[1];
    cairo_matrix_transform_point(&full, &x, &y);
    left = std::min(left, x), right = std::max(right, x);
    top = std::min(top, y), bottom = std::max(bottom, y);
  }
  const int x0 = static_cast<int>(std::clamp(std::floor(left), 0.0, double(targetWidth)));
  const int y0 = static_cast<int>(std::clamp(std::floor(top), 0.0, double(targetHeight)));
  const int x1 = static_cast<int>(std::clamp(std::ceil(right), 0.0, double(targetWidth)));
  const int y1 = static_cast<int>(std::clamp(std::ceil(bottom), 0.0, double(targetHeight)));
  if (x1 <= x0 || y1 <= y0) return;

  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, x1 - x0, y1 - y0);
  cairo_t* painter = cairo_create(scratch);
  cairo_matrix_t shifted = full;
  shifted.x0 -= x0;
  shifted.y0 -= y0;
  cairo_set_matrix(painter, &shifted);
  cairo_set_source_surface(painter, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(painter), CAIRO_FILTER_NEAREST);
  // Whole pixels only: a partly covered pixel would carry a darkened colour.
  cairo_set_antialias(painter, CAIRO_ANTIALIAS_NONE);
  cairo_rectangle(painter, srcX, srcY, srcW, srcH);
  cairo_fill(painter);
  cairo_destroy(painter);
  cairo_surface_flush(scratch);
  cairo_surface_flush(target);
  if (cairo_surface_status(scratch) == CAIRO_STATUS_SUCCESS) {
    const unsigned char* from = cairo_image_surface_get_data(scratch);
    const int fromStride = cairo_image_surface_get_stride(scratch);
    unsigned char* to = cairo_image_surface_get_data(target);
    const int toStride = cairo_image_surface_get_stride(target);
    for (int y = y0; y < y1; ++y) {
      const auto* in = reinterpret_cast<const std::uint32_t*>(from + static_cast<std::ptrdiff_t>(y - y0) * fromStride);
      auto* out = reinterpret_cast<std::uint32_t*>(to + static_cast<std::ptrdiff_t>(y) * toStride);
      for (int x = x0; x < x1; ++x) {
        const std::uint32_t source = in[x - x0];
        if ((source >> 24) < 0x80) continue;  // not covered by the source
        const std::uint32_t colour = source & 0xFFFFFF;
        std::uint32_t& pixel = out[x];
        if (rop == kRopSrcPaint)
          pixel = (pixel | colour) & 0xFFFFFF;
        else if (rop == kRopSrcAnd)
          pixel = pixel & colour;
        else
          pixel = (pixel ^ colour) & 0xFFFFFF;
      }
    }
    cairo_surface_mark_dirty_rectangle(target, x0, y0, x1 - x0, y1 - y0);
  }
  cairo_surface_destroy(scratch);
}

}  // namespace orv
