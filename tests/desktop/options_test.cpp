// The options sheet: what each page shows on a first run, the enabling rules,
// the checks of typed values, and which values OK, Apply and Cancel write.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include "base/notifier.h"
#include "desktop_test_support.h"
#include "ui/qt/options_pages.h"
#include "ui/qt/options_sheet.h"

namespace orv {
namespace {

class OptionsTest : public ::testing::Test {
 protected:
  OptionsTest() : store(folder.path() + "/store.json"), scope(notifier) {}

  test::ScratchFolder folder;
  SettingsStore store;
  RecordingNotifier notifier;
  ScopedNotifier scope;
  int helpShown = 0;
  std::unique_ptr<OptionsSheet> Open() {
    return std::make_unique<OptionsSheet>(store, [this] { ++helpShown; });
  }
};

TEST_F(OptionsTest, OkAtOnceWritesOnlyTheGeneralPage) {
  store.SetInt("UnProtect", 7);
  auto sheet = Open();
  sheet->accept();
  StoredValues values = store.Read();
  for (const char* name : {"BlankEnd", "UnProtect", "NoPrint", "Align", "OpenDest", "Scale", "Notes", "BatchErrors"}) {
    EXPECT_TRUE(values.Has(name)) << name;
  }
  EXPECT_EQ(values.GetInt("UnProtect", 0), 7);  // written back as read
  EXPECT_EQ(values.GetInt("OpenDest", 0), 1);
  for (const char* name : {"Width", "JpgQlt", "ShowNav", "延迟 ", "GenHTML", "SplitPPT"}) {
    EXPECT_FALSE(values.Has(name)) << name;
  }
}

TEST_F(OptionsTest, NavigationPageOnAFirstRunAndItsEnablingRules) {
  auto sheet = Open();
  sheet->tabs()->setCurrentIndex(2);
  NavigationPage* nav = sheet->navigation();
  EXPECT_TRUE(nav->hidePanel->isChecked());
  EXPECT_TRUE(nav->insertHelp->isEnabled());
  EXPECT_FALSE(nav->insertHelp->isChecked());
  EXPECT_TRUE(nav->slideTimings->isChecked());
  EXPECT_EQ(nav->interval->value(), 3);
  EXPECT_FALSE(nav->interval->isEnabled());
  EXPECT_TRUE(nav->fade->isChecked());
  EXPECT_FALSE(sheet->applyButton()->isEnabled());

  nav->insertHelp->click();
  nav->showPanel->click();
  EXPECT_FALSE(nav->insertHelp->isEnabled());
  EXPECT_TRUE(nav->insertHelp->isChecked());  // disabled, not cleared
  nav->fixedInterval->click();
  EXPECT_TRUE(nav->interval->isEnabled());
  EXPECT_TRUE(sheet->applyButton()->isEnabled());

  sheet->accept();
  EXPECT_EQ(store.GetInt("ShowNav", -1), 0);
  EXPECT_EQ(store.GetInt("InsHelp", -1), 1);
  EXPECT_EQ(store.GetInt("UsePptTime", -1), 1);
  EXPECT_EQ(store.GetInt("延迟 ", -1), 3);
}

TEST_F(OptionsTest, StoredIntervalOutOfRangeShowsThreeAndAnEmptyIntervalIsRefused) {
  store.SetInt("延迟 ", 10000);
  store.SetInt("UsePptTime", 1);
  auto sheet = Open();
  sheet->tabs()->setCurrentIndex(2);
  NavigationPage* nav = sheet->navigation();
  EXPECT_EQ(nav->interval->value(), 3);

  nav->interval->findChild<QLineEdit*>()->clear();
  EXPECT_FALSE(sheet->ApplyChanges());
  EXPECT_EQ(notifier.reports, std::vector<std::string>{"请输入一正整数"});
  EXPECT_EQ(store.GetInt("延迟 ", -1), 10000);  // nothing written
  EXPECT_FALSE(store.Read().Has("BlankEnd"));
}

TEST_F(OptionsTest, OutputPageRulesAndTheSplitNotice) {
  store.SetInt("GenAutorun", 1);
  auto sheet = Open();
  sheet->tabs()->setCurrentIndex(3);
  OutputPage* out = sheet->output();
  EXPECT_TRUE(out->genAutorun->isEnabled());
  EXPECT_FALSE(out->useTitle->isEnabled());
  EXPECT_TRUE(out->useTitle->isChecked());  // "UseTitle" defaults to 1

  out->genHtml->click();
  EXPECT_FALSE(out->genAutorun->isEnabled());
  EXPECT_TRUE(out->genAutorun->isChecked());

  out->split->click();  // checked: the notice
  ASSERT_EQ(notifier.reports.size(), 1u);
  EXPECT_EQ(notifier.reports[0],
            "重要提示：\r\n启用该选项功能，下面选项将被忽略：\r\n\r\n1. 在结束插入空的页面；\r\n2. 显示导航面板；\r\n"
            "3. 在开始插入帮助页面；\r\n4. 生成 autorun 文件。\r\n\r\n获取更多信息，请参考帮助文档。");
  EXPECT_TRUE(out->useTitle->isEnabled());
  out->split->click();  // unchecked: nothing
  EXPECT_EQ(notifier.reports.size(), 1u);

  // LibreOffices per presentation: 1 by default, 0 reads as one per core.
  EXPECT_EQ(out->jobs->value(), 1);
  out->jobs->setValue(0);
  EXPECT_EQ(out->jobs->text(), QStringLiteral("按处理器核心"));

  // The SCORM package is made of the HTML5 version: its box follows that one's.
  // The share of slides that completes a lesson follows the package's box.
  EXPECT_TRUE(out->genScorm->isEnabled());
  EXPECT_FALSE(out->genScorm->isChecked());
  EXPECT_FALSE(out->scormCompletion->isEnabled());
  EXPECT_EQ(out->scormCompletion->value(), 100);
  out->genScorm->click();
  EXPECT_TRUE(out->scormCompletion->isEnabled());
  out->scormCompletion->setValue(80);
  out->genHtml5->click();
  EXPECT_FALSE(out->genScorm->isEnabled());
  EXPECT_FALSE(out->scormCompletion->isEnabled());
  EXPECT_TRUE(out->genScorm->isChecked());
  out->genHtml5->click();

  sheet->accept();
  EXPECT_EQ(store.GetInt("GenHTML", -1), 0);
  EXPECT_EQ(store.GetInt("GenAutorun", -1), 1);
  EXPECT_EQ(store.GetInt("SplitPPT", -1), 0);
  EXPECT_EQ(store.GetInt("UseTitle", -1), 1);
  EXPECT_EQ(store.GetInt("Jobs", -1), 0);
  EXPECT_EQ(store.GetInt("GenScorm", -1), 1);
  EXPECT_EQ(store.GetInt("ScormCompletion", -1), 80);
}

TEST_F(OptionsTest, WebPlayerBoxFollowsThePageBoxAndIsWrittenWithIt) {
  store.SetInt("WebPlayer", 0);
  auto sheet = Open();
  sheet->tabs()->setCurrentIndex(3);
  OutputPage* out = sheet->output();
  EXPECT_TRUE(out->webPlayer->isEnabled());
  EXPECT_FALSE(out->webPlayer->isChecked());
  out->webPlayer->click();
  EXPECT_TRUE(sheet->ApplyChanges());
  EXPECT_EQ(store.GetInt("WebPlayer", -1), 1);

  // Without a page there is nothing to play in: the box greys out but keeps its state.
  out->genHtml->click();
  EXPECT_FALSE(out->webPlayer->isEnabled());
  EXPECT_TRUE(out->webPlayer->isChecked());
  sheet->accept();
  EXPECT_EQ(store.GetInt("GenHTML", -1), 0);
  EXPECT_EQ(store.GetInt("WebPlayer", -1), 1);
}

TEST_F(OptionsTest, Html5BoxIsOnByDefaultAndStaysUsableWithoutThePage) {
  auto sheet = Open();
  sheet->tabs()->setCurrentIndex(3);
  OutputPage* out = sheet->output();
  EXPECT_EQ(out->genHtml5->text(), QStringLiteral("同时生成 HTML5 版本（双击即可播放）"));
  EXPECT_TRUE(out->genHtml5->isChecked());
  EXPECT_FALSE(sheet->applyButton()->isEnabled());
  out->genHtml5->click();
  EXPECT_TRUE(sheet->applyButton()->isEnabled());
  // The twin lies beside the movie, not the page: no page does not grey it out.
  out->genHtml->click();
  EXPECT_TRUE(out->genHtml5->isEnabled());
  sheet->accept();
  EXPECT_EQ(store.GetInt("GenHTML5", -1), 0);
  EXPECT_EQ(store.GetInt("GenHTML", -1), 0);
}

TEST_F(OptionsTest, FrameSizeIsCheckedWhenLeavingThePageAndTheFieldGetsTheFocus) {
  auto sheet = Open();
  sheet->show();
  sheet->tabs()->setCurrentIndex(1);
  QualityPage* quality = sheet->quality();
  EXPECT_EQ(quality->width->text(), QStringLiteral("640"));
  EXPECT_EQ(quality->qualityLabel->text(), QStringLiteral("90%"));

  // Typing in the size fields does not enable Apply; the slider does.
  quality->width->setText(QStringLiteral("15"));
  EXPECT_FALSE(sheet->applyButton()->isEnabled());
  sheet->tabs()->setCurrentIndex(2);
  EXPECT_EQ(sheet->tabs()->currentIndex(), 1);  // kept on the page
  EXPECT_EQ(notifier.reports, std::vector<std::string>{"请输入一个16到2048间的整数"});
  EXPECT_EQ(sheet->focusWidget(), quality->width);

  notifier.reports.clear();
  quality->width->setText(QStringLiteral("2049"));
  EXPECT_FALSE(sheet->ApplyChanges());
  quality->width->setText(QStringLiteral("abc"));
  EXPECT_FALSE(sheet->ApplyChanges());
  quality->width->setText(QStringLiteral("16"));
  quality->height->setText(QStringLiteral("2048"));
  EXPECT_EQ(notifier.reports, (std::vector<std::string>{"请输入一个16到2048间的整数", "请输入一个整数"}));

  quality->quality->setValue(75);
  EXPECT_EQ(quality->qualityLabel->text(), QStringLiteral("75%"));
  EXPECT_TRUE(sheet->applyButton()->isEnabled());
  sheet->applyButton()->click();
  EXPECT_FALSE(sheet->applyButton()->isEnabled());
  EXPECT_EQ(store.GetInt("Width", 0), 16);
  EXPECT_EQ(store.GetInt("Height", 0), 2048);
  EXPECT_EQ(store.GetInt("JpgQlt", 0), 75);
  EXPECT_EQ(store.GetInt("SharpFont", -1), 1);

  // Cancel keeps what Apply wrote and drops what changed since.
  quality->quality->setValue(20);
  sheet->reject();
  EXPECT_EQ(store.GetInt("JpgQlt", 0), 75);
}

TEST_F(OptionsTest, ASettingThatCannotBeSavedIsSaidOnceAndTheSheetStaysOpen) {
  const std::string blocker = folder.Write("blocker", "a file where the settings folder should be");
  SettingsStore blocked(blocker + "/Velloran/Orvanta.json");
  OptionsSheet sheet(blocked, [] {});
  sheet.show();
  sheet.general()->batchErrors->click();
  sheet.accept();
  EXPECT_TRUE(sheet.isVisible());
  EXPECT_EQ(notifier.reports,
            std::vector<std::string>{"无法保存设置到 " + blocked.path() + " ：" + std::strerror(ENOTDIR)});
}

TEST_F(OptionsTest, HelpButtonAndF1OpenTheGuide) {
  auto sheet = Open();
  sheet->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
  QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
  QApplication::sendEvent(sheet.get(), &f1);
  EXPECT_EQ(helpShown, 2);
}

}  // namespace
}  // namespace orv
