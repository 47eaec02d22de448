#include "image/wmf_player.h"

#include <cairo.h>

#include <algorithm>
#include <vector>

#include "image/byte_reader.h"
#include "image/dib_decode.h"
#include "image/object_table.h"
#include "image/text_decode.h"

namespace orv {
namespace {

constexpr std::size_t kMaxObjects = 65535;
constexpr std::uint32_t kRopSrcCopy = 0x00CC0020;
constexpr std::uint32_t kRopPatCopy = 0x00F00021;
constexpr std::uint32_t kRopBlackness = 0x00000042;
constexpr std::uint32_t kRopWhiteness = 0x00FF0062;

enum Wmf : std::uint16_t {
  kEof = 0x0000,
  kSaveDc = 0x001E,
  kSetBkColor = 0x0201,
  kSetBkMode = 0x0102,
  kSetMapMode = 0x0103,
  kSetPolyFillMode = 0x0106,
  kSetTextColor = 0x0209,
  kSetTextAlign = 0x012E,
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kSetViewportOrg = 0x020D,
  kSetViewportExt = 0x020E,
  kOffsetWindowOrg = 0x020F,
  kOffsetViewportOrg = 0x0211,
  kScaleWindowExt = 0x0410,
  kScaleViewportExt = 0x0412,
  kLineTo = 0x0213,
  kMoveTo = 0x0214,
  kExcludeClipRect = 0x0415,
  kIntersectClipRect = 0x0416,
  kArc = 0x0817,
  kEllipse = 0x0418,
  kPie = 0x081A,
  kRectangle = 0x041B,
  kRoundRect = 0x061C,
  kPatBlt = 0x061D,
  kRestoreDc = 0x0127,
  kPolygon = 0x0324,
  kPolyline = 0x0325,
  kTextOut = 0x0521,
  kPolyPolygon = 0x0538,
  kChord = 0x0830,
  kExtTextOut = 0x0A32,
  kSetDibToDev = 0x0D33,
  kSelectClipRegion = 0x012C,
  kSelectObject = 0x012D,
  kDeleteObject = 0x01F0,
  kCreatePalette = 0x00F7,
  kCreatePatternBrush = 0x01F9,
  kCreatePenIndirect = 0x02FA,
  kCreateFontIndirect = 0x02FB,
  kCreateBrushIndirect = 0x02FC,
  kCreateRegion = 0x06FF,
  kDibCreatePatternBrush = 0x0142,
  kDibBitBlt = 0x0940,
  kDibStretchBlt = 0x0B41,
  kStretchDib = 0x0F43,
};

class WmfPlayer {
 public:
  WmfPlayer(GdiCanvas& canvas, std::size_t objectLimit) : canvas_(canvas), objects_(objectLimit) {}

  // Returns false at the end record.
  bool Play(std::uint16_t function, std::uint32_t sizeWords, ByteReader& p);

 private:
  std::vector<PointD> ReadPoints(ByteReader& p, std::int64_t count) {
    std::vector<PointD> points;
    if (count <= 0 || !p.Has(static_cast<std::uint64_t>(count), 4)) return points;
    points.reserve(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
      const double x = p.S16();
      const double y = p.S16();
      points.push_back({x, y});
    }
    return points;
  }

  // The record groups: each plays the records it knows and returns false
  // for any other.
  bool PlayState(std::uint16_t function, ByteReader& p);
  bool PlayMappingAndClip(std::uint16_t function, ByteReader& p);
  bool PlayDrawing(std::uint16_t function, ByteReader& p);
  bool PlayBitmap(std::uint16_t function, std::uint32_t sizeWords, ByteReader& p);
  bool PlayObject(std::uint16_t function, ByteReader& p);

  void Text(ByteReader& p, bool extended);
  void Blit(std::uint16_t function, std::uint32_t sizeWords, ByteReader& p);
  void Create(GdiObject object) { objects_.AddAtLowestFree(std::move(object)); }
  static GdiObject ReadFont(ByteReader& p);

