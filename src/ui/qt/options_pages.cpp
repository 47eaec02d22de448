#include "ui/qt/options_pages.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/notifier.h"
#include "settings/settings_store.h"
#include "settings/settings_values.h"

namespace orv {
namespace {

int Flag(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

// A sub-option sits under the option it depends on, indented.
QWidget* Indented(QWidget* parent, QWidget* child) {
  auto* holder = new QWidget(parent);
  auto* row = new QHBoxLayout(holder);
  row->setContentsMargins(22, 0, 0, 0);
  row->addWidget(child);
  return holder;
}

QGroupBox* Group(const QString& title, QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  new QVBoxLayout(group);
  return group;
}

// A row of `group`: "before [spin box] after", the box showing `special` at
// its lowest value.
QSpinBox* SpinRow(QGroupBox* group, const QString& before, int low, int high, const QString& special,
                  const QString& after) {
  auto* row = new QWidget(group);
  auto* box = new QSpinBox(row);
  box->setRange(low, high);
  box->setSpecialValueText(special);
  box->setMinimumWidth(70);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(before, row));
  layout->addWidget(box);
  layout->addWidget(new QLabel(after, row));
  layout->addStretch(1);
  group->layout()->addWidget(row);
  return box;
}

// Checks one typed value with the store's rules; on failure the message is
// shown and the field takes the focus.
bool CheckTyped(std::string_view name, const QString& text, QWidget* field, int& out) {
  SettingCheckResult result = ValidateSettingValue(name, text.trimmed().toStdString());
  if (!result.value) {
    Notify(result.message);
    field->setFocus(Qt::OtherFocusReason);
    return false;
  }
  out = result.value->number;
  return true;
}

}  // namespace

void OptionsPage::LoadOnce(const SettingsStore& store) {
  if (loaded_) return;
  Load(store);
  loaded_ = true;
}

// ---- General ---------------------------------------------------------------

GeneralPage::GeneralPage(QWidget* parent) : OptionsPage(parent) {
  auto* movie = Group(tr("生成 Flash"), this);
  scale = new QCheckBox(tr("Flash窗口调整大小时进行缩放"), movie);
  notes = new QCheckBox(tr("插入讲解者注释作为附带幻灯片"), movie);
  blankEnd = new QCheckBox(tr("在结束插入空的幻灯片"), movie);
  noPrint = new QCheckBox(tr("禁用打印功能"), movie);
  align = new QCheckBox(tr("Flash 内容到左上方对齐"), movie);
  for (QCheckBox* box : {scale, notes, blankEnd, noPrint, align}) movie->layout()->addWidget(box);

  auto* after = Group(tr("转换后"), this);
  openDest = new QCheckBox(tr("打开带有输出 SWF 文件的文件夹"), after);
  after->layout()->addWidget(openDest);
  // An unattended batch goes on past its problems; the list says them afterwards.
  batchErrors = new QCheckBox(tr("转换中的问题记在列表和结果中，不逐个弹出消息框"), after);
  after->layout()->addWidget(batchErrors);

  // The windows take their language at start: a new choice shows at the next one.
  auto* speech = Group(tr("语言"), this);
  auto* row = new QWidget(speech);
  language = new QComboBox(row);
  language->addItem(tr("跟随系统"), QStringLiteral("auto"));
  // Each language by its own name, whatever the windows speak.
  language->addItem(QStringLiteral("中文"), QStringLiteral("zh"));
  language->addItem(QStringLiteral("English"), QStringLiteral("en"));
  languageNote = new QLabel(tr("重新启动后生效"), row);
  auto* rowLayout = new QHBoxLayout(row);
  rowLayout->setContentsMargins(0, 0, 0, 0);
  rowLayout->addWidget(language);
  rowLayout->addWidget(languageNote);
  rowLayout->addStretch(1);
  speech->layout()->addWidget(row);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(movie);
  layout->addWidget(after);
  layout->addWidget(speech);
  layout->addStretch(1);
  for (QCheckBox* box : {scale, notes, blankEnd, noPrint, align, openDest, batchErrors}) {
    connect(box, &QCheckBox::clicked, this, [this] {
      if (loaded()) MarkChanged();
    });
  }
  connect(language, &QComboBox::activated, this, [this] {
    if (loaded()) MarkChanged();
  });
}

void GeneralPage::Load(const SettingsStore& store) {
  StoredValues values = store.Read();
  blankEnd->setChecked(values.GetInt("BlankEnd", 0) != 0);
  unProtect_ = values.GetInt("UnProtect", 0);
  noPrint->setChecked(values.GetInt("NoPrint", 0) != 0);
  align->setChecked(values.GetInt("Align", 0) != 0);
  openDest->setChecked(values.GetInt("OpenDest", 1) != 0);
  scale->setChecked(values.GetInt("Scale", 0) != 0);
  notes->setChecked(values.GetInt("Notes", 0) != 0);
  batchErrors->setChecked(values.GetInt("BatchErrors", 0) == 1);
  // An unknown name counts as "auto", as it does at start.
  language->setCurrentIndex(
      std::max(0, language->findData(QString::fromStdString(values.GetString("Language", "auto")))));
}

bool GeneralPage::Apply(SettingsStore& store) {
  return store.SetInt("BlankEnd", Flag(blankEnd)) && store.SetInt("UnProtect", unProtect_) &&
         store.SetInt("NoPrint", Flag(noPrint)) && store.SetInt("Align", Flag(align)) &&
         store.SetInt("OpenDest", Flag(openDest)) && store.SetInt("Scale", Flag(scale)) &&
         store.SetInt("Notes", Flag(notes)) && store.SetInt("BatchErrors", Flag(batchErrors)) &&
         store.SetString("Language", language->currentData().toString().toStdString());
}

// ---- Quality ---------------------------------------------------------------

QualityPage::QualityPage(QWidget* parent) : OptionsPage(parent) {
  auto* frame = new QGroupBox(tr("帧大小"), this);
  auto* grid = new QGridLayout(frame);
  width = new QLineEdit(frame);
  height = new QLineEdit(frame);
  int row = 0;
  for (auto [label, edit] : {std::pair{tr("宽："), width}, std::pair{tr("高："), height}}) {
    edit->setMaximumWidth(80);
    grid->addWidget(new QLabel(label, frame), row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel(tr("象素"), frame), row, 2);
    ++row;
  }
  grid->setColumnStretch(3, 1);

  auto* jpeg = new QGroupBox(tr("JPEG 质量"), this);
  auto* jpegLayout = new QGridLayout(jpeg);
  quality = new QSlider(Qt::Horizontal, jpeg);
  quality->setRange(0, 100);
  quality->setTickPosition(QSlider::TicksBelow);
  quality->setTickInterval(10);
  qualityLabel = new QLabel(jpeg);
  qualityLabel->setAlignment(Qt::AlignCenter);
  jpegLayout->addWidget(new QLabel(tr("低"), jpeg), 0, 0);
  jpegLayout->addWidget(quality, 0, 1);
  jpegLayout->addWidget(new QLabel(tr("高"), jpeg), 0, 2);
  jpegLayout->addWidget(qualityLabel, 1, 1);

  auto* font = Group(tr("字体质量"), this);
  sharpFont = new QCheckBox(tr("锐化字体边缘(某些情况下可能会降低背景质量)"), font);
  font->layout()->addWidget(sharpFont);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addWidget(jpeg);
  layout->addWidget(font);
  layout->addStretch(1);

  // Only the slider reports a change; the other fields are still written.
  connect(quality, &QSlider::valueChanged, this, [this](int value) {
    qualityLabel->setText(QStringLiteral("%1%").arg(value));
    if (loaded()) MarkChanged();
  });
}

void QualityPage::Load(const SettingsStore& store) {
  StoredValues values = store.Read();
  widthValue_ = values.GetInt("Width", 640);
  heightValue_ = values.GetInt("Height", 480);
  width->setText(QString::number(widthValue_));
  height->setText(QString::number(heightValue_));
  quality->setValue(values.GetInt("JpgQlt", 90));
  qualityLabel->setText(QStringLiteral("%1%").arg(quality->value()));
  sharpFont->setChecked(values.GetInt("SharpFont", 1) != 0);
}

bool QualityPage::Validate() {
  return CheckTyped("Width", width->text(), width, widthValue_) &&
         CheckTyped("Height", height->text(), height, heightValue_);
}

bool QualityPage::Apply(SettingsStore& store) {
  return store.SetInt("Width", widthValue_) && store.SetInt("Height", heightValue_) &&
         store.SetInt("JpgQlt", quality->value()) && store.SetInt("SharpFont", Flag(sharpFont));
}

// ---- Navigation ------------------------------------------------------------

NavigationPage::NavigationPage(QWidget* parent) : OptionsPage(parent) {
  auto* panel = Group(tr("导航面板"), this);
  showPanel = new QRadioButton(tr("显示导航面板"), panel);
  hidePanel = new QRadioButton(tr("隐藏导航面板"), panel);
  insertHelp = new QCheckBox(tr("在开头插入导航帮助页面"), panel);
  panel->layout()->addWidget(showPanel);
  panel->layout()->addWidget(hidePanel);
  panel->layout()->addWidget(Indented(panel, insertHelp));
  auto* panelGroup = new QButtonGroup(this);
  panelGroup->addButton(showPanel, 0);
  panelGroup->addButton(hidePanel, 1);

  auto* play = Group(tr("自动播放"), this);
  autoStart = new QCheckBox(tr("载入 Flash 后直接转到自动播放模式"), play);
  loop = new QCheckBox(tr("无限循环"), play);
  play->layout()->addWidget(autoStart);
  play->layout()->addWidget(loop);

  auto* timing = Group(tr("自动播放间隔"), this);
  slideTimings = new QRadioButton(tr("从原始幻灯片中重新恢复延时信息"), timing);
  fixedInterval = new QRadioButton(tr("使用固定自动播放间隔"), timing);
  interval = new QSpinBox(timing);
  interval->setRange(0, 9999);
  interval->setWrapping(true);
  interval->setGroupSeparatorShown(false);
  interval->setMinimumWidth(70);
  auto* intervalRow = new QWidget(timing);
  auto* intervalLayout = new QHBoxLayout(intervalRow);
  intervalLayout->setContentsMargins(22, 0, 0, 0);
  intervalLayout->addWidget(interval);
  intervalLayout->addWidget(new QLabel(tr("秒"), intervalRow));
  intervalLayout->addStretch(1);
  timing->layout()->addWidget(slideTimings);
  timing->layout()->addWidget(fixedInterval);
  timing->layout()->addWidget(intervalRow);
  auto* timingGroup = new QButtonGroup(this);
  timingGroup->addButton(slideTimings, 0);
  timingGroup->addButton(fixedInterval, 1);

  auto* navigating = Group(tr("运行导航时"), this);
  fade = new QCheckBox(tr("启用渐隐效果"), navigating);
  navigating->layout()->addWidget(fade);

  auto* layout = new QVBoxLayout(this);
  for (QGroupBox* group : {panel, play, timing, navigating}) layout->addWidget(group);
  layout->addStretch(1);

  for (QRadioButton* radio : {showPanel, hidePanel, slideTimings, fixedInterval}) {
    connect(radio, &QRadioButton::clicked, this, [this] {
      if (!loaded()) return;
      Validate();
      UpdateEnabling();
      MarkChanged();
    });
  }
  for (QCheckBox* box : {insertHelp, autoStart, loop, fade}) {
    connect(box, &QCheckBox::clicked, this, [this] {
      if (loaded()) MarkChanged();
    });
  }
  connect(interval, &QSpinBox::textChanged, this, [this] {
    if (loaded()) MarkChanged();
  });
}

void NavigationPage::Load(const SettingsStore& store) {
  StoredValues values = store.Read();
  (values.GetInt("ShowNav", 1) == 0 ? showPanel : hidePanel)->setChecked(true);
  insertHelp->setChecked(values.GetInt("InsHelp", 0) != 0);
  autoStart->setChecked(values.GetInt("AutoStart", 0) != 0);
  loop->setChecked(values.GetInt("循环", 0) != 0);
  (values.GetInt("UsePptTime", 0) == 0 ? slideTimings : fixedInterval)->setChecked(true);
  delay_ = values.GetInt("延迟 ", 3);
  if (delay_ < 0 || delay_ > 9999) delay_ = 3;
  interval->setValue(delay_);
  fade->setChecked(values.GetInt("渐隐", 1) != 0);
  UpdateEnabling();
}

void NavigationPage::UpdateEnabling() {
  insertHelp->setEnabled(hidePanel->isChecked());
  interval->setEnabled(fixedInterval->isChecked());
}

bool NavigationPage::Validate() { return CheckTyped("延迟 ", interval->text(), interval, delay_); }

bool NavigationPage::Apply(SettingsStore& store) {
  return store.SetInt("渐隐", Flag(fade)) && store.SetInt("UsePptTime", fixedInterval->isChecked() ? 1 : 0) &&
         store.SetInt("ShowNav", hidePanel->isChecked() ? 1 : 0) && store.SetInt("InsHelp", Flag(insertHelp)) &&
         store.SetInt("延迟 ", delay_) && store.SetInt("AutoStart", Flag(autoStart)) &&
         store.SetInt("循环", Flag(loop));
}

// ---- Output ----------------------------------------------------------------

OutputPage::OutputPage(QWidget* parent) : OptionsPage(parent) {
  auto* splitGroup = Group(tr("分割幻灯片文件"), this);
  split = new QCheckBox(tr("输出每个幻灯片各自为独立的 SWF 文件"), splitGroup);
  useTitle = new QCheckBox(tr("如果可以，使用幻灯片标题作为文件名"), splitGroup);
  splitGroup->layout()->addWidget(split);
  splitGroup->layout()->addWidget(Indented(splitGroup, useTitle));

  auto* publish = Group(tr("发布"), this);
  genHtml = new QCheckBox(tr("生成 HTML 自动换行文件"), publish);
  genAutorun = new QCheckBox(tr("生成 CD 刻录的 autorun 文件"), publish);
  webPlayer = new QCheckBox(tr("网页内置 Flash 播放器 (Ruffle)"), publish);
  genHtml5 = new QCheckBox(tr("同时生成 HTML5 版本（双击即可播放）"), publish);
  genScorm = new QCheckBox(tr("SCORM 1.2 课件包 (学习平台)"), publish);
  publish->layout()->addWidget(genHtml);
  publish->layout()->addWidget(Indented(publish, genAutorun));
  publish->layout()->addWidget(Indented(publish, webPlayer));
  publish->layout()->addWidget(genHtml5);
  publish->layout()->addWidget(Indented(publish, genScorm));
  scormCompletion = SpinRow(publish, tr("看过课件中"), 1, 100, QString(), tr("% 的幻灯片即算完成"));
  publish->layout()->removeWidget(scormCompletion->parentWidget());
  publish->layout()->addWidget(Indented(publish, scormCompletion->parentWidget()));
  genIndex = new QCheckBox(tr("生成目录页 index.html（附缩略图）"), publish);
  publish->layout()->addWidget(genIndex);

  auto* videoGroup = Group(tr("视频"), this);
  genVideo = new QCheckBox(tr("同时生成视频（每张幻灯片一个章节）"), videoGroup);
  auto* videoRow = new QWidget(videoGroup);
  videoFormat = new QComboBox(videoRow);
  videoFormat->addItem(QStringLiteral("MP4 (H.264)"), 0);
  videoFormat->addItem(QStringLiteral("WebM (VP9)"), 1);
  videoHeight = new QComboBox(videoRow);
  for (const int height : {720, 1080, 2160}) videoHeight->addItem(QStringLiteral("%1p").arg(height), height);
  auto* videoRowLayout = new QHBoxLayout(videoRow);
  videoRowLayout->setContentsMargins(0, 0, 0, 0);
  videoRowLayout->addWidget(new QLabel(tr("格式"), videoRow));
  videoRowLayout->addWidget(videoFormat);
  videoRowLayout->addWidget(new QLabel(tr("大小"), videoRow));
  videoRowLayout->addWidget(videoHeight);
  videoRowLayout->addStretch(1);
  videoGroup->layout()->addWidget(genVideo);
  videoGroup->layout()->addWidget(Indented(videoGroup, videoRow));

  auto* limits = Group(tr("转换限制"), this);
  timeLimit = SpinRow(limits, tr("每个演示文稿最长"), 0, 86400, tr("不限"), tr("秒"));
  timeLimit->setGroupSeparatorShown(false);
  jobs = SpinRow(limits, tr("每个演示文稿使用"), 0, 8, tr("按处理器核心"), tr("个 LibreOffice 分担幻灯片"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitGroup);
  layout->addWidget(publish);
  layout->addWidget(videoGroup);
  layout->addWidget(limits);
  layout->addStretch(1);
  for (QSpinBox* box : {timeLimit, jobs, scormCompletion}) {
    connect(box, &QSpinBox::textChanged, this, [this] {
      if (loaded()) MarkChanged();
    });
  }

  connect(split, &QCheckBox::clicked, this, [this](bool checked) {
    if (!loaded()) return;
    UpdateEnabling();
    MarkChanged();
    if (checked) Notify(SplitNotice().toStdString());
  });
  for (QComboBox* box : {videoFormat, videoHeight}) {
    connect(box, &QComboBox::activated, this, [this] {
      if (loaded()) MarkChanged();
    });
  }
  for (QCheckBox* box : {genHtml, genHtml5, genScorm, genVideo}) {
    connect(box, &QCheckBox::clicked, this, [this] {
      if (!loaded()) return;
      UpdateEnabling();
      MarkChanged();
    });
  }
  for (QCheckBox* box : {useTitle, genAutorun, webPlayer, genIndex}) {
    connect(box, &QCheckBox::clicked, this, [this] {
      if (loaded()) MarkChanged();
    });
  }
}

QString OutputPage::SplitNotice() {
  return tr(
      "重要提示：\r\n"
      "启用该选项功能，下面选项将被忽略：\r\n"
      "\r\n"
      "1. 在结束插入空的页面；\r\n"
      "2. 显示导航面板；\r\n"
      "3. 在开始插入帮助页面；\r\n"
      "4. 生成 autorun 文件。\r\n"
      "\r\n"
      "获取更多信息，请参考帮助文档。");
}

void OutputPage::Load(const SettingsStore& store) {
  StoredValues values = store.Read();
  genHtml->setChecked(values.GetInt("GenHTML", 1) != 0);
  genAutorun->setChecked(values.GetInt("GenAutorun", 0) != 0);
  webPlayer->setChecked(values.GetInt("WebPlayer", 1) != 0);
  genHtml5->setChecked(values.GetInt("GenHTML5", 1) != 0);
  genScorm->setChecked(values.GetInt("GenScorm", 0) != 0);
  scormCompletion->setValue(values.GetInt("ScormCompletion", 100));
  split->setChecked(values.GetInt("SplitPPT", 0) != 0);
  useTitle->setChecked(values.GetInt("UseTitle", 1) != 0);
  genVideo->setChecked(values.GetInt("GenVideo", 0) != 0);
  genIndex->setChecked(values.GetInt("GenIndex", 1) != 0);
  // A stored value the boxes do not offer shows as the default.
  const int format = videoFormat->findData(values.GetInt("VideoFormat", 0));
  videoFormat->setCurrentIndex(format >= 0 ? format : 0);
  const int height = videoHeight->findData(values.GetInt("VideoHeight", 1080));
  videoHeight->setCurrentIndex(height >= 0 ? height : videoHeight->findData(1080));
  timeLimit->setValue(values.GetInt("TimeLimit", 300));
  jobs->setValue(values.GetInt("Jobs", 1));
  UpdateEnabling();
}

void OutputPage::UpdateEnabling() {
  // A disabled box keeps its state and is still written.
  genAutorun->setEnabled(genHtml->isChecked());
  webPlayer->setEnabled(genHtml->isChecked());
  useTitle->setEnabled(split->isChecked());
  genScorm->setEnabled(genHtml5->isChecked());
  scormCompletion->setEnabled(genHtml5->isChecked() && genScorm->isChecked());
  videoFormat->setEnabled(genVideo->isChecked());
  videoHeight->setEnabled(genVideo->isChecked());
}

bool OutputPage::Apply(SettingsStore& store) {
  return store.SetInt("GenHTML", Flag(genHtml)) && store.SetInt("GenAutorun", Flag(genAutorun)) &&
         store.SetInt("SplitPPT", Flag(split)) && store.SetInt("UseTitle", Flag(useTitle)) &&
         store.SetInt("WebPlayer", Flag(webPlayer)) && store.SetInt("GenHTML5", Flag(genHtml5)) &&
         store.SetInt("GenScorm", Flag(genScorm)) && store.SetInt("ScormCompletion", scormCompletion->value()) &&
         store.SetInt("GenVideo", Flag(genVideo)) && store.SetInt("VideoFormat", videoFormat->currentData().toInt()) &&
         store.SetInt("VideoHeight", videoHeight->currentData().toInt()) && store.SetInt("GenIndex", Flag(genIndex)) &&
         store.SetInt("TimeLimit", timeLimit->value()) && store.SetInt("Jobs", jobs->value());
}

}  // namespace orv
