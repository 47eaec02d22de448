#include "ui/qt/owner_placement.h"

#include <algorithm>

#include <QScreen>
#include <QWidget>

namespace orv {

void PlaceOverOwner(QWidget& dialog, const QWidget* owner) {
  if (owner == nullptr) return;
  const QWidget* window = owner->window();
  // A dialog that sized itself keeps its size; the others take their layout's.
  if (!dialog.testAttribute(Qt::WA_Resized)) dialog.adjustSize();
  const QRect area = window->geometry();
  QPoint topLeft = area.center() - QPoint(dialog.width() / 2, dialog.height() / 2);
  if (const QScreen* screen = window->screen()) {
    const QRect screenArea = screen->availableGeometry();
    topLeft.setX(
        std::clamp(topLeft.x(), screenArea.left(), std::max(screenArea.left(), screenArea.right() - dialog.width())));
    topLeft.setY(
        std::clamp(topLeft.y(), screenArea.top(), std::max(screenArea.top(), screenArea.bottom() - dialog.height())));
  }
  dialog.move(topLeft);
}

}  // namespace orv
