#include "shape.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "bit_writer.h"
#include "tags.h"

namespace swfgen {

void Path::MoveTo(std::int32_t x, std::int32_t y) { segments_.push_back({Kind::Move, 0, 0, x, y}); }
void Path::LineTo(std::int32_t x, std::int32_t y) { segments_.push_back({Kind::Line, 0, 0, x, y}); }
void Path::CurveTo(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y) {
  segments_.push_back({Kind::Curve, cx, cy, x, y});
}

void Path::AddRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, bool reversed) {
  if (reversed) {
    MoveTo(x, y);
    LineTo(x, y + h);
    LineTo(x + w, y + h);
    LineTo(x + w, y);
    LineTo(x, y);
    return;
  }
  MoveTo(x, y);
  LineTo(x + w, y);
  LineTo(x + w, y + h);
  LineTo(x, y + h);
  LineTo(x, y);
}

void Path::AddRoundedRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::int32_t r,
                          bool reversed) {
  r = std::min({r, w / 2, h / 2});
  if (r <= 0) return AddRect(x, y, w, h, reversed);
  if (reversed) {
    MoveTo(x + r, y);
    CurveTo(x, y, x, y + r);
    LineTo(x, y + h - r);
    CurveTo(x, y + h, x + r, y + h);
    LineTo(x + w - r, y + h);
    CurveTo(x + w, y + h, x + w, y + h - r);
    LineTo(x + w, y + r);
    CurveTo(x + w, y, x + w - r, y);
    LineTo(x + r, y);
    return;
  }
  MoveTo(x + r, y);
  LineTo(x + w - r, y);
  CurveTo(x + w, y, x + w, y + r);
  LineTo(x + w, y + h - r);
  CurveTo(x + w, y + h, x + w - r, y + h);
  LineTo(x + r, y + h);
  CurveTo(x, y + h, x, y + h - r);
  LineTo(x, y + r);
  CurveTo(x, y, x + r, y);
}

void Path::AddPolygon(const std::vector<std::pair<std::int32_t, std::int32_t>>& points) {
  if (points.size() < 3) throw std::invalid_argument("polygon needs three points");
  MoveTo(points[0].first, points[0].second);
  for (std::size_t i = 1; i < points.size(); ++i) LineTo(points[i].first, points[i].second);
  LineTo(points[0].first, points[0].second);
}

Rect Path::Bounds() const {
  if (segments_.empty()) return {};
  Rect r{std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(),
         std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()};
  auto take = [&r](std::int32_t x, std::int32_t y) {
    r.xmin = std::min(r.xmin, x);
    r.xmax = std::max(r.xmax, x);
    r.ymin = std::min(r.ymin, y);
    r.ymax = std::max(r.ymax, y);
  };
  for (const Segment& s : segments_) {
    if (s.kind == Kind::Curve) take(s.cx, s.cy);
    take(s.x, s.y);
  }
  return r;
}

namespace {

// Edge deltas carry their width as "bits - 2" in four bits.
unsigned EdgeBits(std::initializer_list<std::int32_t> deltas) {
  const unsigned n = std::max(2u, SignedBits(deltas));
  if (n > 17) throw std::out_of_range("edge longer than an edge record can hold");
  return n;
}

}  // namespace

void Path::WriteRecords(BitWriter& bits, int fill0, unsigned fillBits) const {
  std::int32_t penX = 0, penY = 0;
  bool styleSet = fill0 < 0;
  for (const Segment& s : segments_) {
    switch (s.kind) {
      case Kind::Move: {
        bits.Put(1, 0);           // style change record
        bits.PutFlag(false);      // new styles
        bits.PutFlag(false);      // line style
        bits.PutFlag(false);      // fill style 1
        bits.PutFlag(!styleSet);  // fill style 0
        bits.PutFlag(true);       // move to
        const unsigned n = SignedBits({s.x, s.y});
        bits.Put(5, n);
        bits.PutSigned(n, s.x);
        bits.PutSigned(n, s.y);
        if (!styleSet) {
          bits.Put(fillBits, static_cast<std::uint32_t>(fill0));
          styleSet = true;
        }
        break;
      }
      case Kind::Line: {
        const std::int32_t dx = s.x - penX, dy = s.y - penY;
        if (dx == 0 && dy == 0) break;  // a zero-length edge draws nothing
        bits.Put(2, 3);                 // edge, straight
        const unsigned n = EdgeBits({dx, dy});
        bits.Put(4, n - 2);
        if (dx != 0 && dy != 0) {
          bits.PutFlag(true);  // general line
          bits.PutSigned(n, dx);
          bits.PutSigned(n, dy);
        } else {
          bits.PutFlag(false);
          bits.PutFlag(dx == 0);  // vertical
          bits.PutSigned(n, dx == 0 ? dy : dx);
        }
        break;
      }
      case Kind::Curve: {
        const std::int32_t cdx = s.cx - penX, cdy = s.cy - penY;
        const std::int32_t adx = s.x - s.cx, ady = s.y - s.cy;
        bits.Put(2, 2);  // edge, curved
        const unsigned n = EdgeBits({cdx, cdy, adx, ady});
        bits.Put(4, n - 2);
        bits.PutSigned(n, cdx);
        bits.PutSigned(n, cdy);
        bits.PutSigned(n, adx);
        bits.PutSigned(n, ady);
        break;
      }
    }
    penX = s.x;
    penY = s.y;
  }
}

Rect Shape::Bounds() const {
  bool first = true;
  Rect r;
  for (const FilledPath& layer : layers) {
    if (layer.path.empty()) continue;
    const Rect b = layer.path.Bounds();
    if (first) {
      r = b;
      first = false;
      continue;
    }
    r.xmin = std::min(r.xmin, b.xmin);
    r.xmax = std::max(r.xmax, b.xmax);
    r.ymin = std::min(r.ymin, b.ymin);
    r.ymax = std::max(r.ymax, b.ymax);
  }
  return r;
}

bool Shape::HasTransparency() const {
  return std::any_of(layers.begin(), layers.end(), [](const FilledPath& l) { return l.color.a != 255; });
}

Bytes DefineShapeTag(std::uint16_t id, const Shape& shape) {
  if (shape.layers.empty() || shape.layers.size() > 254) throw std::invalid_argument("shape needs 1..254 fills");
  const bool alpha = shape.HasTransparency();
  ByteWriter body;
  body.U16(id);
  WriteRect(body, shape.Bounds());
  body.U8(static_cast<unsigned>(shape.layers.size()));
  for (const FilledPath& layer : shape.layers) {
    body.U8(0x00);  // solid fill
    body.U8(layer.color.r);
    body.U8(layer.color.g);
    body.U8(layer.color.b);
    if (alpha) body.U8(layer.color.a);
  }
  body.U8(0);  // no line styles
  const unsigned fillBits = UnsignedBits(static_cast<std::uint32_t>(shape.layers.size()));
  body.U8(fillBits << 4);
  BitWriter bits;
  for (std::size_t i = 0; i < shape.layers.size(); ++i)
    shape.layers[i].path.WriteRecords(bits, static_cast<int>(i + 1), fillBits);
  bits.Put(6, 0);  // end of shape
  body.Append(bits.bytes());
  return Tag(alpha ? TagCode::kDefineShape3 : TagCode::kDefineShape2, body.bytes());
}

Bytes GlyphShape(const Path& path) {
  ByteWriter out;
  out.U8(0x10);  // one fill bit, no line bits
  BitWriter bits;
  path.WriteRecords(bits, 1, 1);
  bits.Put(6, 0);
  out.Append(bits.bytes());
  return out.Take();
}

}  // namespace swfgen
