// The Add command's file dialog: every kind of presentation the program
// takes, in any letter case, under a label short enough to be read whole,
// and a list whose Date column is as wide as the dates it shows.
#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace orv {

// The dialog with its filter set and its columns sized, not yet shown.
// `filter` is "Label (*.ppt *.pps ...)": only the label is shown.
void PreparePresentationDialog(QFileDialog& dialog, const QString& filter);

// Shows the dialog over `owner`, starting in `folder` (empty: the last
// one); the files chosen, or none.
QStringList ChoosePresentationFiles(QWidget* owner, const QString& caption, const QString& filter,
                                    const QString& folder = {});

}  // namespace orv
