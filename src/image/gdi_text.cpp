// Text output of the device context, laid out with pango.
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "image/font_mapping.h"
#include "image/gdi_canvas.h"

namespace orv {
namespace {

constexpr double kMaxFontPixels = 2000;
// A positive font height is the cell height; the character (em) height is
// about this share of it for the usual faces.
constexpr double kEmPerCell = 0.85;
constexpr double kDefaultFontPixels = 16;

struct LayoutDeleter {
  void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
struct FontDescriptionDeleter {
  void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};

bool Printable(const std::string& c) {
  return !c.empty() && !(c.size() == 1 && static_cast<unsigned char>(c[0]) < 0x20);
}

// The character height in output pixels, or nothing when it is not a number.
std::optional<double> FontPixels(const Font& font, double yScale) {
  double pixels = font.height == 0 ? kDefaultFontPixels : std::fabs(static_cast<double>(font.height)) * yScale;
  if (font.height > 0) pixels *= kEmPerCell;
  if (!std::isfinite(pixels)) return std::nullopt;
  return std::clamp(pixels, 1.0, kMaxFontPixels);
}

std::unique_ptr<PangoLayout, LayoutDeleter> MakeLayout(cairo_t* cr, const Font& font, double pixels) {
  std::unique_ptr<PangoFontDescription, FontDescriptionDeleter> description(pango_font_description_new());
  const std::string families = FontFamiliesFor(font.face, font.charset);
  pango_font_description_set_family(description.get(), families.c_str());
  pango_font_description_set_absolute_size(description.get(), pixels * PANGO_SCALE);
  pango_font_description_set_weight(
      description.get(), static_cast<PangoWeight>(std::clamp(font.weight == 0 ? 400 : font.weight, 100, 1000)));
  pango_font_description_set_style(description.get(), font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);

  std::unique_ptr<PangoLayout, LayoutDeleter> layout(pango_cairo_create_layout(cr));
  pango_layout_set_font_description(layout.get(), description.get());
  PangoAttrList* attributes = pango_attr_list_new();
  if (font.underline) pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  if (font.strikeOut) pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
  pango_layout_set_attributes(layout.get(), attributes);
  pango_attr_list_unref(attributes);
  return layout;
}

// Pieces to draw with their horizontal offsets in output pixels, and the
// measures of the line they make.
struct TextLine {
  struct Piece {
    std::string text;
    double offset;
  };
  std::vector<Piece> pieces;
  double totalWidth = 0;
  int lineHeight = 0;
  int baseline = 0;
};

// With an advance for every unit, each character goes where the advances
// put it; otherwise the text is one piece as the font lays it out.
TextLine LayOutLine(PangoLayout* layout, const DecodedText& text, std::span<const double> dx, double xScale) {
  std::size_t unitCount = 0;
  for (int u : text.units) unitCount += static_cast<std::size_t>(u);
  TextLine line;
  if (!dx.empty() && dx.size() >= unitCount && text.chars.size() > 1) {
    std::size_t unit = 0;
    for (std::size_t i = 0; i < text.chars.size(); ++i) {
      if (Printable(text.chars[i])) line.pieces.push_back({text.chars[i], line.totalWidth});
      for (int k = 0; k < text.units[i]; ++k) line.totalWidth += dx[unit++] * xScale;
    }
    pango_layout_set_text(layout, "Ag", -1);
  } else {
    std::string whole;
    for (const std::string& c : text.chars) whole += Printable(c) ? c : std::string(" ");
    line.pieces.push_back({whole, 0});
    pango_layout_set_text(layout, whole.c_str(), static_cast<int>(whole.size()));
    int width = 0;
    pango_layout_get_pixel_size(layout, &width, nullptr);
    line.totalWidth = width;
  }
  pango_layout_get_pixel_size(layout, nullptr, &line.lineHeight);
  line.baseline = pango_layout_get_baseline(layout) / PANGO_SCALE;
  return line;
}

}  // namespace

void GdiCanvas::DrawText(const DecodedText& text, double x, double y, std::span<const double> dx, unsigned options,
                         const double* rect) {
  if (inPath_) return;
  const cairo_matrix_t m = LogicalToOutput();
  const double det = m.xx * m.yy - m.yx * m.xy;
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return;
  if (rect && (options & kTextOpaque)) {
    FillRect(rect[0], rect[1], rect[2], rect[3], state_.backColour);
  }
  if (text.chars.empty()) return;

  const bool updateCp = (state_.textAlign & kAlignUpdateCp) != 0;
  if (updateCp) {
    x = state_.currentX;
    y = state_.currentY;
  }
  double originX = x, originY = y;
  cairo_matrix_transform_point(&m, &originX, &originY);
  if (!std::isfinite(originX) || !std::isfinite(originY) || std::fabs(originX) > 1e7 || std::fabs(originY) > 1e7) {
    return;
  }
  const double xScale = std::hypot(m.xx, m.yx);
  const double yScale = std::hypot(m.xy, m.yy);

  const Font& font = state_.font;
  const std::optional<double> pixels = FontPixels(font, yScale);
  if (!pixels) return;
  const auto layout = MakeLayout(cr_, font, *pixels);
  const TextLine line = LayOutLine(layout.get(), text, dx, xScale);
  const double totalWidth = line.totalWidth;
  if (!std::isfinite(totalWidth) || std::fabs(totalWidth) > 1e7) return;

  double left = 0;
  const int horizontal = state_.textAlign & kAlignCenter;
  if (horizontal == kAlignCenter)
    left = -totalWidth / 2;
  else if (horizontal == kAlignRight)
    left = -totalWidth;
  double top = 0;
  const int vertical = state_.textAlign & kAlignBaseline;
  if (vertical == kAlignBaseline)
    top = -line.baseline;
  else if (vertical == kAlignBottom)
    top = -line.lineHeight;

  cairo_save(cr_);
  if (rect && (options & kTextClipped)) {
    cairo_new_path(cr_);
    cairo_save(cr_);
    cairo_set_matrix(cr_, &m);
    cairo_rectangle(cr_, rect[0], rect[1], rect[2] - rect[0], rect[3] - rect[1]);
    cairo_restore(cr_);
    cairo_clip(cr_);
  }
  cairo_translate(cr_, originX, originY);
  cairo_rotate(cr_, -static_cast<double>(font.escapement) * std::numbers::pi / 1800.0);
  if (state_.opaqueBackground) {
    cairo_rectangle(cr_, left, top, totalWidth, line.lineHeight);
    cairo_set_source_rgb(cr_, state_.backColour.red / 255.0, state_.backColour.green / 255.0,
                         state_.backColour.blue / 255.0);
    cairo_fill(cr_);
  }
  cairo_set_source_rgb(cr_, state_.textColour.red / 255.0, state_.textColour.green / 255.0,
                       state_.textColour.blue / 255.0);
  for (const TextLine::Piece& piece : line.pieces) {
    pango_layout_set_text(layout.get(), piece.text.c_str(), static_cast<int>(piece.text.size()));
    cairo_move_to(cr_, left + piece.offset, top);
    pango_cairo_show_layout(cr_, layout.get());
  }
  cairo_restore(cr_);

  if (updateCp && xScale > 0) {
    const double advance = totalWidth / xScale;
    state_.currentX += horizontal == kAlignRight ? -advance : (horizontal == kAlignCenter ? 0 : advance);
  }
}

}  // namespace orv
