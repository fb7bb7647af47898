#pragma once

#include <QRect>
#include <span>

class QWidget;

// Where a control sits in its window, in twips; the control is found by its object name.
struct ControlPlace {
    const char* name;
    double left, top, width, height;
};

// A window's design, in twips: its client area, the frame rectangle drawn along its edge (none
// when empty) and where each of its controls sits.
struct WindowDesign {
    QSizeF client;
    QRectF frame;
    std::span<const ControlPlace> controls;
};

// Window positions and sizes are designed in twips, 1/1440 inch, and turned into pixels with the
// screen's logical resolution (15 twips a pixel at 96 dpi).
namespace Twips {
inline constexpr double PerInch = 1440.0;

// Logical dots per inch of the screen widget is on (the primary screen when it has none yet).
double dpi(const QWidget* widget = nullptr);
int toPixels(double twips, double dpi);
double fromPixels(int pixels, double dpi);
QRect rect(double left, double top, double width, double height, double dpi);
QRect rect(const QRectF& twips, double dpi);
QSize size(const QSizeF& twips, double dpi);

// Gives every control a window's table names its designed place. A name the window has no
// control of is a mistake in the table, so it stops the program rather than leave a control
// unplaced.
void placeControls(QWidget* window, std::span<const ControlPlace> places);
} // namespace Twips
