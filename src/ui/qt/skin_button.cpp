#include "ui/qt/skin_button.h"

#include <QPainter>

#include "ui/qt/skin_pictures.h"
#include "ui/qt/skin_region.h"

namespace orv {

SkinButton::SkinButton(QWidget* parent) : QAbstractButton(parent) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::NoFocus);
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
