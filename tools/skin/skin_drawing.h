// Drawing helpers of the skin generator: the shared palette, glyphs and the
// button faces, so that every picture has the same light and colour.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
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

// How a button's label is set. English words run longer than the Chinese
// ones, so the English set uses a smaller letter, glyph and gap.
struct Lettering {
  int pillPixels = 14;
  double pillGlyph = 16;
  double pillGap = 6;
  int roundPixels = 15;
};

// Draws one button face over `base` (the background under the button):
// outline, lit face, glyph and optional label.
QImage ButtonFace(const QImage& base, Shape shape, Glyph glyph, const QString& label, State state, bool warm,
                  const Lettering& lettering = {});
// White outside, black inside: the button's shape.
QImage ButtonMask(QSize size, Shape shape);

// The words painted into the background and the About banner, in one
// language, with the box of the hint that shares its panel with the
// conversion button.
struct Words {
  QString tagline;
  QString fileList;
  QString hint;
  QRectF hintBox;
  QString presentations;
  QString outputFolder;
  QString aboutLine;
  int aboutPixels;
};
Words ChineseWords();
Words EnglishWords();

QImage Background(const Words& words);
QImage AboutBanner(const Words& words);
QImage Icon(int size);

QFont UiFont(int pixelSize, bool bold = false);

}  // namespace skin
