#include "ui/qt/skin_region.h"

#include <vector>

namespace orv {

bool MatchesKey(QRgb pixel, SkinKey key) {
  const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
  if (key == SkinKey::Black) return r <= 16 && g <= 16 && b <= 16;
  return r == 255 && g == 255 && b == 255;
}

QRegion RegionFromPicture(const QImage& picture, SkinKey key) {
  if (picture.isNull()) return {};
  const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
  // The runs of non-key pixels are collected directly; the union equals the
  // full rectangle minus the key runs.
  std::vector<QRect> runs;
  runs.reserve(static_cast<std::size_t>(pixels.height()) * 2);
  for (int y = 0; y < pixels.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    int x = 0;
    while (x < pixels.width()) {
      while (x < pixels.width() && MatchesKey(row[x], key)) ++x;
      const int start = x;
      while (x < pixels.width() && !MatchesKey(row[x], key)) ++x;
      if (x > start) runs.emplace_back(start, y, x - start, 1);
    }
  }
  QRegion region;
  region.setRects(runs.data(), static_cast<int>(runs.size()));
  return region;
}

}  // namespace orv
