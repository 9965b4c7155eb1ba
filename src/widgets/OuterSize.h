#pragma once

#include <QMargins>
#include <QSize>

#include <functional>

class QWidget;

namespace widgets {

// Puts the window's frame in the middle of the screen it is on (or the primary one).
void centreOnScreen(QWidget* window);

// The window frame's widths as the window system reports them; empty until it knows them.
using FrameSource = std::function<QMargins(const QWidget*)>;

// Gives a top-level window an outer size, frame included, and centres it. Qt sizes the client
// area, and a window manager tells the frame only some time after the window is shown (when it
// has put its frame around it), so the size is corrected, and the window centred again, as soon
// as the frame is known. The frame comes from the window system unless a source is given.
void setOuterSize(QWidget* window, QSize outer, FrameSource frame = {});

// The same for a window that sizes and places itself before it is first shown: only once the
// frame is known is the client area made the outer size less the frame (kept fixed when the
// window's size is fixed) and the window centred again.
void keepOuterSize(QWidget* window, QSize outer, FrameSource frame = {});

// Where the frame is taken from when no source is given: the window system unless another
// source is set here (an empty one gives the window system back).
void setDefaultFrameSource(FrameSource frame);

} // namespace widgets
