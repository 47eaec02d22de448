// Drawing helpers of the skin generator: the shared palette, glyphs and the
// button faces, so that every picture has the same light and colour.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QString>

namespace skin {

// Light comes from the top; faces are blue, the conversion button warm.
struct Palette {
  QColor windowTop{0x24, 0x4a, 0x78};
  QColor windowBottom{0x10, 0x25, 0x42};
  QColor panel{0xff, 0xff, 0xff, 0x14};
  QColor panelLine{0xff, 0xff, 0xff, 0x30};
  QColor faceTop{0x5a, 0x9c, 0xe6};
  QColor faceBottom{0x23, 0x61, 0xb5};
  QColor warmTop{0xff, 0xb3, 0x47};
  QColor warmBottom{0xe0, 0x5a, 0x12};
  QColor text{0xff, 0xff, 0xff};
  QColor caption{0xc9, 0xdc, 0xf2};
};
const Palette& Colours();

enum class State { Normal, Over, Down };

// The shape of a button of a given kind within its picture rectangle.
enum class Shape { Pill, Circle, Square };
QPainterPath ButtonOutline(Shape shape, QSizeF size);

enum class Glyph { None, New, Open, Save, Add, Remove, Options, Play, Info, Help, Minimise, Close, Folder };

// Draws one button face over `base` (the background under the button):
// outline, lit face, glyph and optional label.
QImage ButtonFace(const QImage& base, Shape shape, Glyph glyph, const QString& label, State state, bool warm);
// White outside, black inside: the button's shape.
QImage ButtonMask(QSize size, Shape shape);

QImage Background();
QImage AboutBanner();
QImage Icon(int size);

QFont UiFont(int pixelSize, bool bold = false);

}  // namespace skin
