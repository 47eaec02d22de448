// Window and button outlines built from pictures by the run-scan rule: every
// maximal horizontal run of key-coloured pixels in a row is one rectangle.
#pragma once

#include <QColor>
#include <QImage>
#include <QRegion>

namespace orv {

enum class SkinKey {
  Black,  // 0..16 in each of red, green and blue (the window background)
  White,  // exactly white (the button masks)
};

bool MatchesKey(QRgb pixel, SkinKey key);

// The region of the picture's pixels that do NOT match the key: the window
// outline (black key) or a button's shape (white key).
QRegion RegionFromPicture(const QImage& picture, SkinKey key);

}  // namespace orv
