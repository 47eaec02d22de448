#include "ui/qt/main_window.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <QWindow>

#include "base/language.h"
#include "base/messages.h"
#include "ui/qt/about_box.h"
#include "ui/qt/options_sheet.h"
#include "ui/qt/owner_placement.h"
#include "ui/qt/progress_window.h"
#include "ui/qt/skin_button.h"
#include "ui/qt/skin_pictures.h"
#include "ui/qt/skin_region.h"

namespace orv {
namespace {

// A fixed message shown by a window itself, not through Notify.
QString Message(const char* chinese) { return QString::fromUtf8(Translate(chinese)); }

}  // namespace

MainWindow::MainWindow(SettingsStore& store, AutomationServer& server, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint),
      store_(store),
      server_(server),
      commands_(store, *this) {
  setWindowTitle(QStringLiteral("Orvanta"));
  setWindowIcon(QPixmap::fromImage(SkinPicture(QStringLiteral("icon"))));
  setFixedSize(594, 404);

  // The outline is every background pixel that is not (near) black; without
  // a background the window stays rectangular.
  background_ = SkinPicture(QStringLiteral("background"));
  if (!background_.isNull()) setMask(RegionFromPicture(background_, SkinKey::Black));

  list_ = new QListWidget(this);
  list_->setGeometry(238, 99, 335, 225);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setSortingEnabled(false);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->setTextElideMode(Qt::ElideMiddle);
  list_->setStyleSheet(
      QStringLiteral("QListWidget { background: #fbfcfe; border: none; color: #1d2733; font-size: 12px; }"
                     "QListWidget::item { padding: 2px 4px; }"
                     "QListWidget::item:selected { background: #2f7be0; color: white; }"));

  outputLabel_ = new QLabel(this);
  outputLabel_->setGeometry(244, 364, 300, 20);
  outputLabel_->setWordWrap(false);
  outputLabel_->setAttribute(Qt::WA_TranslucentBackground);
  outputLabel_->setAutoFillBackground(false);
  outputLabel_->setStyleSheet(QStringLiteral("QLabel { color: #e9f1fb; background: transparent; }"));

  AddButton(QStringLiteral("minimise"), tr("最小化"), {519, 13}, [this] { showMinimized(); });
  AddButton(QStringLiteral("close"), tr("关闭"), {549, 13}, [this] { done(QDialog::Accepted); });
  AddButton(QStringLiteral("browse"), tr("浏览目录文件夹"), {543, 357}, [this] { commands_.BrowseOutputFolder(); });
  AddButton(QStringLiteral("about"), tr("关于"), {18, 349}, [this] { ShowAbout(); });
  AddButton(QStringLiteral("help"), tr("帮助"), {71, 349}, [this] { ShowHelp(); });
  AddButton(QStringLiteral("convert"), tr("开始执行转换操作"), {39, 232}, [this] { Convert(); });
  AddButton(QStringLiteral("options"), tr("转换选项"), {119, 284}, [this] { ShowOptions(); });
  AddButton(QStringLiteral("add"), tr("请先添加 PowerPoint 文件到列表"), {21, 164}, [this] { commands_.Add(); });
  AddButton(QStringLiteral("remove"), tr("移除选定文件"), {109, 164}, [this] { commands_.Remove(); });
  AddButton(QStringLiteral("newlist"), tr("创建空的文件列表"), {21, 96}, [this] { commands_.NewList(); });
  AddButton(QStringLiteral("openlist"), tr("打开先前保存的文件列表"), {86, 96}, [this] { commands_.OpenScheme(); });
  AddButton(QStringLiteral("savelist"), tr("保存当前文件列表"), {149, 96}, [this] { commands_.SaveScheme(); });

  commands_.Start();
}

MainWindow::~MainWindow() = default;

SkinButton* MainWindow::AddButton(const QString& name, const QString& tooltip, QPoint position,
                                  std::function<void()> command) {
  auto* button = new SkinButton(this);
  button->setObjectName(name);
  button->SetSkin(name);
  button->setToolTip(tooltip);
  button->move(position);
  connect(button, &SkinButton::clicked, this, [command = std::move(command)] { command(); });
  buttons_[name] = button;
  return button;
}

SkinButton* MainWindow::button(const QString& name) const {
  auto found = buttons_.find(name);
  return found == buttons_.end() ? nullptr : found->second;
}

std::string MainWindow::ProgramFolder() { return QCoreApplication::applicationDirPath().toStdString(); }

// ---- Commands that need windows ----------------------------------------------

void MainWindow::ShowHelp() { commands_.ShowHelp(ProgramFolder()); }

void MainWindow::ShowOptions() {
  OptionsSheet sheet(
      store_, [this] { ShowHelp(); }, this);
  PlaceOverOwner(sheet, this);
  sheet.exec();
}

void MainWindow::ShowAbout() {
  AboutBox about(this);
  PlaceOverOwner(about, this);
  about.exec();
}

void MainWindow::Convert() {
  commands_.Convert(server_, [this](const std::string&) -> std::unique_ptr<Progress> {
    return std::make_unique<ProgressWindow>(this, Translate(msg::kProgressTitle));
  });
}

// ---- DesktopShell ---------------------------------------------------------------

std::vector<std::string> MainWindow::ChoosePresentations() {
  // PowerPoint's own extensions first; the newer formats convert just as well.
  const QStringList files = QFileDialog::getOpenFileNames(
      this, Message(msg::kChoosePresentations), QString(),
      tr("PowerPoint 幻灯片(*.ppt;*.pps) (*.ppt *.PPT *.pps *.PPS *.pptx *.PPTX *.ppsx *.PPSX *.odp *.ODP)"));
  std::vector<std::string> paths;
  for (const QString& file : files) paths.push_back(file.toStdString());
  return paths;
}

std::optional<std::string> MainWindow::ChooseSchemeToSave() {
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(tr("Orvanta 方案(.p2s) (*.p2s)"));
  dialog.setDefaultSuffix(QStringLiteral("p2s"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> MainWindow::ChooseSchemeToOpen() {
  QFileDialog dialog(this, Message(msg::kChooseScheme));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(tr("Orvanta 方案(.p2s) (*.p2s)"));
  dialog.setDefaultSuffix(QStringLiteral("p2s"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> MainWindow::ChooseOutputFolder() {
  const QString folder = QFileDialog::getExistingDirectory(this, Message(msg::kChooseOutputFolder),
                                                           QString::fromStdString(commands_.outputFolder()));
  if (folder.isEmpty()) return std::nullopt;
  return folder.toStdString();
}

std::vector<int> MainWindow::SelectedRows() {
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows()) rows.push_back(index.row());
  return rows;
}

bool MainWindow::OpenWithDesktop(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void MainWindow::ListChanged() {
  list_->clear();
  for (const std::string& path : commands_.list().entries()) list_->addItem(QString::fromStdString(path));
}

void MainWindow::OutputFolderChanged() {
  outputLabel_->setText(QString::fromStdString(commands_.outputFolder()));
  outputLabel_->setToolTip(outputLabel_->text());
  // The label is transparent: the background under it is painted again.
  update(outputLabel_->geometry());
}

// ---- Painting, dragging, keys ---------------------------------------------------

void MainWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (background_.isNull()) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  painter.drawImage(QPoint(0, 0), background_);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
  // Every point that is not a control drags the window.
  if (event->button() != Qt::LeftButton) return QDialog::mousePressEvent(event);
  if (windowHandle() && windowHandle()->startSystemMove()) return;
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) move(event->globalPosition().toPoint() - dragOffset_);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  QDialog::mouseReleaseEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_F1:
      ShowHelp();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      // Only the close button or a close request ends the window.
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

}  // namespace orv
