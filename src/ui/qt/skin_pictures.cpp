#include "ui/qt/skin_pictures.h"

namespace orv {

QImage SkinPicture(const QString& name, UiLanguage language) {
  const QString folder = language == UiLanguage::kEnglish ? QStringLiteral(":/skin/en/") : QStringLiteral(":/skin/");
  return QImage(folder + name + QStringLiteral(".png"));
}

QImage SkinPicture(const QString& name) { return SkinPicture(name, CurrentLanguage()); }

}  // namespace orv
