// The windows in each language: every English text translated and no text
// cut off, in every window; the language choice on the General page; the
// language settled from the stored value; Qt's own dialog texts.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLibraryInfo>
#include <QTabWidget>

#include "base/language.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "desktop_test_support.h"
#include "pipeline/lazy_presentation_server.h"
#include "text_fit.h"
#include "ui/qt/about_box.h"
#include "ui/qt/main_window.h"
#include "ui/qt/options_pages.h"
#include "ui/qt/options_sheet.h"
#include "ui/qt/progress_window.h"
#include "ui/qt/ui_language.h"

namespace orv {
namespace {

// The windows made while it lives speak `language`; the tests' own
// language, Chinese, is back afterwards.
struct LanguageScope {
  explicit LanguageScope(UiLanguage language) : used(SetUiLanguage(language)) {}
  ~LanguageScope() { SetUiLanguage(UiLanguage::kChinese); }
  UiLanguage used;
};

bool HasChinese(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) {
    const char16_t code = c.unicode();
    return (code >= 0x4E00 && code <= 0x9FFF) || (code >= 0x3000 && code <= 0x303F) || code >= 0xFF00;
  });
}

// Every text of `window` that a person reads but the languages' own names.
QStringList ShownTexts(const QWidget& window) {
  QStringList texts{window.windowTitle()};
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    texts << widget->toolTip();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) texts << label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) texts << button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) texts << group->title();
    if (const auto* spin = qobject_cast<const QSpinBox*>(widget)) texts << spin->specialValueText();
    if (const auto* tabs = qobject_cast<const QTabBar*>(widget)) {
      for (int i = 0; i < tabs->count(); ++i) texts << tabs->tabText(i);
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
      for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemData(i) != QStringLiteral("zh")) texts << combo->itemText(i);
      }
    }
  }
  return texts;
}

class WindowsTest : public ::testing::Test {
 protected:
  WindowsTest() : store(folder.path() + "/store.json"), scope(notifier) {
    store.SetString("OutputDir", folder.path() + "/out");
  }

  // Each window as the user meets it.
  std::vector<std::pair<const char*, std::function<std::unique_ptr<QWidget>()>>> Windows() {
    auto sheet = [this](int page) {
      auto made = std::make_unique<OptionsSheet>(store, [] {});
      made->tabs()->setCurrentIndex(page);
      return made;
    };
    return {
        {"main window", [this] { return std::make_unique<MainWindow>(store, server); }},
        {"options, general", [=] { return sheet(0); }},
        {"options, quality", [=] { return sheet(1); }},
        {"options, navigation", [=] { return sheet(2); }},
        {"options, output", [=] { return sheet(3); }},
        {"progress",
         [] {
           auto progress = std::make_unique<ProgressWindow>(nullptr, Translate(msg::kProgressTitle));
           // The longest status, with a short file name.
           progress->SetStatusText(FormatMessage(msg::kAnalysingNotes, "/tmp/talk.ppt"));
           return progress;
         }},
        {"about", [] { return std::make_unique<AboutBox>(); }},
    };
  }

  test::ScratchFolder folder;
  SettingsStore store;
  LazyPresentationServer server;
  RecordingNotifier notifier;
  ScopedNotifier scope;
};

TEST_F(WindowsTest, EveryWindowIsTranslatedAndCutsNoTextOff) {
  for (UiLanguage language : {UiLanguage::kEnglish, UiLanguage::kChinese}) {
    LanguageScope speaking(language);
    ASSERT_EQ(speaking.used, language) << "no English message catalog found";
    for (const auto& [name, make] : Windows()) {
      SCOPED_TRACE(std::string(LanguageName(language)) + ", " + name);
      std::unique_ptr<QWidget> window = make();
      window->show();
      QApplication::processEvents();
      if (language == UiLanguage::kEnglish) {
        for (const QString& text : ShownTexts(*window)) EXPECT_FALSE(HasChinese(text)) << text.toStdString();
      }
      EXPECT_EQ(test::CutTexts(*window).join(QLatin1Char('\n')).toStdString(), "");
    }
  }
}

