// The generated pictures of the skin (tools/skin), compiled in with Qt's
// resource system: the Chinese set under ":/skin/", the English one, with
// the same names and sizes, under ":/skin/en/".
#pragma once

#include <QImage>
#include <QString>

#include "base/language.h"

namespace orv {

// One of "background", "about", "icon", or "<button>_<state>" with the state
// normal, down, over or mask, from the set of `language` (by default the
// program's). A null image when there is none.
QImage SkinPicture(const QString& name, UiLanguage language);
QImage SkinPicture(const QString& name);

}  // namespace orv
