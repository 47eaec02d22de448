#include "ui/qt/skin_pictures.h"

namespace orv {

QImage SkinPicture(const QString& name) { return QImage(QStringLiteral(":/skin/") + name + QStringLiteral(".png")); }

}  // namespace orv
