// The progress window: captions, cancel by Esc or button, the disabled owner,
// and a cancel that abandons one presentation while the next one converts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "base/notifier.h"
#include "desktop_test_support.h"
#include "pipeline/lazy_presentation_server.h"
#include "ui/qt/batch_stop.h"
#include "ui/qt/progress_window.h"

namespace orv {
namespace {

const std::string kTitle = "进度    ";

TEST(ProgressWindow, CaptionFollowsThePercentageOnlyWhenItChanges) {
  QWidget owner;
  ProgressWindow window(&owner, kTitle);
  ASSERT_TRUE(window.BeginProgress());
  EXPECT_EQ(window.windowTitle().toStdString(), kTitle);

  window.SetRange(0, 10, 1);
  for (int i = 1; i <= 10; ++i) {
    window.StepIt();
    EXPECT_EQ(window.windowTitle().toStdString(), kTitle + " [" + std::to_string(i * 10) + "%]");
    EXPECT_EQ(window.bar()->value(), i);
  }

  ProgressWindow thirds(&owner, kTitle);
  thirds.BeginProgress();
  thirds.SetRange(0, 3, 1);
  thirds.SetPos(1);
  EXPECT_EQ(thirds.windowTitle().toStdString(), kTitle + " [33%]");
  thirds.SetPos(2);
  EXPECT_EQ(thirds.windowTitle().toStdString(), kTitle + " [67%]");

  ProgressWindow empty(&owner, kTitle);
  empty.BeginProgress();
  empty.SetRange(5, 5, 1);
  empty.SetPos(5);
  EXPECT_EQ(empty.lastPercent(), 0);
  EXPECT_EQ(empty.windowTitle().toStdString(), kTitle);
}

TEST(ProgressWindow, OwnerIsDisabledWhileTheWindowLives) {
  QWidget owner;
  owner.show();
  {
    ProgressWindow window(&owner, kTitle);
    window.BeginProgress();
    window.SetStatusText("正载入文件： \n/tmp/talk.ppt");
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(window.statusLabel()->text(), QString::fromUtf8("正载入文件： \n/tmp/talk.ppt"));

    // A path too long for the window loses its middle, keeps the file's name, and the tip has it whole.
    const QString path = QStringLiteral("/srv/archive/") + QString(40, QLatin1Char('x')) + "/" +
                         QString(40, QChar(0x8BFE)) + QStringLiteral("/年度 报告.pptx");
    window.SetStatusText(("正载入文件： \n" + path).toStdString());
    const QStringList lines = window.statusLabel()->text().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith("/srv/archive/") && lines[1].endsWith(QStringLiteral("年度 报告.pptx")))
        << lines[1].toStdString();
    EXPECT_LE(QFontMetrics(window.statusLabel()->font()).horizontalAdvance(lines[1]), window.statusLabel()->width());
    EXPECT_EQ(window.statusLabel()->toolTip(), "正载入文件： \n" + path);
  }
  EXPECT_TRUE(owner.isEnabled());
}

// Three windows, each owned by the next: bottom <- middle <- top. The
// progress window belongs to the bottom one.
struct OwnerChain {
  QWidget top;
  QWidget middle{&top, Qt::Window};
  QWidget bottom{&middle, Qt::Window};
};

TEST(ProgressWindow, DisablesTheLastEnabledWindowAlongTheOwners) {
  {
    // All enabled: the top one (the main window) is disabled, and with it
    // every window it owns but the progress window.
    OwnerChain chain;
    {
      ProgressWindow window(&chain.bottom, kTitle);
      ASSERT_TRUE(window.BeginProgress());
      EXPECT_TRUE(window.ownerDisabled());
      EXPECT_FALSE(chain.top.isEnabled());
      EXPECT_FALSE(chain.bottom.isEnabled());
      EXPECT_TRUE(window.isEnabled());
      // Beginning again keeps the same owner disabled.
      ASSERT_TRUE(window.BeginProgress());
      EXPECT_TRUE(window.ownerDisabled());
      EXPECT_FALSE(chain.top.isEnabled());
    }
    EXPECT_TRUE(chain.top.isEnabled());
    EXPECT_TRUE(chain.middle.isEnabled());
    EXPECT_TRUE(chain.bottom.isEnabled());
  }
  {
    // The middle one is disabled already: the chain stops below it.
    OwnerChain chain;
    chain.middle.setEnabled(false);
    chain.bottom.setEnabled(true);  // a window may be enabled under a disabled owner
    {
      ProgressWindow window(&chain.bottom, kTitle);
      ASSERT_TRUE(window.BeginProgress());
      EXPECT_TRUE(window.ownerDisabled());
      EXPECT_FALSE(chain.bottom.isEnabled());
      EXPECT_FALSE(chain.middle.isEnabled());
      EXPECT_TRUE(chain.top.isEnabled());
      EXPECT_TRUE(window.isEnabled());
    }
    EXPECT_TRUE(chain.bottom.isEnabled());
    EXPECT_FALSE(chain.middle.isEnabled());  // not ours to enable
    EXPECT_TRUE(chain.top.isEnabled());
  }
  {
    // A disabled direct owner: nothing is disabled, nothing enabled later.
    OwnerChain chain;
    chain.bottom.setEnabled(false);
    {
      ProgressWindow window(&chain.bottom, kTitle);
      ASSERT_TRUE(window.BeginProgress());
      EXPECT_FALSE(window.ownerDisabled());
      EXPECT_TRUE(chain.top.isEnabled());
      EXPECT_TRUE(window.isEnabled());
    }
    EXPECT_FALSE(chain.bottom.isEnabled());
  }
}

TEST(ProgressWindow, EscCancelsOnlyWhenAllowedAndTheWindowThenStaysGone) {
  QWidget owner;
  ProgressWindow window(&owner, kTitle);
  window.BeginProgress();
  window.SetRange(0, 10, 1);
  window.StepIt();

  QApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  window.PumpMessages(false);
  EXPECT_FALSE(window.cancelled());

  QApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  window.PumpMessages(true);
  EXPECT_TRUE(window.cancelled());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.StepIt(), 1);  // the old position, unchanged
  EXPECT_FALSE(window.isVisible());
}

