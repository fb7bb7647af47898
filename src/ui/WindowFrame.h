#pragma once

#include <QMargins>

class QWidget;

namespace WindowFrame {

// The widths of the frame the window manager puts around window (title bar, borders), known
// before the window is first shown, so that it can be placed by its outer edges at once instead
// of jumping into place once it is on screen. The platform tells where it knows (a window on
// screen, the offscreen platform); otherwise, on X11, the window manager is asked
// (_NET_REQUEST_FRAME_EXTENTS). Where no one answers, the window counts as frameless.
QMargins Extents(QWidget* window);

} // namespace WindowFrame
