#pragma once

class QWidget;

// Gives window the keyboard, as QWidget::activateWindow does, but so that the X server cannot
// drop the request as stale. Qt stamps it with the time of the last event it has seen; after a
// focus change made by someone else (the window manager falling back to the background, a
// window manager starting, the user's own tools), that time can be older than the change, and
// the server then ignores it. On X11 the time is first brought up to date, by a change to a
// property of the window that comes back as a fresh event, and the request goes once it is in.
// The last window asked for wins. Elsewhere it is activateWindow.
void ActivateWindow(QWidget* window);
