// The main window: a frameless 594 x 404 dialog cut to the outline of its
// background picture, with the file list, the output folder label and twelve
// picture buttons. The commands themselves live in MainCommands; this class
// supplies the dialogs and keeps the views in step: each entry's status in
// the list, and the last batch's summary under it. Every button is reached
// with Tab and has an Alt+letter; Ctrl+N, Ctrl+O and Ctrl+S are the list's,
// Insert adds and Delete removes.
#pragma once

#include <functional>
#include <map>
#include <memory>

#include <QDialog>
#include <QImage>
#include <QPoint>

#include "ui/qt/main_commands.h"

class QKeySequence;
class QLabel;
class QListWidget;

namespace orv {

class AutomationServer;
class SettingsStore;
class SkinButton;

class MainWindow final : public QDialog, private DesktopShell {
  Q_OBJECT

 public:
  MainWindow(SettingsStore& store, AutomationServer& server, QWidget* parent = nullptr);
  ~MainWindow() override;

  MainCommands& commands() { return commands_; }
  QListWidget* listView() const { return list_; }
  QLabel* outputLabel() const { return outputLabel_; }
  // The last batch's counts and failures; hidden until there is a batch.
  QLabel* summaryLabel() const { return summary_; }
  // The buttons by skin name ("add", "convert", ...).
  SkinButton* button(const QString& name) const;
  const QImage& background() const { return background_; }

  // The folder the program runs from, where its help is looked for.
  static std::string ProgramFolder();
  // The Add dialog's filter: every kind of presentation the program takes.
  static QString PresentationFilter();

  // The list view shows the command's list again.
  void RefreshList() { ListChanged(); }

  void ShowHelp();
  void ShowOptions();
  void ShowAbout();
  void Convert();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // During a batch: asks whether to stop it; the window closes once it has stopped.
  void closeEvent(QCloseEvent* event) override;

 private:
  // DesktopShell
  std::vector<std::string> ChoosePresentations() override;
  std::optional<std::string> ChooseSchemeToSave() override;
  std::optional<std::string> ChooseSchemeToOpen() override;
  std::optional<std::string> ChooseOutputFolder() override;
  std::vector<int> SelectedRows() override;
  bool OpenWithDesktop(const std::string& path) override;
  void ListChanged() override;
  void OutputFolderChanged() override;
  void StatusesChanged() override;
  ClashChoice ChooseForClashes(const std::vector<OutputClash>& clashes) override;

  // `name` is what assistive technology reads, `keys` the button's Alt+letter.
  SkinButton* AddButton(const QString& name, const QString& tooltip, QPoint position, const QString& accessibleName,
                        const QKeySequence& keys, std::function<void()> command);
  void SetUpKeyboard();
  void ShowSummary();

  SettingsStore& store_;
  AutomationServer& server_;
  MainCommands commands_;
  QImage background_;
  QListWidget* list_;
  QLabel* outputLabel_;
  QLabel* summary_;
  // The window closes once the batch it was closed during has stopped.
  bool closeAfterBatch_ = false;
  std::map<QString, SkinButton*> buttons_;
  bool dragging_ = false;
  QPoint dragOffset_;
};

}  // namespace orv
