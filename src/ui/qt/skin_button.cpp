#include "ui/qt/skin_button.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include "ui/qt/skin_pictures.h"
#include "ui/qt/skin_region.h"

namespace orv {

SkinButton::SkinButton(QWidget* parent) : QAbstractButton(parent) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
}

void SkinButton::SetSkin(const QString& name) {
  SetPictures(SkinPicture(name + QStringLiteral("_normal")), SkinPicture(name + QStringLiteral("_down")),
              SkinPicture(name + QStringLiteral("_over")), SkinPicture(name + QStringLiteral("_mask")));
}

void SkinButton::SetPictures(const QImage& normal, const QImage& down, const QImage& over, const QImage& mask) {
  normal_ = normal;
  down_ = down;
  over_ = over;
  if (!mask.isNull()) {
    resize(mask.size());
    setMask(RegionFromPicture(mask, SkinKey::White));
  } else if (!normal.isNull()) {
    resize(normal.size());
    clearMask();
  }
  update();
}

QSize SkinButton::sizeHint() const { return normal_.isNull() ? QSize(24, 24) : normal_.size(); }

const QImage& SkinButton::PictureForState() const {
  if (isDown() && !down_.isNull()) return down_;
  if (tracking_ && !over_.isNull()) return over_;
  return normal_;
}

void SkinButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QImage& picture = PictureForState();
  if (picture.isNull()) {
    painter.fillRect(rect(), palette().button());
    return;
  }
  painter.drawImage(QPoint(0, 0), picture);
  if (!hasFocus()) return;
  // The ring follows the outline: wide pens on the mask's edge, of which the
  // mask keeps the inner half; white over dark shows on every skin colour.
  QPainterPath outline;
  outline.addRegion(mask().isEmpty() ? QRegion(rect()) : mask());
  outline = outline.simplified();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(0x0d, 0x23, 0x40), 8));
  painter.drawPath(outline);
  painter.setPen(QPen(Qt::white, 4));
  painter.drawPath(outline);
}

void SkinButton::keyPressEvent(QKeyEvent* event) {
  // Space is the button's own; Enter presses a focused button too.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
    event->accept();
    click();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void SkinButton::enterEvent(QEnterEvent* event) {
  tracking_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void SkinButton::leaveEvent(QEvent* event) {
  tracking_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

}  // namespace orv