TEST_F(WindowsTest, EnglishComesFromBothCatalogsAndGoesAgain) {
  {
    LanguageScope english(UiLanguage::kEnglish);
    EXPECT_EQ(OptionsSheet(store, [] {}).applyButton()->text(), QStringLiteral("&Apply"));
    EXPECT_TRUE(OutputPage::SplitNotice().startsWith(QStringLiteral("Important:\r\nWith this option on")));
    // A fixed message that the window shows itself comes from gettext.
    EXPECT_EQ(ProgressWindow(nullptr).cancelButton()->text(), QStringLiteral(" Cancel"));
  }
  EXPECT_EQ(OptionsSheet(store, [] {}).applyButton()->text(), QString::fromUtf8("应用(&A)"));
  EXPECT_EQ(ProgressWindow(nullptr).cancelButton()->text(), QString::fromUtf8(" 取消"));
}

TEST_F(WindowsTest, LanguageChoiceIsReadAndStored) {
  const std::pair<const char*, int> cases[] = {{nullptr, 0}, {"auto", 0}, {"zh", 1}, {"en", 2}, {"fr", 0}};
  for (const auto& [stored, shown] : cases) {
    SCOPED_TRACE(stored != nullptr ? stored : "(none)");
    store.Clear();
    if (stored != nullptr) store.SetString("Language", stored);
    EXPECT_EQ(OptionsSheet(store, [] {}).general()->language->currentIndex(), shown);
  }

  store.Clear();
  OptionsSheet sheet(store, [] {});
  QComboBox* language = sheet.general()->language;
  language->setCurrentIndex(2);
  emit language->activated(2);
  EXPECT_TRUE(sheet.applyButton()->isEnabled());
  sheet.accept();
  EXPECT_EQ(store.GetString("Language", ""), "en");
}

TEST_F(WindowsTest, StoredLanguageIsSettledAtStart) {
  for (auto [stored, expected] : {std::pair{"en", UiLanguage::kEnglish}, std::pair{"zh", UiLanguage::kChinese}}) {
    store.SetString("Language", stored);
    EXPECT_EQ(SettleUiLanguage(store), expected) << stored;
    EXPECT_EQ(AboutBox().windowTitle(), QString::fromUtf8(stored == std::string("en") ? "About" : "关于"));
  }
}

// The check itself: each kind of widget it reads reports a text that its
// widget, at half its size, cuts off, and none at its full size.
TEST(TextFit, EachKindOfWidgetReportsACutText) {
  const QString text = QStringLiteral("Play automatically as soon as the movie has loaded");
  const std::function<QWidget*(QWidget*)> kinds[] = {
      [&](QWidget* parent) { return new QLabel(text, parent); },
      [&](QWidget* parent) { return new QCheckBox(text, parent); },
      [&](QWidget* parent) { return new QPushButton(QStringLiteral("&") + text, parent); },
      [&](QWidget* parent) { return new QGroupBox(text, parent); },
      [&](QWidget* parent) {
        auto* box = new QSpinBox(parent);
        box->setSpecialValueText(text);
        return box;
      },
      [&](QWidget* parent) {
        auto* box = new QComboBox(parent);
        box->addItems({QStringLiteral("none"), text});
        return box;
      },
  };
  for (const auto& make : kinds) {
    QWidget window;
    QWidget* widget = make(&window);
    SCOPED_TRACE(widget->metaObject()->className());
    window.show();
    const QSize fits = widget->sizeHint().expandedTo(widget->minimumSizeHint());
    widget->resize(fits);
    EXPECT_TRUE(test::CutTexts(window).isEmpty()) << test::CutTexts(window).join(QLatin1Char('\n')).toStdString();
    widget->resize(fits.width() / 2, fits.height());
    EXPECT_EQ(test::CutTexts(window).size(), 1);
  }
}

TEST(QtCatalogs, StandardButtonsSpeakTheWindowsLanguage) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!QFile::exists(folder + QLatin1Char('/') + QtCatalogName(UiLanguage::kChinese))) {
    GTEST_SKIP() << "Qt's Chinese catalog is not installed (qt6-translations-l10n)";
  }
  auto yes = [] { return QDialogButtonBox(QDialogButtonBox::Yes).button(QDialogButtonBox::Yes)->text(); };
  SetUiLanguage(UiLanguage::kChinese);
  EXPECT_TRUE(HasChinese(yes())) << yes().toStdString();
  LanguageScope english(UiLanguage::kEnglish);
  EXPECT_EQ(yes(), QStringLiteral("&Yes"));
}

}  // namespace
}  // namespace orv