TEST(ProgressWindow, AfterACancelTheWindowIsGoneOnlyWhenItHeldTheOwnerDisabled) {
  {
    QWidget owner;
    ProgressWindow window(&owner, kTitle);
    window.BeginProgress();
    window.SetRange(0, 10, 1);
    window.StepIt();
    window.SetStatusText("before");
    window.cancelButton()->click();
    EXPECT_TRUE(window.cancelled());
    EXPECT_FALSE(window.alive());
    EXPECT_FALSE(window.isVisible());
    window.SetStatusText("after");
    window.SetRange(0, 100, 5);
    EXPECT_EQ(window.StepIt(), 1);
    EXPECT_EQ(window.statusLabel()->text(), QStringLiteral("before"));
    EXPECT_EQ(window.bar()->value(), 1);
    EXPECT_EQ(window.windowTitle().toStdString(), kTitle + " [10%]");
    EXPECT_FALSE(window.isVisible());
    // The owner stays disabled until the window is destroyed.
    EXPECT_FALSE(owner.isEnabled());
  }
  {
    // Nothing disabled (the owner already was): the cancelled window is only
    // hidden, takes texts and positions, and the next position shows it.
    QWidget owner;
    owner.setEnabled(false);
    ProgressWindow window(&owner, kTitle);
    window.BeginProgress();
    window.SetRange(0, 10, 1);
    window.StepIt();
    window.cancelButton()->click();
    EXPECT_TRUE(window.cancelled());
    EXPECT_TRUE(window.alive());
    EXPECT_FALSE(window.isVisible());
    window.SetStatusText("after");
    EXPECT_EQ(window.statusLabel()->text(), QStringLiteral("after"));
    EXPECT_EQ(window.StepIt(), 1);
    EXPECT_EQ(window.bar()->value(), 2);
    EXPECT_EQ(window.windowTitle().toStdString(), kTitle + " [20%]");
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.cancelled());  // never cleared
  }
}

