#include "image/emf_player.h"

#include <cairo.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "image/byte_reader.h"
#include "image/dib_decode.h"
#include "image/object_table.h"
#include "image/text_decode.h"

namespace orv {
namespace {

constexpr std::size_t kMaxHandles = 65536;
constexpr std::uint32_t kStockObject = 0x80000000;
constexpr std::uint32_t kRopSrcCopy = 0x00CC0020;
constexpr std::uint32_t kTextPdy = 0x2000;

enum Emr : std::uint32_t {
  kHeader = 1,
  kPolyBezier = 2,
  kPolygon = 3,
  kPolyline = 4,
  kPolyBezierTo = 5,
  kPolylineTo = 6,
  kPolyPolyline = 7,
  kPolyPolygon = 8,
  kSetWindowExtEx = 9,
  kSetWindowOrgEx = 10,
  kSetViewportExtEx = 11,
  kSetViewportOrgEx = 12,
  kEof = 14,
  kSetMapMode = 17,
  kSetBkMode = 18,
  kSetPolyFillMode = 19,
  kSetTextAlign = 22,
  kSetTextColor = 24,
  kSetBkColor = 25,
  kMoveToEx = 27,
  kExcludeClipRect = 29,
  kIntersectClipRect = 30,
  kScaleViewportExtEx = 31,
  kScaleWindowExtEx = 32,
  kSaveDc = 33,
  kRestoreDc = 34,
  kSetWorldTransform = 35,
  kModifyWorldTransform = 36,
  kSelectObject = 37,
  kCreatePen = 38,
  kCreateBrushIndirect = 39,
  kDeleteObject = 40,
  kEllipse = 42,
  kRectangle = 43,
  kRoundRect = 44,
  kArc = 45,
  kChord = 46,
  kPie = 47,
  kCreatePalette = 49,
  kLineTo = 54,
  kArcTo = 55,
  kBeginPath = 59,
  kEndPath = 60,
  kCloseFigure = 61,
  kFillPath = 62,
  kStrokeAndFillPath = 63,
  kStrokePath = 64,
  kSelectClipPath = 67,
  kAbortPath = 68,
  kExtSelectClipRgn = 75,
  kBitBlt = 76,
  kStretchBlt = 77,
  kSetDiBitsToDevice = 80,
  kStretchDiBits = 81,
  kExtCreateFontIndirectW = 82,
  kExtTextOutA = 83,
  kExtTextOutW = 84,
  kPolyBezier16 = 85,
  kPolygon16 = 86,
  kPolyline16 = 87,
  kPolyBezierTo16 = 88,
  kPolylineTo16 = 89,
  kPolyPolyline16 = 90,
  kPolyPolygon16 = 91,
  kCreateMonoBrush = 93,
  kCreateDibPatternBrushPt = 94,
  kExtCreatePen = 95,
};

GdiObject StockObject(std::uint32_t which) {
  auto grey = [](std::uint8_t v) { return Colour{v, v, v}; };
  switch (which) {
    case 0:
      return Brush{kBrushSolid, grey(255), nullptr};
    case 1:
      return Brush{kBrushSolid, grey(192), nullptr};
    case 2:
      return Brush{kBrushSolid, grey(128), nullptr};
    case 3:
      return Brush{kBrushSolid, grey(64), nullptr};
    case 4:
      return Brush{kBrushSolid, grey(0), nullptr};
    case 5:
      return Brush{kBrushNull, grey(0), nullptr};
    case 6:
      return Pen{kPenSolid, 0, grey(255)};
    case 7:
    case 19:
      return Pen{kPenSolid, 0, grey(0)};
    case 8:
      return Pen{kPenNull, 0, grey(0)};
    case 18:
      return Brush{kBrushSolid, grey(255), nullptr};
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 16:
    case 17: {
      Font font;
      font.height = -13;
      font.face = which == 10 || which == 11 || which == 16 ? "Courier New" : "Arial";
      return font;
    }
    default:
      return OtherObject{};
  }
}

class EmfPlayer {
 public:
  EmfPlayer(GdiCanvas& canvas, std::size_t handles) : canvas_(canvas), objects_(handles) {}

