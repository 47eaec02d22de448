// Outlines from pictures, the two skin sets, the main window's shape and
// buttons, its keys, and the About box's links.
#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>

#include "base/language.h"
#include "base/notifier.h"
#include "desktop_test_support.h"
#include "pipeline/lazy_presentation_server.h"
#include "ui/qt/about_box.h"
#include "ui/qt/main_window.h"
#include "ui/qt/skin_button.h"
#include "ui/qt/skin_pictures.h"
#include "ui/qt/skin_region.h"

namespace orv {
namespace {

TEST(SkinRegion, BlackKeyCutsNearBlackPixelsOnly) {
  QImage picture(4, 2, QImage::Format_RGB32);
  picture.fill(qRgb(200, 200, 200));
  picture.setPixel(0, 0, qRgb(16, 16, 16));  // cut
  picture.setPixel(1, 0, qRgb(17, 0, 0));    // stays
  picture.setPixel(3, 1, qRgb(0, 0, 0));     // cut
  const QRegion region = RegionFromPicture(picture, SkinKey::Black);
  EXPECT_FALSE(region.contains(QPoint(0, 0)));
  EXPECT_TRUE(region.contains(QPoint(1, 0)));
  EXPECT_TRUE(region.contains(QPoint(3, 0)));
  EXPECT_FALSE(region.contains(QPoint(3, 1)));
  EXPECT_TRUE(region.contains(QPoint(0, 1)));
}

TEST(SkinRegion, MaskRunsEndAtTheRowsLastPixelAndNeverJoinRows) {
  QImage mask(3, 2, QImage::Format_RGB32);
  mask.fill(Qt::white);
  mask.setPixel(1, 0, qRgb(0, 0, 0));
  mask.setPixel(2, 0, qRgb(0, 0, 0));
  mask.setPixel(0, 1, qRgb(254, 255, 255));  // not exactly white: inside
  const QRegion region = RegionFromPicture(mask, SkinKey::White);
  EXPECT_EQ(region, QRegion(1, 0, 2, 1) + QRegion(0, 1, 1, 1));
}

// The English set mirrors the Chinese one: the same pictures and sizes, the
// same masks and window outline. On every button face of both sets the glyph
// and label (the near-white ink; faces, gloss and edges stay below) lie
// inside the button's shape with a margin, so nothing runs over its edge or
// is cut off; only the labelled faces differ between the sets.
TEST(SkinPictures, EnglishSetMirrorsTheChineseWithTheCaptionsInsideTheButtons) {
  const QStringList names = QDir(QStringLiteral(":/skin")).entryList(QDir::Files);
  ASSERT_EQ(names.size(), 3 + 12 * 4);
  ASSERT_EQ(QDir(QStringLiteral(":/skin/en")).entryList(QDir::Files), names);
  const QStringList labelled = {"convert", "options", "add", "remove", "newlist", "openlist", "savelist"};
  for (const QString& file : names) {
    const QString name = file.chopped(4);
    SCOPED_TRACE(name.toStdString());
    const QImage chinese = SkinPicture(name, UiLanguage::kChinese);
    const QImage english = SkinPicture(name, UiLanguage::kEnglish);
    ASSERT_EQ(english.size(), chinese.size());
    const QString button = name.section(QLatin1Char('_'), 0, 0);
    if (name.endsWith(QStringLiteral("_mask"))) {
      EXPECT_EQ(english, chinese);
    }
    if (!name.contains(QLatin1Char('_')) || name.endsWith(QStringLiteral("_mask"))) continue;
    EXPECT_EQ(english != chinese, labelled.contains(button));
    const QImage mask = SkinPicture(button + QStringLiteral("_mask"), UiLanguage::kChinese);
    const auto inside = [&](int x, int y) {
      return mask.rect().contains(x, y) && !MatchesKey(mask.pixel(x, y), SkinKey::White);
    };
    for (const QImage& face : {chinese, english}) {
      int ink = 0;
      for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x) {
          const QRgb p = face.pixel(x, y);
          if (std::min({qRed(p), qGreen(p), qBlue(p)}) < 240) continue;
          ++ink;
          ASSERT_TRUE(inside(x - 2, y) && inside(x + 2, y) && inside(x, y - 2) && inside(x, y + 2)) << x << "," << y;
        }
      }
      EXPECT_TRUE(ink > 0 || !labelled.contains(button));
    }
  }
  EXPECT_EQ(RegionFromPicture(SkinPicture(QStringLiteral("background"), UiLanguage::kEnglish), SkinKey::Black),
            RegionFromPicture(SkinPicture(QStringLiteral("background"), UiLanguage::kChinese), SkinKey::Black));
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : store(folder.path() + "/store.json"), scope(notifier) {
    store.SetString("OutputDir", folder.path() + "/out");
  }
  test::ScratchFolder folder;
  SettingsStore store;
  LazyPresentationServer server;
  RecordingNotifier notifier;
  ScopedNotifier scope;
};