  GdiCanvas& canvas_;
  ObjectTable objects_;
};

void WmfPlayer::Text(ByteReader& p, bool extended) {
  DcState& s = canvas_.state();
  if (!extended) {
    const std::int16_t count = p.S16();
    if (count <= 0) return;
    const auto bytes = p.Take(static_cast<std::size_t>(count));
    p.Skip(static_cast<std::size_t>(count) & 1);
    const double y = p.S16(), x = p.S16();
    if (!p.ok()) return;
    canvas_.DrawText(DecodeAnsiText(bytes, s.font.charset), x, y, {}, 0, nullptr);
    return;
  }
  const double y = p.S16(), x = p.S16();
  const std::int16_t count = p.S16();
  const std::uint16_t options = p.U16();
  double rect[4];
  const bool hasRect = (options & (kTextOpaque | kTextClipped)) != 0;
  if (hasRect) {
    rect[0] = p.S16(), rect[1] = p.S16(), rect[2] = p.S16(), rect[3] = p.S16();
  }
  if (!p.ok() || count < 0) return;
  const auto bytes = p.Take(static_cast<std::size_t>(count));
  if (!p.ok()) return;
  p.Skip(static_cast<std::size_t>(count) & 1);
  std::vector<double> dx;
  if (p.ok() && p.Has(static_cast<std::uint64_t>(count), 2)) {
    for (int i = 0; i < count; ++i) dx.push_back(p.S16());
  }
  canvas_.DrawText(DecodeAnsiText(bytes, s.font.charset), x, y, dx, options, hasRect ? rect : nullptr);
}

void WmfPlayer::Blit(std::uint16_t function, std::uint32_t sizeWords, ByteReader& p) {
  const std::uint32_t rop = p.U32();
  bool paletteIndices = false;
  double srcX = 0, srcY = 0, srcW = 0, srcH = 0, dstX, dstY, dstW, dstH;
  const bool withoutBitmap = function != kStretchDib && function != kSetDibToDev && sizeWords == (function >> 8) + 3u;
  if (withoutBitmap) {
    // The destination is always the last four fields.
    if (p.remaining() < 8) return;
    p.Skip(p.remaining() - 8);
    dstH = p.S16(), dstW = p.S16(), dstY = p.S16(), dstX = p.S16();
    if (!p.ok()) return;
    if (rop == kRopPatCopy)
      canvas_.FillWithBrush(dstX, dstY, dstX + dstW, dstY + dstH);
    else if (rop == kRopBlackness)
      canvas_.FillRect(dstX, dstY, dstX + dstW, dstY + dstH, {0, 0, 0});
    else if (rop == kRopWhiteness)
      canvas_.FillRect(dstX, dstY, dstX + dstW, dstY + dstH, {255, 255, 255});
    return;
  }
  if (function == kStretchDib) {
    paletteIndices = p.U16() == 1;
    srcH = p.S16(), srcW = p.S16(), srcY = p.S16(), srcX = p.S16();
    dstH = p.S16(), dstW = p.S16(), dstY = p.S16(), dstX = p.S16();
  } else if (function == kDibStretchBlt) {
    srcH = p.S16(), srcW = p.S16(), srcY = p.S16(), srcX = p.S16();
    dstH = p.S16(), dstW = p.S16(), dstY = p.S16(), dstX = p.S16();
  } else {  // DIBBITBLT
    srcY = p.S16(), srcX = p.S16();
    dstH = srcH = p.S16();
    dstW = srcW = p.S16();
    dstY = p.S16(), dstX = p.S16();
  }
  if (!p.ok()) return;
  const SurfacePtr image = DecodePackedDib(p.Take(p.remaining()), paletteIndices);
  if (!image) return;
  // Source rows count from the bottom of the bitmap.
  const double height = cairo_image_surface_get_height(image.get());
  canvas_.DrawImage(image.get(), srcX, height - srcY - srcH, srcW, srcH, dstX, dstY, dstW, dstH, rop);
}

bool WmfPlayer::Play(std::uint16_t function, std::uint32_t sizeWords, ByteReader& p) {
  if (function == kEof) return false;
  // Escapes and records without a visible effect here belong to no group.
  const bool played = PlayState(function, p) || PlayMappingAndClip(function, p) || PlayDrawing(function, p) ||
                      PlayBitmap(function, sizeWords, p) || PlayObject(function, p);
  static_cast<void>(played);
  return true;
}

bool WmfPlayer::PlayState(std::uint16_t function, ByteReader& p) {
  DcState& s = canvas_.state();
  switch (function) {
    case kSaveDc:
      canvas_.SaveDc();
      break;
    case kRestoreDc: {
      const int which = p.S16();
      if (p.ok()) canvas_.RestoreDc(which);
      break;
    }
    case kSetBkColor: {
      const auto c = p.U32();
      if (p.ok()) s.backColour = Colour::FromColorRef(c);
      break;
    }
    case kSetTextColor: {
      const auto c = p.U32();
      if (p.ok()) s.textColour = Colour::FromColorRef(c);
      break;
    }
    case kSetBkMode: {
      const auto m = p.U16();
      if (p.ok()) s.opaqueBackground = m == 2;
      break;
    }
    case kSetPolyFillMode: {
      const auto m = p.U16();
      if (p.ok()) s.windingFill = m == 2;
      break;
    }
    case kSetTextAlign: {
      const auto a = p.U16();
      if (p.ok()) s.textAlign = a;
      break;
    }
    default:
      return false;
  }
  return true;
}

bool WmfPlayer::PlayMappingAndClip(std::uint16_t function, ByteReader& p) {
  DcState& s = canvas_.state();
  switch (function) {
    case kSetMapMode: {
      const auto m = p.U16();
      if (p.ok()) canvas_.SetMapMode(m);
      break;
    }
    case kSetWindowOrg:
    case kSetWindowExt:
    case kSetViewportOrg:
    case kSetViewportExt:
    case kOffsetWindowOrg:
    case kOffsetViewportOrg: {
      const double y = p.S16(), x = p.S16();
      if (!p.ok()) break;
      if (function == kSetWindowOrg)
        canvas_.SetWindowOrg(x, y);
      else if (function == kSetWindowExt)
        canvas_.SetWindowExt(x, y);
      else if (function == kSetViewportOrg)
        canvas_.SetViewportOrg(x, y);
      else if (function == kSetViewportExt)
        canvas_.SetViewportExt(x, y);
      else if (function == kOffsetWindowOrg)
        canvas_.SetWindowOrg(s.windowOrgX + x, s.windowOrgY + y);
      else
        canvas_.SetViewportOrg(s.viewportOrgX + x, s.viewportOrgY + y);
      break;
    }
    case kScaleWindowExt:
    case kScaleViewportExt: {
      const double yDen = p.S16(), yNum = p.S16(), xDen = p.S16(), xNum = p.S16();
      if (!p.ok() || xDen == 0 || yDen == 0) break;
      if (function == kScaleWindowExt)
        canvas_.SetWindowExt(s.windowExtX * xNum / xDen, s.windowExtY * yNum / yDen);
      else
        canvas_.SetViewportExt(s.viewportExtX * xNum / xDen, s.viewportExtY * yNum / yDen);
      break;
    }
    case kIntersectClipRect:
    case kExcludeClipRect: {
      const double bottom = p.S16(), right = p.S16(), top = p.S16(), left = p.S16();
      if (!p.ok()) break;
      if (function == kIntersectClipRect)
        canvas_.IntersectClip(left, top, right, bottom);
      else
        canvas_.ExcludeClip(left, top, right, bottom);
      break;
    }
    case kSelectClipRegion:
      canvas_.ResetClip();
      break;
    default:
      return false;
  }
  return true;
}

bool WmfPlayer::PlayDrawing(std::uint16_t function, ByteReader& p) {
  switch (function) {
    case kMoveTo:
    case kLineTo: {
      const double y = p.S16(), x = p.S16();
      if (!p.ok()) break;
      if (function == kMoveTo)
        canvas_.MoveTo(x, y);
      else
        canvas_.LineTo(x, y);
      break;
    }
    case kRectangle:
    case kEllipse: {
      const double bottom = p.S16(), right = p.S16(), top = p.S16(), left = p.S16();
      if (!p.ok()) break;
      if (function == kRectangle)
        canvas_.Rectangle(left, top, right, bottom);
      else
        canvas_.Ellipse(left, top, right, bottom);
      break;
    }
    case kRoundRect: {
      const double h = p.S16(), w = p.S16(), bottom = p.S16(), right = p.S16(), top = p.S16(), left = p.S16();
      if (p.ok()) canvas_.RoundRect(left, top, right, bottom, w, h);
      break;
    }
    case kArc:
    case kPie:
    case kChord: {
      const double ye = p.S16(), xe = p.S16(), ys = p.S16(), xs = p.S16();
      const double bottom = p.S16(), right = p.S16(), top = p.S16(), left = p.S16();
      if (!p.ok()) break;
      const ArcKind kind = function == kArc ? ArcKind::kArc : function == kPie ? ArcKind::kPie : ArcKind::kChord;
      canvas_.Arc(kind, left, top, right, bottom, {xs, ys}, {xe, ye});
      break;
    }
    case kPolygon:
    case kPolyline: {
      const auto points = ReadPoints(p, p.S16());
      if (points.empty()) break;
      if (function == kPolygon)
        canvas_.Polygon(points);
      else
        canvas_.Polyline(points, false);
      break;
    }
    case kPolyPolygon: {
      const std::uint16_t polygons = p.U16();
      if (!p.Has(polygons, 2)) break;
      std::vector<std::uint32_t> counts(polygons);
      std::int64_t total = 0;
      for (auto& count : counts) total += count = p.U16();
      const auto points = ReadPoints(p, total);
      if (!points.empty()) canvas_.PolyPolygon(points, counts);
      break;
    }
    case kTextOut:
      Text(p, false);
      break;
    case kExtTextOut:
      Text(p, true);
      break;
    default:
      return false;
  }
  return true;
}

bool WmfPlayer::PlayBitmap(std::uint16_t function, std::uint32_t sizeWords, ByteReader& p) {
  switch (function) {
    case kPatBlt: {
      const std::uint32_t rop = p.U32();
      const double h = p.S16(), w = p.S16(), y = p.S16(), x = p.S16();
      if (!p.ok()) break;
      if (rop == kRopPatCopy)
        canvas_.FillWithBrush(x, y, x + w, y + h);
      else if (rop == kRopBlackness)
        canvas_.FillRect(x, y, x + w, y + h, {0, 0, 0});
      else if (rop == kRopWhiteness)
        canvas_.FillRect(x, y, x + w, y + h, {255, 255, 255});
      break;
    }
    case kDibBitBlt:
    case kDibStretchBlt:
    case kStretchDib:
      Blit(function, sizeWords, p);
      break;
    case kSetDibToDev: {
      const bool paletteIndices = p.U16() == 1;
      p.U16();  // scan count
      p.U16();  // start scan
      const double srcY = p.S16(), srcX = p.S16(), h = p.S16(), w = p.S16(), y = p.S16(), x = p.S16();
      if (!p.ok()) break;
      const SurfacePtr image = DecodePackedDib(p.Take(p.remaining()), paletteIndices);
      if (!image) break;
      const double height = cairo_image_surface_get_height(image.get());
      canvas_.DrawImage(image.get(), srcX, height - srcY - h, w, h, x, y, w, h, kRopSrcCopy);
      break;
    }
    default:
      return false;
  }
  return true;
}

bool WmfPlayer::PlayObject(std::uint16_t function, ByteReader& p) {
  switch (function) {
    case kSelectObject: {
      const std::uint16_t index = p.U16();
      const GdiObject* object = p.ok() ? objects_.Get(index) : nullptr;
      if (object) SelectInto(canvas_.state(), *object);
      break;
    }
    case kDeleteObject: {
      const auto index = p.U16();
      if (p.ok()) objects_.Remove(index);
      break;
    }
    case kCreatePenIndirect: {
      Pen pen;
      pen.style = p.U16();
      pen.width = p.S16();
      p.S16();
      pen.colour = Colour::FromColorRef(p.U32());
      Create(p.ok() ? GdiObject{pen} : GdiObject{OtherObject{}});
      break;
    }
    case kCreateBrushIndirect: {
      Brush brush;
      brush.style = p.U16();
      brush.colour = Colour::FromColorRef(p.U32());
      if (brush.style > kBrushHatched) brush.style = kBrushSolid;
      Create(p.ok() ? GdiObject{brush} : GdiObject{OtherObject{}});
      break;
    }
    case kDibCreatePatternBrush: {
      p.U16();  // style
      const bool paletteIndices = p.U16() == 1;
      Brush brush{kBrushPattern, {128, 128, 128}, DecodePackedDib(p.Take(p.remaining()), paletteIndices)};
      if (!brush.pattern) brush.style = kBrushSolid;
      Create(brush);
      break;
    }
    case kCreatePatternBrush:
      Create(Brush{kBrushSolid, {128, 128, 128}, nullptr});
      break;
    case kCreateFontIndirect:
      Create(ReadFont(p));
      break;
    case kCreatePalette:
    case kCreateRegion:
      Create(OtherObject{});
      break;
    default:
      return false;
  }
  return true;
}

// A font record; an object without effect when the fixed fields are cut short.
GdiObject WmfPlayer::ReadFont(ByteReader& p) {
  Font font;
  font.height = p.S16();
  p.S16();  // width
  font.escapement = p.S16();
  p.S16();  // orientation
  font.weight = p.S16();
  font.italic = p.U8() != 0;
  font.underline = p.U8() != 0;
  font.strikeOut = p.U8() != 0;
  font.charset = p.U8();
  p.Skip(4);
  if (!p.ok()) return OtherObject{};
  font.face = AnsiToUtf8(p.Take(std::min<std::size_t>(p.remaining(), 32)), font.charset);
  return font;
}

}  // namespace

void PlayWmf(const PlaceableWmf& wmf, GdiCanvas& canvas) {
  const std::size_t headerBytes = std::size_t{wmf.headerWords} * 2;
  if (wmf.headerWords < 9 || headerBytes > wmf.metafile.size()) return;

  // The placeable form is played with the bounding box as both window and
  // viewport, so the picture fills its frame whatever window the records set.
  DcState& s = canvas.state();
  canvas.SetMapMode(kMapAnisotropic);
  const double width = wmf.box.right - wmf.box.left, height = wmf.box.bottom - wmf.box.top;
  canvas.SetWindowOrg(wmf.box.left, wmf.box.top);
  canvas.SetViewportOrg(wmf.box.left, wmf.box.top);
  canvas.SetWindowExt(width, height);
  canvas.SetViewportExt(width, height);
  s.opaqueBackground = true;

  WmfPlayer player(canvas, kMaxObjects);
  ByteReader records(wmf.metafile.subspan(headerBytes));
  while (records.remaining() >= 6) {
    const std::size_t start = records.position();
    const std::uint32_t sizeWords = records.U32();
    const std::uint16_t function = records.U16();
    if (sizeWords < 3 || sizeWords > (records.remaining() + 6) / 2) return;
    if (wmf.maxRecordWords != 0 && sizeWords > wmf.maxRecordWords) return;
    ByteReader params(records.bytes().subspan(start + 6, std::size_t{sizeWords} * 2 - 6));
    records.Skip(std::size_t{sizeWords} * 2 - 6);
    if (!player.Play(function, sizeWords, params)) return;
  }
}

}  // namespace orv
