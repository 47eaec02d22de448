#include "ui/qt/qt_notifier.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/qt/owner_placement.h"

namespace orv {
namespace {

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

int Show(QMessageBox& box) {
  // The main window is disabled during a conversion, and a box made under it
  // would be disabled too.
  box.setEnabled(true);
  PlaceOverOwner(box, box.parentWidget());
  return box.exec();
}

}  // namespace

QWidget* QtNotifier::BoxParent() const {
  if (QWidget* dialog = QApplication::activeModalWidget()) return dialog;
  if (owner_) return owner_.data();
  return QApplication::activeWindow();
}

void QtNotifier::Report(std::string_view text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Orvanta"), ToQString(text), QMessageBox::Ok, BoxParent());
  Show(box);
}

void QtNotifier::ReportWithDetails(std::string_view text, std::string_view details) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Orvanta"), ToQString(text), QMessageBox::Ok, BoxParent());
  box.setDetailedText(ToQString(details));
  Show(box);
}

bool QtNotifier::Ask(std::string_view text) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Orvanta"), ToQString(text),
                  QMessageBox::Yes | QMessageBox::No, BoxParent());
  return Show(box) == QMessageBox::Yes;
}

}  // namespace orv
