// The progress window of one presentation: up to four lines of status text,
// a segmented bar, the percentage in the caption and a Cancel button. The
// arithmetic is the Progress base class's; this class only shows it. While
// the window exists the last enabled window along its chain of owners (the
// main window) is disabled, and the window takes the keyboard at each pump.
#pragma once

#include <QPointer>
#include <QWidget>

#include "base/progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace orv {

class ProgressWindow final : public QWidget, public Progress {
  Q_OBJECT

 public:
  explicit ProgressWindow(QWidget* owner, const std::string& title = "进度    ");
  ~ProgressWindow() override;

  QPushButton* cancelButton() const { return cancel_; }
  QProgressBar* bar() const { return bar_; }
  QLabel* statusLabel() const { return status_; }

 protected:
  bool OnBegin() override;
  bool OnDisableOwner() override;
  void OnStatus(const std::string& text) override;
  void OnCaption(const std::string& caption) override;
  void OnBar(std::int32_t position) override;
  void OnPump(bool escCancels) override;
  void OnCancelled() override;

  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QPointer<QWidget> owner_;
  // The window BeginProgress disabled, enabled again on destruction.
  QPointer<QWidget> disabled_;
  bool escCancels_ = false;
  QLabel* status_;
  QProgressBar* bar_;
  QPushButton* cancel_;
};

}  // namespace orv
