#include "ui/qt/presentation_dialog.h"

#include <algorithm>

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

namespace orv {

void PreparePresentationDialog(QFileDialog& dialog, const QString& filter) {
  // Qt's own dialog: its name filters ignore letter case (a desktop's
  // native one may not), and its list's columns can be sized.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setViewMode(QFileDialog::Detail);
  dialog.setNameFilter(filter);
  if (auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    // The name takes what the size, type and date leave; those are as wide
    // as what they show ("12/10/26 3:36 PM" whole).
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column) {
      header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
  }
  dialog.resize(std::max(dialog.width(), 760), std::max(dialog.height(), 440));
}

QStringList ChoosePresentationFiles(QWidget* owner, const QString& caption, const QString& filter,
                                    const QString& folder) {
  QFileDialog dialog(owner, caption, folder);
  PreparePresentationDialog(dialog, filter);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

}  // namespace orv
