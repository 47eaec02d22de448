// The generated pictures of the skin (tools/skin), compiled in with Qt's
// resource system under ":/skin/".
#pragma once

#include <QImage>
#include <QString>

namespace orv {

// One of "background", "about", "icon", or "<button>_<state>" with the state
// normal, down, over or mask. A null image when there is none.
QImage SkinPicture(const QString& name);

}  // namespace orv