TEST_F(MainWindowTest, OutlineIsTheBackgroundWithoutItsBlackPixels) {
  MainWindow window(store, server);
  EXPECT_EQ(window.size(), QSize(594, 404));
  const QImage background = window.background();
  ASSERT_EQ(background.size(), QSize(593, 403));
  const QRegion mask = window.mask();
  int cut = 0;
  for (int y = 0; y < 404; ++y) {
    for (int x = 0; x < 594; ++x) {
      const bool inPicture = x < 593 && y < 403;
      const bool expected = inPicture && !MatchesKey(background.pixel(x, y), SkinKey::Black);
      ASSERT_EQ(mask.contains(QPoint(x, y)), expected) << x << "," << y;
      cut += expected ? 0 : 1;
    }
  }
  // The rounded corners are cut away, the body is kept.
  EXPECT_FALSE(mask.contains(QPoint(0, 0)));
  EXPECT_TRUE(mask.contains(QPoint(300, 200)));
  EXPECT_GT(cut, 594 + 404);
}

TEST_F(MainWindowTest, ControlsSitWhereTheLayoutPutsThemWithTheirPictureSizes) {
  MainWindow window(store, server);
  EXPECT_EQ(window.listView()->geometry(), QRect(238, 99, 335, 225));
  EXPECT_EQ(window.listView()->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(window.outputLabel()->geometry(), QRect(244, 364, 300, 20));
  EXPECT_EQ(window.outputLabel()->text().toStdString(), folder.path() + "/out");
  struct Expected {
    const char* name;
    QRect geometry;
    const char* tooltip;
  };
  const Expected buttons[] = {
      {"minimise", {519, 13, 27, 27}, "最小化"},
      {"close", {549, 13, 27, 27}, "关闭"},
      {"browse", {543, 357, 32, 29}, "浏览目录文件夹"},
      {"about", {18, 349, 40, 40}, "关于"},
      {"help", {71, 349, 40, 40}, "帮助"},
      {"convert", {39, 232, 88, 88}, "开始执行转换操作"},
      {"options", {119, 284, 88, 36}, "转换选项"},
      {"add", {21, 164, 88, 36}, "请先添加 PowerPoint 文件到列表"},
      {"remove", {109, 164, 105, 36}, "移除选定文件"},
      {"newlist", {21, 96, 65, 36}, "创建空的文件列表"},
      {"openlist", {86, 96, 63, 36}, "打开先前保存的文件列表"},
      {"savelist", {149, 96, 64, 36}, "保存当前文件列表"},
  };
  for (const Expected& e : buttons) {
    SkinButton* button = window.button(QString::fromLatin1(e.name));
    ASSERT_NE(button, nullptr) << e.name;
    EXPECT_EQ(button->geometry(), e.geometry) << e.name;
    EXPECT_EQ(button->toolTip().toStdString(), e.tooltip);
    // Shaped by the mask: the corner of a round or rounded button is outside.
    EXPECT_FALSE(button->mask().isEmpty()) << e.name;
    EXPECT_FALSE(button->mask().contains(QPoint(0, 0))) << e.name;
    EXPECT_TRUE(button->mask().contains(QPoint(e.geometry.width() / 2, e.geometry.height() / 2))) << e.name;
  }
}

TEST_F(MainWindowTest, EnterAndEscLeaveTheWindowOpenAndF1LooksForTheGuide) {
  MainWindow window(store, server);
  window.show();
  for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&window, &press);
    EXPECT_TRUE(window.isVisible());
  }
  QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
  QApplication::sendEvent(&window, &f1);
  // The test program has no guide beside it.
  EXPECT_EQ(notifier.reports, std::vector<std::string>{"找不到帮助文件 - Orvanta.html!"});
  window.button(QStringLiteral("close"))->click();
  EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, EveryButtonTakesTheKeyboardInTabOrderWithANameAndItsKeys) {
  MainWindow window(store, server);
  QStringList order;
  for (QWidget* w = window.listView()->nextInFocusChain(); w != window.listView(); w = w->nextInFocusChain()) {
    auto* button = qobject_cast<SkinButton*>(w);
    if (button == nullptr) continue;
    order << button->objectName();
    EXPECT_FALSE(button->accessibleName().isEmpty() || button->shortcut().isEmpty()) << order.back().toStdString();
  }
  EXPECT_EQ(order.join(QLatin1Char(' ')),
            QStringLiteral("add remove convert options browse newlist openlist savelist help about minimise close"));
}

