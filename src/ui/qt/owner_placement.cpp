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
  const QRect frame = window->frameGeometry();
  QPoint topLeft = frame.center() - QPoint(dialog.width() / 2, dialog.height() / 2);
  if (const QScreen* screen = window->screen()) {
    const QRect area = screen->availableGeometry();
    topLeft.setX(std::clamp(topLeft.x(), area.left(), std::max(area.left(), area.right() - dialog.width())));
    topLeft.setY(std::clamp(topLeft.y(), area.top(), std::max(area.top(), area.bottom() - dialog.height())));
  }
  dialog.move(topLeft);
}

}  // namespace orv