  // Returns false at the end record.
  bool Play(std::uint32_t type, std::span<const std::uint8_t> record);

 private:
  static std::vector<PointD> ReadPoints(ByteReader& p, std::uint64_t count, bool wide) {
    std::vector<PointD> points;
    if (count == 0 || !p.Has(count, wide ? 8 : 4)) return points;
    points.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
      const double x = wide ? p.S32() : p.S16();
      const double y = wide ? p.S32() : p.S16();
      points.push_back({x, y});
    }
    return points;
  }
  static bool ReadRect(ByteReader& p, double (&rect)[4]) {
    for (double& v : rect) v = p.S32();
    return p.ok();
  }
  // A part of the record named by offset and size, or empty when it lies outside.
  static std::span<const std::uint8_t> Part(std::span<const std::uint8_t> record, std::uint32_t offset,
                                            std::uint32_t size) {
    if (offset > record.size() || size > record.size() - offset) return {};
    return record.subspan(offset, size);
  }

  // The record groups: each plays the records it knows and returns false
  // for any other.
  bool PlayState(std::uint32_t type, ByteReader& p);
  bool PlayMappingAndClip(std::uint32_t type, ByteReader& p);
  bool PlayDrawing(std::uint32_t type, std::span<const std::uint8_t> record, ByteReader& p);
  bool PlayPath(std::uint32_t type);
  bool PlayObject(std::uint32_t type, std::span<const std::uint8_t> record, ByteReader& p);

  void Poly(std::uint32_t type, ByteReader& p);
  void PolyPoly(std::uint32_t type, ByteReader& p);
  void Text(std::span<const std::uint8_t> record, bool wide);
  void Bitmap(std::uint32_t type, std::span<const std::uint8_t> record);
  void Select(std::uint32_t index);
  static std::optional<Font> ReadFont(ByteReader& p);