TEST_F(MainWindowTest, ListViewMirrorsTheCommands) {
  MainWindow window(store, server);
  std::vector<std::string> paths = {folder.Write("a.ppt", "x"), folder.Write("b.ppt", "x"), folder.Write("c.ppt", "x")};
  window.commands().list().Replace(paths);
  window.commands().NewList();  // loaded, unchanged: no question, and the view empties
  EXPECT_EQ(window.listView()->count(), 0);
  EXPECT_TRUE(notifier.questions.empty());
}

TEST_F(MainWindowTest, EnglishSpeakersGetTheEnglishSkin) {
  ASSERT_TRUE(UseLanguage(UiLanguage::kEnglish)) << "no English catalog found";
  const QImage background = MainWindow(store, server).background();
  UseLanguage(UiLanguage::kChinese);
  EXPECT_EQ(background, SkinPicture(QStringLiteral("background"), UiLanguage::kEnglish));
  EXPECT_NE(background, SkinPicture(QStringLiteral("background"), UiLanguage::kChinese));
}

TEST(AboutBox, LinksAndTheirFailureMessage) {
  RecordingNotifier notifier;
  ScopedNotifier scope(notifier);
  AboutBox about;
  EXPECT_EQ(about.windowTitle(), QString::fromUtf8("关于"));
  EXPECT_TRUE(about.mailLink()->text().contains(QStringLiteral("subject=Orvanta%20Feedback")));
  EXPECT_TRUE(about.webLink()->text().contains(QStringLiteral("https://www.velloran.com/")));

  QString tried;
  EXPECT_FALSE(OpenHyperlink(AboutBox::MailUrl(), [&](const QString& url) {
    tried = url;
    return false;
  }));
  EXPECT_EQ(tried, QStringLiteral("mailto:orvanta-support@velloran.com?subject=Orvanta%20Feedback"));
  EXPECT_EQ(notifier.reports,
            std::vector<std::string>{"Unable to open hyperlink:\n\nThere is no application associated\n"
                                     "with the given filename extension."});
  EXPECT_EQ(HyperlinkFailureReason(77), "Unknown Error (77) occurred.");
}

}  // namespace
}  // namespace orv
