#include "skin_drawing.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <initializer_list>

#include "base/version.h"

namespace skin {

const Palette& Colours() {
  static const Palette palette;
  return palette;
}

QFont UiFont(int pixelSize, bool bold) {
  QFont font(QStringLiteral("Noto Sans CJK SC"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

QPainterPath ButtonOutline(Shape shape, QSizeF size) {
  QPainterPath path;
  const QRectF box(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
  switch (shape) {
    case Shape::Circle:
      path.addEllipse(box);
      break;
    case Shape::Square:
      path.addRoundedRect(box, 5, 5);
      break;
    case Shape::Pill:
      path.addRoundedRect(box, 8, 8);
      break;
  }
  return path;
}

namespace {

// Where a glyph is drawn: points are given as fractions of its box.
struct GlyphBox {
  QRectF box;
  QPointF At(double fx, double fy) const {
    return QPointF(box.left() + fx * box.width(), box.top() + fy * box.height());
  }
};

void DrawOutline(QPainter& p, const GlyphBox& g, std::initializer_list<QPointF> corners) {
  QPainterPath path;
  for (const QPointF& corner : corners) {
    if (path.elementCount() == 0)
      path.moveTo(g.At(corner.x(), corner.y()));
    else
      path.lineTo(g.At(corner.x(), corner.y()));
  }
  path.closeSubpath();
  p.drawPath(path);
}

void DrawNewPage(QPainter& p, const GlyphBox& g) {
  DrawOutline(p, g, {{0.2, 0.05}, {0.6, 0.05}, {0.82, 0.28}, {0.82, 0.95}, {0.2, 0.95}});
  p.drawLine(g.At(0.51, 0.42), g.At(0.51, 0.76));
  p.drawLine(g.At(0.34, 0.59), g.At(0.68, 0.59));
}

void DrawFolder(QPainter& p, const GlyphBox& g, bool open) {
  DrawOutline(p, g, {{0.05, 0.85}, {0.05, 0.18}, {0.38, 0.18}, {0.48, 0.3}, {0.92, 0.3}, {0.92, 0.85}});
  if (open) p.drawLine(g.At(0.05, 0.48), g.At(0.92, 0.48));
}

void DrawSave(QPainter& p, const GlyphBox& g) {
  p.drawRoundedRect(QRectF(g.At(0.08, 0.08), g.At(0.92, 0.92)), g.box.width() * 0.08, g.box.height() * 0.08);
  p.drawLine(g.At(0.5, 0.22), g.At(0.5, 0.62));
  p.drawLine(g.At(0.32, 0.46), g.At(0.5, 0.64));
  p.drawLine(g.At(0.68, 0.46), g.At(0.5, 0.64));
  p.drawLine(g.At(0.3, 0.78), g.At(0.7, 0.78));
}

void DrawCircledSign(QPainter& p, const GlyphBox& g, bool plus) {
  p.drawEllipse(QRectF(g.At(0.06, 0.06), g.At(0.94, 0.94)));
  p.drawLine(g.At(0.3, 0.5), g.At(0.7, 0.5));
  if (plus) p.drawLine(g.At(0.5, 0.3), g.At(0.5, 0.7));
}

// Three sliders with their knobs at different places.
void DrawOptions(QPainter& p, const GlyphBox& g, const QColor& colour) {
  for (int i = 0; i < 3; ++i) {
    const double fy = 0.2 + 0.3 * i;
    const double knob = (i == 1) ? 0.68 : (i == 0 ? 0.32 : 0.5);
    p.drawLine(g.At(0.06, fy), g.At(0.94, fy));
    p.setBrush(colour);
    p.drawEllipse(g.At(knob, fy), g.box.width() * 0.1, g.box.height() * 0.1);
    p.setBrush(Qt::NoBrush);
  }
}

void DrawPlay(QPainter& p, const GlyphBox& g, const QColor& colour) {
  p.setBrush(colour);
  p.setPen(QPen(colour, g.box.width() / 10.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  DrawOutline(p, g, {{0.22, 0.08}, {0.92, 0.5}, {0.22, 0.92}});
}

void DrawLetter(QPainter& p, const GlyphBox& g, const QString& letter) {
  p.setFont(UiFont(static_cast<int>(g.box.height() * 1.05), true));
  p.drawText(g.box, Qt::AlignCenter, letter);
}

void DrawGlyph(QPainter& p, Glyph glyph, const QRectF& box, const QColor& colour) {
  p.save();
  QPen pen(colour, box.width() / 9.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  const GlyphBox g{box};
  switch (glyph) {
    case Glyph::None:
      break;
    case Glyph::New:
      DrawNewPage(p, g);
      break;
    case Glyph::Folder:
    case Glyph::Open:
      DrawFolder(p, g, glyph == Glyph::Open);
      break;
    case Glyph::Save:
      DrawSave(p, g);
      break;
    case Glyph::Add:
    case Glyph::Remove:
      DrawCircledSign(p, g, glyph == Glyph::Add);
      break;
    case Glyph::Options:
      DrawOptions(p, g, colour);
      break;
    case Glyph::Play:
      DrawPlay(p, g, colour);
      break;
    case Glyph::Info:
      DrawLetter(p, g, QStringLiteral("i"));
      break;
    case Glyph::Help:
      DrawLetter(p, g, QStringLiteral("?"));
      break;
    case Glyph::Minimise:
      p.drawLine(g.At(0.15, 0.8), g.At(0.85, 0.8));
      break;
    case Glyph::Close:
      p.drawLine(g.At(0.15, 0.15), g.At(0.85, 0.85));
      p.drawLine(g.At(0.85, 0.15), g.At(0.15, 0.85));
      break;
  }
  p.restore();
}

}  // namespace

QImage ButtonFace(const QImage& base, Shape shape, Glyph glyph, const QString& label, State state, bool warm,
                  const Lettering& lettering) {
  const Palette& c = Colours();
  QImage image = base.convertToFormat(QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QSizeF size = image.size();
  const QPainterPath outline = ButtonOutline(shape, size);

  QColor top = warm ? c.warmTop : c.faceTop;
  QColor bottom = warm ? c.warmBottom : c.faceBottom;
  if (state == State::Over) {
    top = top.lighter(128);
    bottom = bottom.lighter(135);
  } else if (state == State::Down) {
    std::swap(top, bottom);
    top = top.darker(112);
    bottom = bottom.darker(105);
  }
  QLinearGradient face(0, 0, 0, size.height());
  face.setColorAt(0, top);
  face.setColorAt(1, bottom);
  p.setPen(QPen(QColor(8, 22, 42, 200), 1.0));
  p.setBrush(face);
  p.drawPath(outline);

  // A soft gloss on the upper half, from the light above.
  if (state != State::Down) {
    p.save();
    p.setClipPath(outline);
    QLinearGradient gloss(0, 0, 0, size.height() * 0.55);
    gloss.setColorAt(0, QColor(255, 255, 255, state == State::Over ? 120 : 90));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawRect(QRectF(1, 1, size.width() - 2, size.height() * 0.55));
    p.restore();
  }
  // A thin inner highlight line, bright while the mouse is over the button.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, state == State::Down ? 30 : (state == State::Over ? 170 : 70)),
                state == State::Over ? 1.5 : 1.0));
  p.drawPath(ButtonOutline(shape, size - QSizeF(2, 2)).translated(1, 1));

  const double shift = state == State::Down ? 1.0 : 0.0;
  const QColor ink = c.text;
  if (label.isEmpty()) {
    const double glyphSize = std::min(size.width(), size.height()) * (shape == Shape::Square ? 0.42 : 0.46);
    QRectF box((size.width() - glyphSize) / 2 + shift, (size.height() - glyphSize) / 2 + shift, glyphSize, glyphSize);
    if (glyph == Glyph::Play) box.translate(glyphSize * 0.06, 0);
    DrawGlyph(p, glyph, box, ink);
  } else if (shape == Shape::Circle) {
    // The big round button: glyph above, word below.
    const double glyphSize = size.width() * 0.34;
    QRectF box((size.width() - glyphSize) / 2 + glyphSize * 0.08 + shift, size.height() * 0.18 + shift, glyphSize,
               glyphSize);
    DrawGlyph(p, glyph, box, ink);
    p.setPen(ink);
    p.setFont(UiFont(lettering.roundPixels, true));
    p.drawText(QRectF(shift, size.height() * 0.58 + shift, size.width(), size.height() * 0.26), Qt::AlignCenter, label);
  } else {
    const double glyphSize = lettering.pillGlyph;
    const double gap = lettering.pillGap;
    p.setFont(UiFont(lettering.pillPixels, true));
    const double textWidth = p.fontMetrics().horizontalAdvance(label);
    const double total = glyphSize + gap + textWidth;
    const double left = (size.width() - total) / 2 + shift;
    DrawGlyph(p, glyph, QRectF(left, (size.height() - glyphSize) / 2 + shift, glyphSize, glyphSize), ink);
    p.setPen(QColor(0, 0, 0, 70));
    const QRectF textBox(left + glyphSize + gap, shift, textWidth + 2, size.height());
    p.drawText(textBox.translated(0, 1), Qt::AlignVCenter | Qt::AlignLeft, label);
    p.setPen(ink);
    p.drawText(textBox, Qt::AlignVCenter | Qt::AlignLeft, label);
  }
  return image;
}

QImage ButtonMask(QSize size, Shape shape) {
  QImage mask(size, QImage::Format_RGB32);
  mask.fill(Qt::white);
  QPainter p(&mask);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawPath(ButtonOutline(shape, QSizeF(size)));
  p.end();
  // Masks are kept as 16-colour pictures.
  QList<QRgb> table;
  for (int i = 0; i < 16; ++i) table.append(qRgb(i * 17, i * 17, i * 17));
  return mask.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
}

namespace {

void Panel(QPainter& p, const QRectF& box, const QString& title) {
  const Palette& c = Colours();
  p.setPen(QPen(c.panelLine, 1));
  p.setBrush(c.panel);
  p.drawRoundedRect(box, 10, 10);
  if (!title.isEmpty()) {
    p.setPen(c.caption);
    p.setFont(UiFont(12, true));
    p.drawText(QRectF(box.left() + 12, box.top() + 4, box.width() - 24, 18), Qt::AlignLeft | Qt::AlignVCenter, title);
  }
}

void Well(QPainter& p, const QRectF& box, const QColor& fill) {
  // A recessed field: dark edge above, light edge below.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(4, 12, 26, 170));
  p.drawRoundedRect(box.adjusted(-3, -3, 3, 3), 6, 6);
  p.setBrush(QColor(255, 255, 255, 40));
  p.drawRoundedRect(box.adjusted(-3, -2, 3, 4), 6, 6);
  p.setBrush(QColor(4, 12, 26, 200));
  p.drawRoundedRect(box.adjusted(-2, -2, 2, 2), 5, 5);
  p.setBrush(fill);
  p.drawRect(box);
}

}  // namespace

QImage Icon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  const Palette& c = Colours();
  // A slide with a play mark, on a warm rounded tile.
  QLinearGradient tile(0, 0, 0, s);
  tile.setColorAt(0, c.warmTop);
  tile.setColorAt(1, c.warmBottom);
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92), s * 0.2, s * 0.2);
  QLinearGradient gloss(0, 0, 0, s * 0.5);
  gloss.setColorAt(0, QColor(255, 255, 255, 110));
  gloss.setColorAt(1, QColor(255, 255, 255, 0));
  p.setBrush(gloss);
  p.drawRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.45), s * 0.18, s * 0.18);
  p.setBrush(QColor(255, 255, 255));
  p.drawRoundedRect(QRectF(s * 0.18, s * 0.26, s * 0.64, s * 0.46), s * 0.05, s * 0.05);
  p.setBrush(c.faceBottom);
  QPainterPath play;
  play.moveTo(s * 0.43, s * 0.36);
  play.lineTo(s * 0.62, s * 0.49);
  play.lineTo(s * 0.43, s * 0.62);
  play.closeSubpath();
  p.drawPath(play);
  p.setBrush(QColor(255, 255, 255, 230));
  p.drawRoundedRect(QRectF(s * 0.3, s * 0.76, s * 0.4, s * 0.06), s * 0.03, s * 0.03);
  return image;
}

Words ChineseWords() {
  return {QString::fromUtf8("PowerPoint 演示文稿转 Flash 影片"),
          QString::fromUtf8("文件列表"),
          QString::fromUtf8("设置选项后\n开始转换"),
          QRectF(142, 236, 80, 40),
          QString::fromUtf8("待转换的演示文稿（从下往上依次转换）"),
          QString::fromUtf8("输出目录"),
          QString::fromUtf8("把 PowerPoint 演示文稿变成 Flash 影片"),
          13};
}

// The hint box reaches left to the round button's edge: the English lines
// are wider than the Chinese ones.
Words EnglishWords() {
  return {QStringLiteral("PowerPoint presentations to Flash movies"),
          QStringLiteral("File list"),
          QStringLiteral("Set options,\nthen convert"),
          QRectF(128, 236, 94, 40),
          QStringLiteral("Presentations to convert (bottom one first)"),
          QStringLiteral("Output folder"),
          QStringLiteral("Turns PowerPoint presentations into Flash movies"),
          12};
}

QImage Background(const Words& words) {
  const Palette& c = Colours();
  QImage image(593, 403, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  // The body: a rounded slab lit from above. Everything outside is black and
  // is cut away from the window.
  const QRectF body(1, 1, 591, 401);
  QLinearGradient slab(0, 0, 0, 403);
  slab.setColorAt(0, c.windowTop);
  slab.setColorAt(1, c.windowBottom);
  p.setPen(QPen(QColor(0x5b, 0x86, 0xb8), 1.5));
  p.setBrush(slab);
  p.drawRoundedRect(body, 18, 18);

  // Title band.
  QLinearGradient band(0, 0, 0, 56);
  band.setColorAt(0, QColor(255, 255, 255, 46));
  band.setColorAt(1, QColor(255, 255, 255, 6));
  p.setPen(Qt::NoPen);
  p.setBrush(band);
  QPainterPath title;
  title.addRoundedRect(QRectF(3, 3, 587, 60), 16, 16);
  QPainterPath below;
  below.addRect(QRectF(0, 50, 593, 20));
  p.drawPath(title.subtracted(below));
  p.setPen(QPen(QColor(255, 255, 255, 40), 1));
  p.drawLine(QPointF(14, 50.5), QPointF(579, 50.5));

  p.drawImage(QRectF(16, 9, 34, 34), Icon(68));
  p.setPen(Qt::white);
  p.setFont(UiFont(22, true));
  p.drawText(QRectF(58, 6, 200, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Orvanta"));
  p.setPen(c.caption);
  p.setFont(UiFont(12));
  p.drawText(QRectF(59, 30, 300, 16), Qt::AlignLeft | Qt::AlignVCenter, words.tagline);

  // Left column: list commands, editing, conversion.
  Panel(p, QRectF(12, 66, 214, 76), words.fileList);
  Panel(p, QRectF(12, 146, 214, 64), QString());
  Panel(p, QRectF(12, 216, 214, 118), QString());
  Panel(p, QRectF(12, 340, 214, 56), QString());
  p.setPen(c.caption);
  p.setFont(UiFont(12));
  p.drawText(words.hintBox, Qt::AlignCenter, words.hint);
  p.drawText(QRectF(120, 348, 100, 40), Qt::AlignLeft | Qt::AlignVCenter,
             QString::fromUtf8("Orvanta V") + QString::fromUtf8(orv::kVersion));

  // Right column: the list well and the output folder field.
  Panel(p, QRectF(232, 66, 349, 266), words.presentations);
  Well(p, QRectF(238, 99, 335, 225), QColor(0xfb, 0xfc, 0xfe));
  Panel(p, QRectF(232, 338, 349, 58), QString());
  p.setPen(c.caption);
  p.setFont(UiFont(12, true));
  p.drawText(QRectF(244, 340, 200, 16), Qt::AlignLeft | Qt::AlignVCenter, words.outputFolder);
  Well(p, QRectF(240, 361, 298, 26), QColor(0x0c, 0x1e, 0x36));
  return image;
}

QImage AboutBanner(const Words& words) {
  const Palette& c = Colours();
  QImage image(408, 88, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QLinearGradient sky(0, 0, 408, 88);
  sky.setColorAt(0, c.windowTop);
  sky.setColorAt(1, c.windowBottom);
  p.fillRect(image.rect(), sky);
  // Faint slide frames drifting to the right, the product in a picture.
  p.setPen(QPen(QColor(255, 255, 255, 36), 2));
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < 4; ++i) p.drawRoundedRect(QRectF(250 + i * 34, 14 + i * 4, 70, 50), 5, 5);
  p.drawImage(QRectF(18, 14, 60, 60), Icon(120));
  p.setPen(Qt::white);
  p.setFont(UiFont(30, true));
  p.drawText(QRectF(92, 12, 300, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Orvanta"));
  p.setPen(c.caption);
  p.setFont(UiFont(words.aboutPixels));
  p.drawText(QRectF(94, 50, 300, 22), Qt::AlignLeft | Qt::AlignVCenter, words.aboutLine);
  p.end();
  // The banner is an 8-bit picture.
  return image.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
}

}  // namespace skin
