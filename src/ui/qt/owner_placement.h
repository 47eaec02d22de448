// Dialogs open centred over the window that owns them. Qt's own placement
// maps the owner's origin to the screen, and for the frameless main window
// under a window manager that mapping can be (0, 0), and its frame 1 x 1
// pixels (the dialog then opens at the top left of the screen); the owner's
// geometry on the screen is right.
#pragma once

class QWidget;

namespace orv {

// Moves `dialog`, not yet shown, so that it is centred over `owner`'s window
// and stays on that window's screen. Does nothing without an owner.
void PlaceOverOwner(QWidget& dialog, const QWidget* owner);

}  // namespace orv
