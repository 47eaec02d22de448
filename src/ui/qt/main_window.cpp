#include "ui/qt/main_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>
#include <QWindow>

#include "base/language.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "pipeline/output_names.h"
#include "ui/qt/about_box.h"
#include "ui/qt/common_folder.h"
#include "ui/qt/options_sheet.h"
#include "ui/qt/owner_placement.h"
#include "ui/qt/presentation_dialog.h"
#include "ui/qt/progress_window.h"
#include "ui/qt/skin_button.h"
#include "ui/qt/skin_pictures.h"
#include "ui/qt/skin_region.h"

namespace orv {
namespace {

// A fixed message shown by a window itself, not through Notify.
QString Message(const char* chinese) { return QString::fromUtf8(Translate(chinese)); }

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The list well: the list, and under it the summary once there is one.
constexpr QRect kWell(238, 99, 335, 225);
constexpr int kSummaryHeight = 52;

QColor StateColour(EntryState state) {
  switch (state) {
    case EntryState::kConverting:
      return QColor(0x15, 0x65, 0xc0);
    case EntryState::kConverted:
      return QColor(0x2e, 0x7d, 0x32);
    case EntryState::kFailed:
      return QColor(0xc6, 0x28, 0x28);
    case EntryState::kCancelled:
    case EntryState::kSkipped:
      return QColor(0x6b, 0x77, 0x85);
    case EntryState::kNone:
    case EntryState::kWaiting:
      break;
  }
  return QColor(0x1d, 0x27, 0x33);
}

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
  list_->setGeometry(kWell);
  list_->setAccessibleName(tr("演示文稿列表"));
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
  outputLabel_->setAccessibleName(tr("输出目录"));

  summary_ = new QLabel(this);
  summary_->setGeometry(kWell.x(), kWell.bottom() + 1 - kSummaryHeight, kWell.width(), kSummaryHeight);
  summary_->setTextFormat(Qt::RichText);
  summary_->setWordWrap(false);
  summary_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  summary_->setStyleSheet(
      QStringLiteral("QLabel { background: #eaf1fa; color: #1d2733; border-top: 1px solid #b9c9dd;"
                     " font-size: 12px; padding: 2px 6px; }"));
  summary_->setAccessibleName(tr("转换结果"));
  summary_->hide();

  using Keys = QKeySequence;
  AddButton(QStringLiteral("minimise"), tr("最小化"), {519, 13}, tr("最小化"), Keys(Qt::ALT | Qt::Key_M),
            [this] { showMinimized(); });
  AddButton(QStringLiteral("close"), tr("关闭"), {549, 13}, tr("关闭"), Keys(Qt::ALT | Qt::Key_X),
            [this] { done(QDialog::Accepted); });
  AddButton(QStringLiteral("browse"), tr("浏览目录文件夹"), {543, 357}, tr("浏览"), Keys(Qt::ALT | Qt::Key_B),
            [this] { commands_.BrowseOutputFolder(); });
  AddButton(QStringLiteral("about"), tr("关于"), {18, 349}, tr("关于"), Keys(Qt::ALT | Qt::Key_U),
            [this] { ShowAbout(); });
  AddButton(QStringLiteral("help"), tr("帮助"), {71, 349}, tr("帮助"), Keys(Qt::ALT | Qt::Key_H),
            [this] { ShowHelp(); });
  AddButton(QStringLiteral("convert"), tr("开始执行转换操作"), {39, 232}, tr("转换"), Keys(Qt::ALT | Qt::Key_C),
            [this] { Convert(); });
  AddButton(QStringLiteral("options"), tr("转换选项"), {119, 284}, tr("选项"), Keys(Qt::ALT | Qt::Key_P),
            [this] { ShowOptions(); });
  AddButton(QStringLiteral("add"), tr("请先添加 PowerPoint 文件到列表"), {21, 164}, tr("添加"),
            Keys(Qt::ALT | Qt::Key_A), [this] { commands_.Add(); });
  AddButton(QStringLiteral("remove"), tr("移除选定文件"), {109, 164}, tr("移除"), Keys(Qt::ALT | Qt::Key_R),
            [this] { commands_.Remove(); });
  AddButton(QStringLiteral("newlist"), tr("创建空的文件列表"), {21, 96}, tr("新建列表"), Keys(Qt::ALT | Qt::Key_N),
            [this] { commands_.NewList(); });
  AddButton(QStringLiteral("openlist"), tr("打开先前保存的文件列表"), {86, 96}, tr("打开列表"),
            Keys(Qt::ALT | Qt::Key_O), [this] { commands_.OpenScheme(); });
  AddButton(QStringLiteral("savelist"), tr("保存当前文件列表"), {149, 96}, tr("保存列表"), Keys(Qt::ALT | Qt::Key_S),
            [this] { commands_.SaveScheme(); });
  SetUpKeyboard();

