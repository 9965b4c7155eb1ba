#pragma once

#include <QSize>

class QWidget;

namespace app {

// Puts the window's frame in the middle of the screen it is on (or the primary one).
void centreOnScreen(QWidget* window);

// Gives a top-level window an outer size, frame included, and centres it. Qt sizes the client
// area, and the window manager's frame is only known once the window is shown, so the size is
// corrected (and the window centred again) when it first appears.
void setOuterSize(QWidget* window, QSize outer);

} // namespace app
