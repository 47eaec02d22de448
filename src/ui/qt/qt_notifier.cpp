#include "ui/qt/qt_notifier.h"

#include <QApplication>
#include <QMessageBox>

namespace orv {
namespace {

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

void QtNotifier::Report(std::string_view text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Orvanta"), ToQString(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

bool QtNotifier::Ask(std::string_view text) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Orvanta"), ToQString(text),
                  QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  return box.exec() == QMessageBox::Yes;
}

}  // namespace orv