TEST(ProgressWindow, CancelButtonCancels) {
  QWidget owner;
  ProgressWindow window(&owner, kTitle);
  window.BeginProgress();
  EXPECT_EQ(window.cancelButton()->text(), QString::fromUtf8(" 取消"));
  window.cancelButton()->click();
  EXPECT_TRUE(window.cancelled());
}

TEST(ProgressWindow, SaysTheStepAndTheDeckAndItsStopEndsTheBatch) {
  QWidget owner;
  BatchStop batch;
  batch.Begin();
  ProgressWindow window(&owner, kTitle, &batch);
  batch.SetCurrent(&window);
  window.BeginProgress();
  window.SetStatusText("正在转换文件：  \n/tmp/talk.ppt");
  window.SetBatchPlace(2, 5);
  window.SetStage(ProgressStage::kExportingSlides, 12, 30);
  EXPECT_EQ(
      window.statusLabel()->text(),
      QString::fromUtf8("正在转换文件：  \n/tmp/talk.ppt\n正在导出第 12 张幻灯片，共 30 张\n第 2 个演示文稿，共 5 个"));

  ASSERT_NE(window.stopButton(), nullptr);
  window.stopButton()->click();
  EXPECT_TRUE(window.cancelled());
  EXPECT_TRUE(batch.requested());
}

// Two folders of slide pictures: the first one converted (the bottom entry)
// is cancelled at its first pump, the other converts normally.
TEST(ProgressWindow, CancelStopsTheCurrentPresentationWhileTheNextConverts) {
  test::ScratchFolder folder;
  for (const char* deck : {"first", "second"}) {
    for (int slide = 1; slide <= 3; ++slide) {
      QImage picture(320, 240, QImage::Format_RGB32);
      picture.fill(QColor(40 * slide, 90, 160));
      const std::string path = folder.path() + "/" + deck + "/Slide" + std::to_string(slide) + ".jpg";
      std::filesystem::create_directories(folder.path() + "/" + deck);
      ASSERT_TRUE(picture.save(QString::fromStdString(path), "JPG"));
    }
  }
  SettingsStore store(folder.path() + "/store.json");
  store.SetString("OutputDir", folder.path() + "/out");
  store.SetInt("OpenDest", 0);
  store.SetInt("GenHTML", 0);
  test::ScriptedShell shell;
  MainCommands commands(store, shell);
  commands.Start();
  commands.list().Add({folder.path() + "/first", folder.path() + "/second"});

  RecordingNotifier notifier;
  ScopedNotifier scope(notifier);
  LazyPresentationServer server;
  QWidget owner;
  owner.show();
  std::vector<std::string> started;
  std::vector<bool> cancelledAtEnd;
  std::vector<ProgressWindow*> windows;
  commands.Convert(server, [&](const std::string& path) -> std::unique_ptr<Progress> {
    started.push_back(path);
    auto window = std::make_unique<ProgressWindow>(&owner, kTitle);
    if (started.size() == 1) {
      QApplication::postEvent(window.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    }
    return window;
  });

  ASSERT_EQ(started.size(), 2u);
  EXPECT_EQ(started[0], folder.path() + "/second");  // bottom entry first
  EXPECT_TRUE(notifier.reports.empty()) << notifier.reports.front();
  EXPECT_FALSE(std::filesystem::exists(folder.path() + "/out/second.swf"));
  EXPECT_TRUE(std::filesystem::exists(folder.path() + "/out/first.swf"));
  EXPECT_TRUE(owner.isEnabled());
}

}  // namespace
}  // namespace orv