  GdiCanvas& canvas_;
  ObjectTable objects_;
};

void EmfPlayer::Poly(std::uint32_t type, ByteReader& p) {
  p.Skip(16);  // bounds
  const std::uint32_t count = p.U32();
  const bool wide = type < kPolyBezier16;
  const auto points = ReadPoints(p, count, wide);
  if (points.empty()) return;
  switch (type) {
    case kPolygon:
    case kPolygon16:
      canvas_.Polygon(points);
      break;
    case kPolyline:
    case kPolyline16:
      canvas_.Polyline(points, false);
      break;
    case kPolylineTo:
    case kPolylineTo16:
      canvas_.Polyline(points, true);
      break;
    case kPolyBezier:
    case kPolyBezier16:
      canvas_.PolyBezier(points, false);
      break;
    default:
      canvas_.PolyBezier(points, true);
      break;
  }
}

void EmfPlayer::PolyPoly(std::uint32_t type, ByteReader& p) {
  p.Skip(16);
  const std::uint32_t polygons = p.U32();
  const std::uint32_t total = p.U32();
  if (!p.Has(polygons, 4)) return;
  std::vector<std::uint32_t> counts(polygons);
  std::uint64_t sum = 0;
  for (auto& count : counts) sum += count = p.U32();
  if (sum != total) return;
  const auto points = ReadPoints(p, total, type == kPolyPolygon || type == kPolyPolyline);
  if (points.empty()) return;
  if (type == kPolyPolygon || type == kPolyPolygon16) {
    canvas_.PolyPolygon(points, counts);
    return;
  }
  std::size_t at = 0;
  for (std::uint32_t count : counts) {
    canvas_.Polyline(std::span<const PointD>(points).subspan(at, count), false);
    at += count;
  }
}

void EmfPlayer::Text(std::span<const std::uint8_t> record, bool wide) {
  ByteReader p(record.subspan(8));
  p.Skip(16 + 4 + 8);  // bounds, graphics mode, scales
  const double x = p.S32(), y = p.S32();
  const std::uint32_t count = p.U32();
  const std::uint32_t stringOffset = p.U32();
  const std::uint32_t options = p.U32();
  double rect[4];
  ReadRect(p, rect);
  const std::uint32_t dxOffset = p.U32();
  if (!p.ok() || count > record.size()) return;
  const auto bytes = Part(record, stringOffset, wide ? count * 2 : count);
  if (bytes.size() != (wide ? count * 2u : count)) return;
  std::vector<double> dx;
  const std::uint32_t dxStep = (options & kTextPdy) ? 8 : 4;
  if (dxOffset != 0 && count != 0) {
    ByteReader advances(Part(record, dxOffset, count * dxStep));
    if (advances.remaining() == count * dxStep) {
      for (std::uint32_t i = 0; i < count; ++i) {
        dx.push_back(advances.S32());
        if (dxStep == 8) advances.S32();
      }
    }
  }
  const int charset = canvas_.state().font.charset;
  canvas_.DrawText(wide ? DecodeUtf16Text(bytes) : DecodeAnsiText(bytes, charset), x, y, dx, options, rect);
}

void EmfPlayer::Bitmap(std::uint32_t type, std::span<const std::uint8_t> record) {
  ByteReader p(record.subspan(8));
  p.Skip(16);  // bounds
  double dstX = 0, dstY = 0, dstW = 0, dstH = 0, srcX = 0, srcY = 0, srcW = 0, srcH = 0;
  std::uint32_t rop = kRopSrcCopy, usage = 0, offBmi = 0, cbBmi = 0, offBits = 0, cbBits = 0;
  if (type == kStretchDiBits) {
    dstX = p.S32(), dstY = p.S32(), srcX = p.S32(), srcY = p.S32(), srcW = p.S32(), srcH = p.S32();
    offBmi = p.U32(), cbBmi = p.U32(), offBits = p.U32(), cbBits = p.U32(), usage = p.U32();
    rop = p.U32();
    dstW = p.S32(), dstH = p.S32();
  } else if (type == kSetDiBitsToDevice) {
    dstX = p.S32(), dstY = p.S32(), srcX = p.S32(), srcY = p.S32(), srcW = p.S32(), srcH = p.S32();
    offBmi = p.U32(), cbBmi = p.U32(), offBits = p.U32(), cbBits = p.U32(), usage = p.U32();
    dstW = srcW, dstH = srcH;
  } else {  // BITBLT, STRETCHBLT
    dstX = p.S32(), dstY = p.S32(), dstW = p.S32(), dstH = p.S32();
    rop = p.U32();
    srcX = p.S32(), srcY = p.S32();
    p.Skip(24 + 4);  // source transform, background colour
    usage = p.U32(), offBmi = p.U32(), cbBmi = p.U32(), offBits = p.U32(), cbBits = p.U32();
    if (type == kStretchBlt) {
      srcW = p.S32(), srcH = p.S32();
    } else {
      srcW = dstW, srcH = dstH;
    }
    if (p.ok() && cbBmi == 0) {
      // No source bitmap: a pattern or a plain fill of the destination.
      if (rop == 0x00F00021)
        canvas_.FillWithBrush(dstX, dstY, dstX + dstW, dstY + dstH);
      else if (rop == 0x00000042)
        canvas_.FillRect(dstX, dstY, dstX + dstW, dstY + dstH, {0, 0, 0});
      else if (rop == 0x00FF0062)
        canvas_.FillRect(dstX, dstY, dstX + dstW, dstY + dstH, {255, 255, 255});
      return;
    }
  }
  if (!p.ok()) return;
  const auto info = Part(record, offBmi, cbBmi);
  const auto bits = Part(record, offBits, cbBits);
  if (info.empty() || bits.empty()) return;
  const SurfacePtr image = DecodeDib(info, bits, usage == 1);
  if (!image) return;
  // Source rows of the DIB records count from the bottom of the bitmap.
  if (type == kStretchDiBits || type == kSetDiBitsToDevice) {
    srcY = cairo_image_surface_get_height(image.get()) - srcY - srcH;
  }
  canvas_.DrawImage(image.get(), srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH, rop);
}

void EmfPlayer::Select(std::uint32_t index) {
  if (index & kStockObject) {
    SelectInto(canvas_.state(), StockObject(index & ~kStockObject));
    return;
  }
  if (const GdiObject* object = objects_.Get(index)) SelectInto(canvas_.state(), *object);
}

bool EmfPlayer::Play(std::uint32_t type, std::span<const std::uint8_t> record) {
  if (type == kEof) return false;
  ByteReader p(record.subspan(8));
  // Comments and records without a visible effect here belong to no group.
  const bool played = PlayState(type, p) || PlayMappingAndClip(type, p) || PlayDrawing(type, record, p) ||
                      PlayPath(type) || PlayObject(type, record, p);
  static_cast<void>(played);
  return true;
}

bool EmfPlayer::PlayState(std::uint32_t type, ByteReader& p) {
  DcState& s = canvas_.state();
  switch (type) {
    case kSetBkMode: {
      const auto v = p.U32();
      if (p.ok()) s.opaqueBackground = v == 2;
      break;
    }
    case kSetPolyFillMode: {
      const auto v = p.U32();
      if (p.ok()) s.windingFill = v == 2;
      break;
    }
    case kSetTextAlign: {
      const auto v = p.U32();
      if (p.ok()) s.textAlign = static_cast<int>(v & 0xFFFF);
      break;
    }
    case kSetTextColor: {
      const auto v = p.U32();
      if (p.ok()) s.textColour = Colour::FromColorRef(v);
      break;
    }
    case kSetBkColor: {
      const auto v = p.U32();
      if (p.ok()) s.backColour = Colour::FromColorRef(v);
      break;
    }
    case kSaveDc:
      canvas_.SaveDc();
      break;
    case kRestoreDc: {
      const auto v = p.S32();
      if (p.ok()) canvas_.RestoreDc(v);
      break;
    }
    default:
      return false;
  }
  return true;
}

bool EmfPlayer::PlayMappingAndClip(std::uint32_t type, ByteReader& p) {
  DcState& s = canvas_.state();
  switch (type) {
    case kSetWindowExtEx:
    case kSetWindowOrgEx:
    case kSetViewportExtEx:
    case kSetViewportOrgEx: {
      const double x = p.S32(), y = p.S32();
      if (!p.ok()) break;
      if (type == kSetWindowExtEx)
        canvas_.SetWindowExt(x, y);
      else if (type == kSetWindowOrgEx)
        canvas_.SetWindowOrg(x, y);
      else if (type == kSetViewportExtEx)
        canvas_.SetViewportExt(x, y);
      else
        canvas_.SetViewportOrg(x, y);
      break;
    }
    case kScaleViewportExtEx:
    case kScaleWindowExtEx: {
      const double xNum = p.S32(), xDen = p.S32(), yNum = p.S32(), yDen = p.S32();
      if (!p.ok() || xDen == 0 || yDen == 0) break;
      if (type == kScaleWindowExtEx)
        canvas_.SetWindowExt(s.windowExtX * xNum / xDen, s.windowExtY * yNum / yDen);
      else
        canvas_.SetViewportExt(s.viewportExtX * xNum / xDen, s.viewportExtY * yNum / yDen);
      break;
    }
    case kSetMapMode: {
      const auto v = p.U32();
      if (p.ok()) canvas_.SetMapMode(static_cast<int>(v));
      break;
    }
    case kSetWorldTransform:
    case kModifyWorldTransform: {
      Affine a;
      a.xx = p.F32(), a.yx = p.F32(), a.xy = p.F32(), a.yy = p.F32(), a.x0 = p.F32(), a.y0 = p.F32();
      const std::uint32_t mode = type == kModifyWorldTransform ? p.U32() : 0;
      if (!p.ok()) break;
      if (type == kSetWorldTransform)
        canvas_.SetWorldTransform(a);
      else
        canvas_.ModifyWorldTransform(a, static_cast<int>(mode));
      break;
    }
    case kIntersectClipRect:
    case kExcludeClipRect: {
      double r[4];
      if (!ReadRect(p, r)) break;
      if (type == kIntersectClipRect)
        canvas_.IntersectClip(r[0], r[1], r[2], r[3]);
      else
        canvas_.ExcludeClip(r[0], r[1], r[2], r[3]);
      break;
    }
    case kSelectClipPath:
      canvas_.SelectClipPath();
      break;
    case kExtSelectClipRgn: {
      const std::uint32_t size = p.U32();
      const std::uint32_t mode = p.U32();
      if (p.ok() && size == 0 && mode == 5) canvas_.ResetClip();  // RGN_COPY of no region
      break;
    }
    default:
      return false;
  }
  return true;
}

bool EmfPlayer::PlayDrawing(std::uint32_t type, std::span<const std::uint8_t> record, ByteReader& p) {
  switch (type) {
    case kMoveToEx:
    case kLineTo: {
      const double x = p.S32(), y = p.S32();
      if (!p.ok()) break;
      if (type == kMoveToEx)
        canvas_.MoveTo(x, y);
      else
        canvas_.LineTo(x, y);
      break;
    }
    case kRectangle:
    case kEllipse:
    case kRoundRect: {
      double r[4];
      if (!ReadRect(p, r)) break;
      if (type == kRectangle)
        canvas_.Rectangle(r[0], r[1], r[2], r[3]);
      else if (type == kEllipse)
        canvas_.Ellipse(r[0], r[1], r[2], r[3]);
      else {
        const double w = p.S32(), h = p.S32();
        if (p.ok()) canvas_.RoundRect(r[0], r[1], r[2], r[3], w, h);
      }
      break;
    }
    case kArc:
    case kArcTo:
    case kChord:
    case kPie: {
      double r[4];
      ReadRect(p, r);
      const double xs = p.S32(), ys = p.S32(), xe = p.S32(), ye = p.S32();
      if (!p.ok()) break;
      const ArcKind kind = type == kPie ? ArcKind::kPie : type == kChord ? ArcKind::kChord : ArcKind::kArc;
      canvas_.Arc(kind, r[0], r[1], r[2], r[3], {xs, ys}, {xe, ye});
      break;
    }
    case kPolygon:
    case kPolyline:
    case kPolyBezier:
    case kPolyBezierTo:
    case kPolylineTo:
    case kPolygon16:
    case kPolyline16:
    case kPolyBezier16:
    case kPolyBezierTo16:
    case kPolylineTo16:
      Poly(type, p);
      break;
    case kPolyPolygon:
    case kPolyPolyline:
    case kPolyPolygon16:
    case kPolyPolyline16:
      PolyPoly(type, p);
      break;
    case kExtTextOutA:
    case kExtTextOutW:
      Text(record, type == kExtTextOutW);
      break;
    case kBitBlt:
    case kStretchBlt:
    case kSetDiBitsToDevice:
    case kStretchDiBits:
      Bitmap(type, record);
      break;
    default:
      return false;
  }
  return true;
}

bool EmfPlayer::PlayPath(std::uint32_t type) {
  switch (type) {
    case kBeginPath:
      canvas_.BeginPath();
      break;
    case kEndPath:
      canvas_.EndPath();
      break;
    case kCloseFigure:
      canvas_.CloseFigure();
      break;
    case kAbortPath:
      canvas_.AbortPath();
      break;
    case kFillPath:
      canvas_.FillPath(false, true);
      break;
    case kStrokePath:
      canvas_.FillPath(true, false);
      break;
    case kStrokeAndFillPath:
      canvas_.FillPath(true, true);
      break;
    default:
      return false;
  }
  return true;
}

bool EmfPlayer::PlayObject(std::uint32_t type, std::span<const std::uint8_t> record, ByteReader& p) {
  switch (type) {
    case kSelectObject: {
      const auto v = p.U32();
      if (p.ok()) Select(v);
      break;
    }
    case kDeleteObject: {
      const auto v = p.U32();
      if (p.ok()) objects_.Remove(v);
      break;
    }
    case kCreatePen: {
      const std::uint32_t index = p.U32();
      Pen pen;
      pen.style = static_cast<int>(p.U32());
      pen.width = p.S32();
      p.S32();
      pen.colour = Colour::FromColorRef(p.U32());
      if (p.ok()) objects_.Put(index, pen);
      break;
    }
    case kExtCreatePen: {
      const std::uint32_t index = p.U32();
      p.Skip(16);  // pattern bitmap offsets
      Pen pen;
      pen.style = static_cast<int>(p.U32());
      pen.width = p.U32();
      const std::uint32_t brushStyle = p.U32();
      pen.colour = Colour::FromColorRef(p.U32());
      if (brushStyle == kBrushNull) pen.style = kPenNull;
      if (p.ok()) objects_.Put(index, pen);
      break;
    }
    case kCreateBrushIndirect: {
      const std::uint32_t index = p.U32();
      Brush brush;
      brush.style = static_cast<int>(p.U32());
      brush.colour = Colour::FromColorRef(p.U32());
      if (brush.style != kBrushNull && brush.style != kBrushHatched) brush.style = kBrushSolid;
      if (p.ok()) objects_.Put(index, brush);
      break;
    }
    case kCreateDibPatternBrushPt:
    case kCreateMonoBrush: {
      const std::uint32_t index = p.U32();
      const std::uint32_t usage = p.U32();
      const std::uint32_t offBmi = p.U32(), cbBmi = p.U32(), offBits = p.U32(), cbBits = p.U32();
      if (!p.ok()) break;
      Brush brush{kBrushPattern,
                  {128, 128, 128},
                  DecodeDib(Part(record, offBmi, cbBmi), Part(record, offBits, cbBits), usage == 1)};
      if (!brush.pattern) brush.style = kBrushSolid;
      objects_.Put(index, brush);
      break;
    }
    case kExtCreateFontIndirectW: {
      const std::uint32_t index = p.U32();
      if (auto font = ReadFont(p)) objects_.Put(index, std::move(*font));
      break;
    }
    case kCreatePalette: {
      const auto v = p.U32();
      if (p.ok()) objects_.Put(v, OtherObject{});
      break;
    }
    default:
      return false;
  }
  return true;
}

// The logical font of a font record; none when the record is cut short.
std::optional<Font> EmfPlayer::ReadFont(ByteReader& p) {
  Font font;
  font.height = p.S32();
  p.S32();  // width
  font.escapement = p.S32();
  p.S32();  // orientation
  font.weight = p.S32();
  font.italic = p.U8() != 0;
  font.underline = p.U8() != 0;
  font.strikeOut = p.U8() != 0;
  font.charset = p.U8();
  p.Skip(4);
  const auto face = p.Take(64);
  if (!p.ok()) return std::nullopt;
  font.face = Utf16ToUtf8(face);
  return font;
}

}  // namespace

void PlayEmf(const EnhancedHeader& header, GdiCanvas& canvas) {
  const std::size_t handles = std::clamp<std::size_t>(header.handleCount, 1, kMaxHandles);
  EmfPlayer player(canvas, handles);
  const auto data = header.records;
  std::size_t at = 0;
  while (data.size() - at >= 8) {
    ByteReader head(data.subspan(at, 8));
    const std::uint32_t type = head.U32();
    const std::uint32_t size = head.U32();
    if (size < 8 || size % 4 != 0 || size > data.size() - at) return;
    if (type != kHeader && !player.Play(type, data.subspan(at, size))) return;
    at += size;
  }
}

}  // namespace orv