  commands_.Start();
}

void MainWindow::SetUpKeyboard() {
  // Tab follows the work: the list, adding and removing, converting, the
  // options and the output folder, then the list's file, help, the frame.
  QWidget* previous = list_;
  for (const char* name : {"add", "remove", "convert", "options", "browse", "newlist", "openlist", "savelist", "help",
                           "about", "minimise", "close"}) {
    QWidget* next = button(QString::fromLatin1(name));
    setTabOrder(previous, next);
    previous = next;
  }
  list_->setFocus(Qt::OtherFocusReason);

  const auto bind = [this](const QKeySequence& keys, std::function<void()> command) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, [command = std::move(command)] { command(); });
  };
  bind(QKeySequence::New, [this] { commands_.NewList(); });
  bind(QKeySequence::Open, [this] { commands_.OpenScheme(); });
  bind(QKeySequence::Save, [this] { commands_.SaveScheme(); });
  bind(QKeySequence(Qt::Key_Insert), [this] { commands_.Add(); });
  bind(QKeySequence(Qt::Key_Delete), [this] { commands_.Remove(); });
}

MainWindow::~MainWindow() = default;

SkinButton* MainWindow::AddButton(const QString& name, const QString& tooltip, QPoint position,
                                  const QString& accessibleName, const QKeySequence& keys,
                                  std::function<void()> command) {
  auto* button = new SkinButton(this);
  button->setObjectName(name);
  button->SetSkin(name);
  button->setToolTip(tooltip);
  button->setAccessibleName(accessibleName);
  button->setAccessibleDescription(tooltip);
  button->setShortcut(keys);
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
    return std::make_unique<ProgressWindow>(this, Translate(msg::kProgressTitle), &commands_.batchStop());
  });
  if (closeAfterBatch_) {
    closeAfterBatch_ = false;
    done(QDialog::Accepted);
  }
}

// ---- DesktopShell ---------------------------------------------------------------

QString MainWindow::PresentationFilter() {
  // Every kind the program converts; the dialog shows the label only.
  return tr("演示文稿 (.ppt .pps .pptx .ppsx .odp) (*.ppt *.pps *.pptx *.ppsx *.odp *.PPT *.PPS *.PPTX *.PPSX *.ODP)");
}

std::vector<std::string> MainWindow::ChoosePresentations() {
  const QStringList files = ChoosePresentationFiles(this, Message(msg::kChoosePresentations), PresentationFilter());
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
  for (const std::string& path : commands_.list().entries()) {
    auto* item = new QListWidgetItem(Text(path), list_);
    item->setData(Qt::UserRole, Text(path));
  }
  StatusesChanged();
}

void MainWindow::StatusesChanged() {
  const auto word = [](EntryState state) {
    switch (state) {
      case EntryState::kWaiting:
        return tr("等待");
      case EntryState::kConverting:
        return tr("正在转换");
      case EntryState::kConverted:
        return tr("已转换");
      case EntryState::kFailed:
        return tr("失败");
      case EntryState::kCancelled:
        return tr("已取消");
      case EntryState::kSkipped:
        return tr("已略过");
      case EntryState::kNone:
        break;
    }
    return QString();
  };
  for (int row = 0; row < list_->count(); ++row) {
    QListWidgetItem* item = list_->item(row);
    const QString path = item->data(Qt::UserRole).toString();
    const EntryStatus status = commands_.status(static_cast<std::size_t>(row));
    if (status.state == EntryState::kNone) {
      item->setText(path);
      item->setToolTip(path);
      item->setData(Qt::ForegroundRole, QVariant());
      continue;
    }
    // The state first: a long path gives up its middle, never the state.
    item->setText(QStringLiteral("[%1]  %2").arg(word(status.state), path));
    QString tip = path + QLatin1Char('\n') + word(status.state);
    if (!status.reason.empty()) tip += QLatin1Char('\n') + Text(status.reason);
    if (!status.details.empty()) tip += QStringLiteral("\n\n") + Text(status.details);
    item->setToolTip(tip);
    item->setForeground(StateColour(status.state));
  }
  ShowSummary();
  // A batch holds the event loop between its pumps: the list is painted now.
  if (isVisible()) list_->viewport()->repaint();
}

