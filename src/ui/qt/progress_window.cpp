#include "ui/qt/progress_window.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include "base/language.h"
#include "base/messages.h"
#include "ui/qt/batch_stop.h"
#include "ui/qt/event_loop_wait.h"
#include "ui/qt/owner_placement.h"

namespace orv {
namespace {

// The window that owns `window`: its parent's top-level widget.
QWidget* OwnerOf(const QWidget* window) {
  QWidget* parent = window->parentWidget();
  return parent != nullptr ? parent->window() : nullptr;
}

// Follows the owners from `owner` as long as each is enabled; the last one is
// the window to disable (the main window, unless a disabled window stands in
// between). Null when `owner` itself is disabled.
QWidget* LastEnabledOwner(QWidget* owner) {
  QWidget* last = nullptr;
  for (QWidget* window = owner != nullptr ? owner->window() : nullptr; window != nullptr && window->isEnabled();
       window = OwnerOf(window)) {
    last = window;
  }
  return last;
}

// The top of the chain of owners: the application's main window.
QWidget* MainWindowOf(QWidget* owner) {
  QWidget* window = owner != nullptr ? owner->window() : nullptr;
  while (window != nullptr && OwnerOf(window) != nullptr) window = OwnerOf(window);
  return window;
}

}  // namespace

ProgressWindow::ProgressWindow(QWidget* owner, const std::string& title, BatchStop* batch)
    : QWidget(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      Progress(title),
      owner_(owner),
      batch_(batch) {
  setWindowTitle(QString::fromStdString(title));
  // A dialog with a parent is a transient of its owner's window: the window
  // manager keeps it over the main window, places it there and gives it the
  // keyboard when it maps.
  setWindowModality(Qt::NonModal);

  status_ = new QLabel(this);
  status_->setTextFormat(Qt::PlainText);
  status_->setWordWrap(false);
  status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The status area holds four lines of text, as tall as Chinese lines are
  // (their font may be a taller fallback of the label's).
  const QFontMetrics metrics(status_->font());
  const QString lines = QStringLiteral("M\u4e2d\nM\u4e2d\nM\u4e2d\nM\u4e2d");
  status_->setFixedSize(390, std::max(metrics.lineSpacing() * 4,
                                      metrics.boundingRect(QRect(0, 0, 390, 1000), Qt::AlignLeft, lines).height()));

  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setRange(0, 100);
  bar_->setValue(0);
  // The ordinary bar is drawn in segments, as the classic progress control.
  bar_->setStyleSheet(QStringLiteral(
      "QProgressBar { border: 1px solid #8a97a8; border-radius: 2px; background: #f4f6f9; padding: 1px; }"
      "QProgressBar::chunk { background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 #5fb2ff, stop:1 #1f6fd1);"
      " width: 9px; margin: 1px; }"));

  cancel_ = new QPushButton(QString::fromUtf8(Translate(msg::kCancelCaption)), this);
  connect(cancel_, &QPushButton::clicked, this, [this] { RequestCancel(); });
  cancel_->setAccessibleName(tr("取消这个演示文稿"));
  if (batch_ != nullptr) {
    stop_ = new QPushButton(tr("停止(&S)"), this);
    stop_->setToolTip(tr("取消这个演示文稿和之后的所有演示文稿"));
    stop_->setAccessibleName(tr("停止整批转换"));
    connect(stop_, &QPushButton::clicked, this, [this] {
      batch_->Request();
      RequestCancel();  // also when the batch is not this window's
    });
  }

  auto* row = new QHBoxLayout;
  row->addWidget(bar_, 1);
  row->addSpacing(10);
  row->addWidget(cancel_);
  if (stop_ != nullptr) row->addWidget(stop_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setSpacing(10);
  layout->addWidget(status_);
  layout->addLayout(row);
  adjustSize();
  setFixedSize(sizeHint());
}

ProgressWindow::~ProgressWindow() {
  if (disabled_) disabled_->setEnabled(true);
}

bool ProgressWindow::OnBegin() {
  PlaceOverOwner(*this, owner_.data());
  show();
  return true;
}

bool ProgressWindow::OnDisableOwner() {
  // A second BeginProgress finds the owner disabled by the first one.
  if (!disabled_) {
    disabled_ = LastEnabledOwner(owner_.data());
    if (disabled_) disabled_->setEnabled(false);
  }
  // Disabling a window disables the windows it owns: this one stays usable.
  setEnabled(true);
  return !disabled_.isNull();
}

void ProgressWindow::TakeKeyboard() {
  // Unless this window has the keyboard, an Esc goes to the disabled main
  // window and is lost. It takes the keyboard from this program's own
  // windows only, never from another program the user has turned to.
  if (ownerDisabled() && isVisible()) {
    if (!isActiveWindow() && QApplication::activeWindow() != nullptr) activateWindow();
    if (!cancel_->hasFocus()) cancel_->setFocus(Qt::OtherFocusReason);
  }
}

void ProgressWindow::OnReady() {
  // The user sees the window, and can press Esc in it, before the first long
  // step starts. Where nothing hands out the keyboard, a while is enough.
  TakeKeyboard();
  EventLoopWait().Wait(std::chrono::milliseconds(kReadyWaitMs), [this] {
    const QWindow* handle = windowHandle();
    if (handle == nullptr || !isVisible()) return true;
    // The keyboard is waited for only while it is this program's to give.
    return handle->isExposed() && (isActiveWindow() || QApplication::activeWindow() == nullptr);
  });
}

void ProgressWindow::OnStatus(const std::string&) { ShowStatus(); }

void ProgressWindow::OnStage() { ShowStatus(); }

QString ProgressWindow::StageLine() const {
  switch (stage()) {
    case ProgressStage::kStartingOffice:
      return tr("正在启动 LibreOffice");
    case ProgressStage::kOpening:
      return tr("正在打开演示文稿");
    case ProgressStage::kExportingSlides:
      if (stageDone() <= 0) return tr("正在导出幻灯片");
      return tr("正在导出第 %1 张幻灯片，共 %2 张").arg(stageDone()).arg(stageTotal());
    case ProgressStage::kWritingMovie:
      return tr("正在写入影片");
    case ProgressStage::kWritingPages:
      return tr("正在写入网页");
    case ProgressStage::kNone:
      break;
  }
  return QString();
}

void ProgressWindow::ShowStatus() {
  // Each line fits the label: a long path gives up its middle, so that its
  // start and the file's name stay readable; the whole text is the tip.
  QString full = QString::fromStdString(statusText());
  for (const QString& more :
       {StageLine(),
        batchCount() > 1 ? tr("第 %1 个演示文稿，共 %2 个").arg(batchIndex()).arg(batchCount()) : QString()}) {
    if (!more.isEmpty()) full += (full.isEmpty() ? QString() : QStringLiteral("\n")) + more;
  }
  const QFontMetrics metrics(status_->font());
  QStringList lines = full.split(QLatin1Char('\n'));
  for (QString& line : lines) line = metrics.elidedText(line, Qt::ElideMiddle, status_->width());
  status_->setText(lines.join(QLatin1Char('\n')));
  status_->setToolTip(lines.join(QLatin1Char('\n')) == full ? QString() : full);
  // Painted now, not at the next event dispatch.
  if (isVisible()) status_->repaint();
}

void ProgressWindow::OnCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

void ProgressWindow::OnBar(std::int32_t position) {
  if (isHidden()) show();
  // QWidget has lower() too: the range is the Progress one.
  const std::int32_t low = std::min(Progress::lower(), Progress::upper());
  const std::int32_t high = std::max(Progress::lower(), Progress::upper());
  if (bar_->minimum() != low || bar_->maximum() != high) bar_->setRange(low, high);
  bar_->setValue(std::clamp(position, low, high));
}

void ProgressWindow::OnPump(bool escCancels) {
  TakeKeyboard();
  escCancels_ = escCancels;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  escCancels_ = true;
}

void ProgressWindow::OnCancelled() {
  hide();
  if (QWidget* main = MainWindowOf(owner_.data())) main->activateWindow();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  // Keys reach the window while a step pumps events and while a call into
  // LibreOffice runs; only a pump may hold Esc back.
  if (event->key() == Qt::Key_Escape) {
    if (escCancels_) {
      // A second Esc soon after the first stops the whole batch.
      if (batch_ != nullptr) batch_->NoteEsc();
      RequestCancel();
    }
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  // Closing the window is a cancel request; the object lives on until the
  // conversion of this presentation returns.
  RequestCancel();
  event->accept();
}

}  // namespace orv
