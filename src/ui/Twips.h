#pragma once

#include <QRect>

class QWidget;

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

} // namespace Twips
