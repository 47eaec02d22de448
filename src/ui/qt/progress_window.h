// The progress window of one presentation: up to four lines of status text,
// a segmented bar, the percentage in the caption and a Cancel button. The
// arithmetic is the Progress base class's; this class only shows it. While
// the window exists the last enabled window along its chain of owners (the
// main window) is disabled, and the window takes the keyboard when it shows
// and at each pump. Esc and Cancel work during LibreOffice's calls too, which
// run on another thread (EventLoopWait). Under the status text the window
// says the step under way and, in a batch, which presentation of how many;
// a batch's window has a Stop button, which ends the batch, as does a second
// Esc within three seconds.
#pragma once

#include <QPointer>
#include <QWidget>

#include "base/progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace orv {

class BatchStop;

class ProgressWindow final : public QWidget, public Progress {
  Q_OBJECT

 public:
  explicit ProgressWindow(QWidget* owner, const std::string& title = "进度    ", BatchStop* batch = nullptr);
  ~ProgressWindow() override;

  QPushButton* cancelButton() const { return cancel_; }
  // Null outside a batch.
  QPushButton* stopButton() const { return stop_; }
  QProgressBar* bar() const { return bar_; }
  QLabel* statusLabel() const { return status_; }

 protected:
  bool OnBegin() override;
  bool OnDisableOwner() override;
  void OnReady() override;
  void OnStatus(const std::string& text) override;
  void OnCaption(const std::string& caption) override;
  void OnBar(std::int32_t position) override;
  void OnPump(bool escCancels) override;
  void OnCancelled() override;
  void OnStage() override;

  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void TakeKeyboard();
  // The status text, then the step and the place in the batch, each line fitted.
  void ShowStatus();
  QString StageLine() const;

  QPointer<QWidget> owner_;
  // The window BeginProgress disabled, enabled again on destruction.
  QPointer<QWidget> disabled_;
  // How long BeginProgress waits for the window to be shown with the keyboard.
  static constexpr int kReadyWaitMs = 2000;
  // Esc cancels, except while a pump that holds it back runs.
  bool escCancels_ = true;
  QLabel* status_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  QPushButton* stop_ = nullptr;
  BatchStop* batch_;
};

}  // namespace orv
