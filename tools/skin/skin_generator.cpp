// Draws the skin of the desktop program into a folder: the main window's
// background, every button in its normal, over and down states with its
// mask, the About banner and the program icon.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

#include "skin_drawing.h"

namespace {

struct ButtonSpec {
  const char* name;
  QPoint position;  // where the button sits on the background
  QSize size;
  skin::Shape shape;
  skin::Glyph glyph;
  const char* label;
  bool warm;
};

bool Save(const QImage& image, const QString& folder, const QString& name) {
  const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
  if (!image.save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orvanta_skin_generator OUTPUT_FOLDER\n");
    return 2;
  }
  // Text needs a GUI application, never a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);

  using skin::Glyph;
  using skin::Shape;
  const ButtonSpec buttons[] = {
      {"minimise", {519, 13}, {27, 27}, Shape::Square, Glyph::Minimise, "", false},
      {"close", {549, 13}, {27, 27}, Shape::Square, Glyph::Close, "", true},
      {"browse", {543, 357}, {32, 29}, Shape::Square, Glyph::Folder, "", false},
      {"about", {18, 349}, {40, 40}, Shape::Circle, Glyph::Info, "", false},
      {"help", {71, 349}, {40, 40}, Shape::Circle, Glyph::Help, "", false},
      {"convert", {39, 232}, {88, 88}, Shape::Circle, Glyph::Play, "转换", true},
      {"options", {119, 284}, {88, 36}, Shape::Pill, Glyph::Options, "选项", false},
      {"add", {21, 164}, {88, 36}, Shape::Pill, Glyph::Add, "添加", false},
      {"remove", {109, 164}, {105, 36}, Shape::Pill, Glyph::Remove, "移除", false},
      {"newlist", {21, 96}, {65, 36}, Shape::Pill, Glyph::New, "新建", false},
      {"openlist", {86, 96}, {63, 36}, Shape::Pill, Glyph::Open, "打开", false},
      {"savelist", {149, 96}, {64, 36}, Shape::Pill, Glyph::Save, "保存", false},
  };

  const QImage background = skin::Background();
  bool ok = Save(background, folder, QStringLiteral("background"));
  for (const ButtonSpec& b : buttons) {
    // Each face is drawn over the background it covers, so its edges blend in.
    const QImage base = background.copy(QRect(b.position, b.size));
    const QString label = QString::fromUtf8(b.label);
    const QString name = QString::fromLatin1(b.name);
    ok &= Save(skin::ButtonFace(base, b.shape, b.glyph, label, skin::State::Normal, b.warm), folder,
               name + QStringLiteral("_normal"));
    ok &= Save(skin::ButtonFace(base, b.shape, b.glyph, label, skin::State::Over, b.warm), folder,
               name + QStringLiteral("_over"));
    ok &= Save(skin::ButtonFace(base, b.shape, b.glyph, label, skin::State::Down, b.warm), folder,
               name + QStringLiteral("_down"));
    ok &= Save(skin::ButtonMask(b.size, b.shape), folder, name + QStringLiteral("_mask"));
  }
  ok &= Save(skin::AboutBanner(), folder, QStringLiteral("about"));
  ok &= Save(skin::Icon(256), folder, QStringLiteral("icon"));
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