void MainWindow::ShowSummary() {
  const std::optional<BatchSummary>& summary = commands_.summary();
  list_->setGeometry(summary ? kWell.adjusted(0, 0, 0, -kSummaryHeight) : kWell);
  summary_->setVisible(summary.has_value());
  if (!summary) return;
  QString counts =
      tr("已转换 %1 个，失败 %2 个，已取消 %3 个").arg(summary->converted).arg(summary->failed).arg(summary->cancelled);
  if (summary->skipped > 0) counts += tr("，已略过 %1 个").arg(summary->skipped);
  QStringList lines{QStringLiteral("<b>%1</b>").arg(counts.toHtmlEscaped())};
  QStringList tip{counts};
  const QFontMetrics metrics(summary_->font());
  const int width = summary_->contentsRect().width() - 4;
  const auto red = [&](const QString& text) {
    return QStringLiteral("<span style=\"color:#c62828\">%1</span>")
        .arg(metrics.elidedText(text, Qt::ElideRight, width).toHtmlEscaped());
  };
  if (!summary->failures.empty()) {
    QStringList names;
    for (std::size_t row : summary->failures) {
      const std::string& path = commands_.list().entries().at(row);
      names << Text(SourceFileName(path));
      const std::string reason = commands_.status(row).reason;
      tip << Text(path) + QStringLiteral(": ") + Text(reason.substr(0, reason.find('\n')));
    }
    lines << red(tr("失败：%1").arg(names.join(tr("、"))));
  }
  if (!summary->folderNotOpened.empty()) {
    const QString text = Text(FormatMessage(msg::kOpenFolderFailed, summary->folderNotOpened));
    lines << red(text);
    tip << text;
  }
  summary_->setText(lines.join(QStringLiteral("<br>")));
  summary_->setToolTip(tip.join(QLatin1Char('\n')));
  summary_->setAccessibleDescription(tip.join(QLatin1Char('\n')));
}

ClashChoice MainWindow::ChooseForClashes(const std::vector<OutputClash>& clashes) {
  const std::vector<std::string>& entries = commands_.list().entries();
  constexpr std::size_t kShown = 8;
  QStringList lines;
  for (std::size_t k = 0; k < clashes.size() && k < kShown; ++k) {
    lines << tr("%1（与 %2 同名）").arg(Text(entries.at(clashes[k].row)), Text(entries.at(clashes[k].earlierRow)));
  }
  if (clashes.size() > kShown) lines << tr("……及另外 %1 个").arg(clashes.size() - kShown);
  QMessageBox box(QMessageBox::Question, QStringLiteral("Orvanta"),
                  tr("下列演示文稿与列表中排在前面的演示文稿同名，输出文件会互相覆盖：") + QStringLiteral("\n\n") +
                      lines.join(QLatin1Char('\n')),
                  QMessageBox::NoButton, this);
  box.setInformativeText(tr("保留文件夹结构：输出放在输出目录下与源文件相同的子文件夹中（从 %1 算起）。\n"
                            "略过后面的：每组只转换排在最前的一个。")
                             .arg(Text(CommonFolder(entries))));
  QPushButton* keep = box.addButton(tr("保留文件夹结构(&K)"), QMessageBox::AcceptRole);
  QPushButton* skip = box.addButton(tr("略过后面的(&S)"), QMessageBox::AcceptRole);
  QPushButton* cancel = box.addButton(tr("取消"), QMessageBox::RejectRole);
  box.setDefaultButton(keep);
  box.setEscapeButton(cancel);
  PlaceOverOwner(box, this);
  box.exec();
  if (box.clickedButton() == keep) return ClashChoice::kKeepFolders;
  if (box.clickedButton() == skip) return ClashChoice::kSkipLater;
  return ClashChoice::kCancel;
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

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!commands_.batchRunning()) {
    QDialog::closeEvent(event);
    return;
  }
  // The batch runs inside this window's command: it is stopped, and the
  // window closes once the command has returned.
  event->ignore();
  if (closeAfterBatch_ || !Ask(msg::kStopBatchAndClose)) return;
  closeAfterBatch_ = true;
  commands_.batchStop().Request();
}

}  // namespace orv
