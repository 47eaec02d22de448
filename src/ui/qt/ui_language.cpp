#include "ui/qt/ui_language.h"

#include <memory>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "settings/settings_store.h"

namespace orv {
namespace {

// Replaced on each switch, so that the last language alone speaks.
std::unique_ptr<QTranslator> g_windows;
std::unique_ptr<QTranslator> g_qt;

std::unique_ptr<QTranslator> Install(const QString& file, const QString& folder) {
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(file, folder) || !QCoreApplication::installTranslator(translator.get())) return nullptr;
  return translator;
}

}  // namespace

QString QtCatalogName(UiLanguage language) {
  return language == UiLanguage::kChinese ? QStringLiteral("qtbase_zh_CN.qm") : QStringLiteral("qtbase_en.qm");
}

UiLanguage SetUiLanguage(UiLanguage language) {
  UseLanguage(language);
  const UiLanguage used = CurrentLanguage();
  for (auto* translator : {&g_windows, &g_qt}) {
    if (*translator) QCoreApplication::removeTranslator(translator->get());
    translator->reset();
  }
  // Chinese is the windows' own language: only English needs a catalog.
  if (used == UiLanguage::kEnglish) g_windows = Install(QStringLiteral("orvanta_en.qm"), QStringLiteral(":/i18n"));
  g_qt = Install(QtCatalogName(used), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  return used;
}

UiLanguage SettleUiLanguage(const SettingsStore& store) {
  return SetUiLanguage(ResolveLanguage(store.GetString("Language", "auto")));
}

}  // namespace orv
