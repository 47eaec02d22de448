// Esc on a real X server (run under xvfb-run): the main window converts a
// folder of 300 slide pictures and a small one. The convert button is
// clicked and, once the progress window shows, Esc is typed through the X
// server by xdotool, as a person at the keyboard would. The big folder is
// cancelled and leaves no movie; the small one converts. Saves a picture of
// the progress window while it holds the focus.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include "base/notifier.h"
#include "desktop_test_support.h"
#include "pipeline/lazy_presentation_server.h"
#include "screen_checks.h"
#include "ui/qt/main_window.h"
#include "ui/qt/progress_window.h"
#include "ui/qt/skin_button.h"

namespace {

using orv::test::Check;
using orv::test::RunUntil;

// Slide pictures larger than the frame, so that every slide is resampled
// and the big folder takes seconds to convert.
void MakePictureFolder(const std::string& folder, int count) {
  std::filesystem::create_directories(folder);
  QImage picture(1024, 768, QImage::Format_RGB32);
  for (int slide = 1; slide <= count; ++slide) {
    picture.fill(QColor(20 + slide % 200, 90, 170));
    QPainter painter(&picture);
    painter.setPen(Qt::white);
    painter.setFont(QFont(QStringLiteral("Sans"), 64));
    painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("Slide %1").arg(slide));
    painter.end();
    picture.save(QString::fromStdString(folder + "/Slide" + std::to_string(slide) + ".jpg"), "JPG", 90);
  }
}

// What a progress window looked like when it was hidden: a cancel hides it
// while the object is still whole. (A window hidden by its destructor is no
// ProgressWindow any more by then, and is not recorded.)
struct HideRecord {
  bool seen = false;
  bool cancelled = false;
  std::int32_t position = 0;
  std::int32_t upper = 0;
};

class HideWatcher final : public QObject {
 public:
  HideRecord first;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Hide && !first.seen) {
      if (auto* progress = qobject_cast<orv::ProgressWindow*>(object)) {
        first = {true, progress->cancelled(), progress->position(), progress->upper()};
      }
    }
    return false;
  }
};

orv::ProgressWindow* VisibleProgressWindow() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    auto* progress = qobject_cast<orv::ProgressWindow*>(top);
    if (progress != nullptr && progress->isVisible()) return progress;
  }
  return nullptr;
}

bool AnyProgressWindow() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (qobject_cast<orv::ProgressWindow*>(top) != nullptr) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: desktop_progress_esc ARTIFACT_FOLDER XDOTOOL\n");
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Orvanta"));
  const QString artifacts = QString::fromLocal8Bit(argv[1]);
  const QString xdotool = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(artifacts);

  orv::test::ScratchFolder folder;
  const std::string out = folder.path() + "/out";
  orv::SettingsStore store(folder.path() + "/store.json");
  store.SetString("OutputDir", out);
  store.SetInt("OpenDest", 0);
  store.SetInt("WebPlayer", 0);  // this test program has no web player beside it
  orv::RecordingNotifier notifier;
  orv::ScopedNotifier scope(notifier);
  orv::LazyPresentationServer server;

  const std::string big = folder.path() + "/年度报告";
  const std::string small = folder.path() + "/简短说明";
  MakePictureFolder(big, 300);
  MakePictureFolder(small, 3);

  orv::MainWindow window(store, server);
  // The bottom entry converts first.
  window.commands().list().Replace({small, big});
  window.RefreshList();
  window.move(120, 100);
  window.show();
  window.raise();
  window.activateWindow();
  RunUntil([&] { return window.isActiveWindow(); }, 3000);
  RunUntil([] { return false; }, 300);

  HideWatcher watcher;
  bool escTyped = false;
  bool activeAtEsc = false;
  bool ownerDisabledAtEsc = false;
  QPointer<orv::ProgressWindow> seen;
  QElapsedTimer sinceSeen;
  QElapsedTimer sinceActive;
  // Runs while the conversion pumps events.
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (escTyped) return;
    orv::ProgressWindow* progress = VisibleProgressWindow();
    if (progress == nullptr) return;
    if (seen != progress) {
      seen = progress;
      progress->installEventFilter(&watcher);
      sinceSeen.start();
      sinceActive.invalidate();
    }
    if (progress->isActiveWindow() && !sinceActive.isValid()) sinceActive.start();
    // Once the window has the focus and has been painted with it (or, when
    // it never takes the focus, after a while: the Esc then goes astray).
    const bool ready = sinceActive.isValid() ? sinceActive.elapsed() > 250 : sinceSeen.elapsed() > 4000;
    if (!ready) return;
    activeAtEsc = progress->isActiveWindow();
    ownerDisabledAtEsc = !window.isEnabled();
    const QRect area = progress->frameGeometry();
    const QImage shot =
        QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    const QString path = artifacts + QStringLiteral("/progress_window_focus.png");
    if (shot.save(path)) std::printf("saved %s\n", qPrintable(path));
    escTyped = QProcess::startDetached(xdotool, {QStringLiteral("key"), QStringLiteral("Escape")});
    if (!escTyped) {
      std::fprintf(stderr, "cannot start %s\n", qPrintable(xdotool));
      escTyped = true;
    }
  });
  poll.start();

  // A real click on the convert button; the conversion runs inside it.
  orv::SkinButton* convert = window.button(QStringLiteral("convert"));
  const QPoint centre = convert->mapToGlobal(convert->rect().center());
  QProcess::startDetached(xdotool, {QStringLiteral("mousemove"), QString::number(centre.x()),
                                    QString::number(centre.y()), QStringLiteral("click"), QStringLiteral("1")});
  // The whole batch runs inside the click, so this returns once it is over
  // (or when the click never started it).
  const bool started = RunUntil([&] { return !seen.isNull() || escTyped; }, 20000);
  const bool finished = RunUntil([&] { return !AnyProgressWindow() && window.isEnabled(); }, 5000);
  poll.stop();

  Check(started && escTyped, "the convert button started the batch and Esc was typed");
  Check(finished, "the batch ended");
  Check(activeAtEsc, "the progress window had the focus when Esc was typed");
  Check(ownerDisabledAtEsc, "the main window was disabled meanwhile");
  Check(watcher.first.seen && watcher.first.cancelled, "the Esc cancelled the big folder");
  Check(watcher.first.position < watcher.first.upper, "the cancel came before the folder's last step");
  std::printf("cancelled at step %d of %d\n", watcher.first.position, watcher.first.upper);

  bool bigLeftFiles = false;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(out, ec)) {
    if (entry.path().stem().string().rfind("年度报告", 0) == 0) {
      std::fprintf(stderr, "left behind: %s\n", entry.path().c_str());
      bigLeftFiles = true;
    }
  }
  Check(!bigLeftFiles, "no movie nor page for the cancelled folder");
  Check(std::filesystem::exists(out + "/简短说明.swf"), "the next entry converted");
  Check(window.isEnabled(), "the main window is enabled again");
  for (const std::string& text : notifier.reports) std::fprintf(stderr, "message: %s\n", text.c_str());
  Check(notifier.reports.empty(), "a cancel shows no message");

  return orv::test::ScreenFailures() == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
