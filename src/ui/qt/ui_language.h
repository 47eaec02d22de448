// The windows' language. The texts of the windows are Chinese in the code
// and translated by Qt (translations/orvanta_en.ts, built in as
// ":/i18n/orvanta_en.qm"); the fixed messages by gettext (base/language.h);
// the standard dialogs by Qt's own catalogs, when installed.
#pragma once

#include <QString>

#include "base/language.h"

namespace orv {

class SettingsStore;

// Qt's own catalog for the standard dialogs: "qtbase_zh_CN.qm" or
// "qtbase_en.qm" (the latter carries the English plural forms).
QString QtCatalogName(UiLanguage language);

// Makes `language` the one of the fixed messages and of every window made
// from now on. Returns the language in effect: Chinese when English was
// asked but its message catalog is missing, so that windows and messages
// never speak two languages. A missing catalog of Qt's own is no error.
UiLanguage SetUiLanguage(UiLanguage language);

// The stored "Language" value ("auto" by default) resolved against the
// locale, then set as above.
UiLanguage SettleUiLanguage(const SettingsStore& store);

}  // namespace orv
