// Draws the skin of the desktop program into a folder: the main window's
// background, every button in its normal, over and down states with its
// mask, the About banner and the program icon; the Chinese set in the folder
// itself, the English one in its subfolder "en" with the same names and sizes.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "skin_drawing.h"

namespace {

struct ButtonSpec {
  const char* name;
  QPoint position;  // where the button sits on the background
  QSize size;
  skin::Shape shape;
  skin::Glyph glyph;
  const char* chinese;  // the label, empty for a glyph alone
  const char* english;
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

struct SkinSet {
  QString folder;
  skin::Words words;
  skin::Lettering lettering;
  bool english;
};

bool DrawSet(const SkinSet& set, const std::vector<ButtonSpec>& buttons) {
  QDir().mkpath(set.folder);
  const QImage background = skin::Background(set.words);
  bool ok = Save(background, set.folder, QStringLiteral("background"));
  for (const ButtonSpec& b : buttons) {
    // Each face is drawn over the background it covers, so its edges blend in.
    const QImage base = background.copy(QRect(b.position, b.size));
    const QString label = QString::fromUtf8(set.english ? b.english : b.chinese);
    const QString name = QString::fromLatin1(b.name);
    const auto face = [&](skin::State state) {
      return skin::ButtonFace(base, b.shape, b.glyph, label, state, b.warm, set.lettering);
    };
    ok &= Save(face(skin::State::Normal), set.folder, name + QStringLiteral("_normal"));
    ok &= Save(face(skin::State::Over), set.folder, name + QStringLiteral("_over"));
    ok &= Save(face(skin::State::Down), set.folder, name + QStringLiteral("_down"));
    ok &= Save(skin::ButtonMask(b.size, b.shape), set.folder, name + QStringLiteral("_mask"));
  }
  ok &= Save(skin::AboutBanner(set.words), set.folder, QStringLiteral("about"));
  ok &= Save(skin::Icon(256), set.folder, QStringLiteral("icon"));
  return ok;
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

  using skin::Glyph;
  using skin::Shape;
  const std::vector<ButtonSpec> buttons = {
      {"minimise", {519, 13}, {27, 27}, Shape::Square, Glyph::Minimise, "", "", false},
      {"close", {549, 13}, {27, 27}, Shape::Square, Glyph::Close, "", "", true},
      {"browse", {543, 357}, {32, 29}, Shape::Square, Glyph::Folder, "", "", false},
      {"about", {18, 349}, {40, 40}, Shape::Circle, Glyph::Info, "", "", false},
      {"help", {71, 349}, {40, 40}, Shape::Circle, Glyph::Help, "", "", false},
      {"convert", {39, 232}, {88, 88}, Shape::Circle, Glyph::Play, "转换", "Convert", true},
      {"options", {119, 284}, {88, 36}, Shape::Pill, Glyph::Options, "选项", "Options", false},
      {"add", {21, 164}, {88, 36}, Shape::Pill, Glyph::Add, "添加", "Add", false},
      {"remove", {109, 164}, {105, 36}, Shape::Pill, Glyph::Remove, "移除", "Remove", false},
      {"newlist", {21, 96}, {65, 36}, Shape::Pill, Glyph::New, "新建", "New", false},
      {"openlist", {86, 96}, {63, 36}, Shape::Pill, Glyph::Open, "打开", "Open", false},
      {"savelist", {149, 96}, {64, 36}, Shape::Pill, Glyph::Save, "保存", "Save", false},
  };
  const SkinSet sets[] = {
      {folder, skin::ChineseWords(), skin::Lettering{}, false},
      {folder + QStringLiteral("/en"), skin::EnglishWords(), skin::Lettering{13, 14, 4, 14}, true},
  };
  bool ok = true;
  for (const SkinSet& set : sets) ok &= DrawSet(set, buttons);
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
