// The desktop program: start-up, then the main window shown modally; the
// process ends when it closes.
#include <unistd.h>
#include <csignal>
#include <memory>
#include <optional>
#include <string>

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include "base/crash_report.h"
#include "base/language.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "pipeline/lazy_presentation_server.h"
#include "pipeline/server_thread.h"
#include "settings/settings_store.h"
#include "ui/qt/event_loop_wait.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_notifier.h"
#include "ui/qt/skin_pictures.h"
#include "ui/qt/ui_language.h"

namespace {

// What the presentation server needs from the process: it talks to
// LibreOffice over pipes (a closed one must not kill the program) and keeps
// its working files in the temporary folder, which must be usable.
bool PrepareAutomationRuntime() {
  std::signal(SIGPIPE, SIG_IGN);
  const std::string temp = orv::SystemTempFolder();
  return orv::IsDirectory(temp) && ::access(temp.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  orv::InstallCrashReporter();
  QApplication app(argc, argv);
  // The language is settled before anything is shown or said; a change in
  // the options takes effect at the next start.
  orv::SettingsStore store;
  orv::SettleUiLanguage(store);

  if (!PrepareAutomationRuntime()) {
    // The names are not set yet: the message carries the program's own name.
    QMessageBox::warning(nullptr, QFileInfo(QString::fromLocal8Bit(argv[0])).baseName(),
                         QString::fromUtf8(orv::Translate(orv::msg::kInitOleFailed)));
    return 1;
  }
  QApplication::setApplicationName(QStringLiteral("Orvanta"));
  QApplication::setOrganizationName(QStringLiteral("Velloran"));
  QApplication::setApplicationDisplayName(QStringLiteral("Orvanta"));
  QApplication::setDesktopFileName(QStringLiteral("orvanta"));
  QApplication::setWindowIcon(QPixmap::fromImage(orv::SkinPicture(QStringLiteral("icon"))));

  orv::QtNotifier notifier;
  orv::ScopedNotifier scope(notifier);
  // LibreOffice's calls run on a thread of their own while the windows go on
  // answering; they wait on this thread's event loop.
  orv::EventLoopWait wait;
  orv::ServerThread server(std::make_unique<orv::LazyPresentationServer>(), wait);

  orv::MainWindow window(store, server);
  notifier.SetOwner(&window);
  // A damaged settings file is said once, over the window, naming the copy
  // it was kept as; the options start from their defaults.
  if (std::optional<std::string> kept = store.SetAsideIfDamaged()) {
    const std::string text =
        kept->empty()
            ? orv::FormatMessage(orv::FormatMessage(orv::msg::kSettingsDamagedIgnored, store.path()), store.lastError())
            : orv::FormatMessage(orv::FormatMessage(orv::msg::kSettingsDamagedKept, store.path()), *kept);
    QTimer::singleShot(0, &window, [text] { orv::Notify(text); });
  }
  window.exec();
  return 0;
}
