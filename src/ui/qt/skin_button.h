// A push button drawn from pictures chosen by its state (normal, pressed,
// under the mouse), shaped by a mask picture whose white pixels lie outside.
// It takes the keyboard focus like any button (Tab, a click), shows it with a
// ring along its outline, and Enter or Space presses it.
#pragma once

#include <QAbstractButton>
#include <QImage>

namespace orv {

class SkinButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit SkinButton(QWidget* parent = nullptr);

  // Pictures by name from the skin ("add" loads add_normal, add_down,
  // add_over and add_mask). The button takes the mask's size and shape; a
  // state without a picture falls back to the normal one.
  void SetSkin(const QString& name);
  void SetPictures(const QImage& normal, const QImage& down, const QImage& over, const QImage& mask);

  bool tracking() const { return tracking_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  const QImage& PictureForState() const;

  QImage normal_;
  QImage down_;
  QImage over_;
  bool tracking_ = false;
};

}  // namespace orv
