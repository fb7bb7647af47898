#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

double Twips::dpi(const QWidget* widget) {
    QScreen* screen = widget ? widget->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

int Twips::toPixels(double twips, double dpi) {
    // Single precision, as the window designs were computed.
    return static_cast<int>(std::lround(static_cast<float>(twips * dpi / PerInch)));
}

double Twips::fromPixels(int pixels, double dpi) {
    return pixels * PerInch / dpi;
}

QRect Twips::rect(double left, double top, double width, double height, double dpi) {
    const int x = toPixels(left, dpi);
    const int y = toPixels(top, dpi);
    // Edges are rounded, not sizes, so neighbouring controls meet as designed.
    return QRect(x, y, toPixels(left + width, dpi) - x, toPixels(top + height, dpi) - y);
}

QRect Twips::rect(const QRectF& twips, double dpi) {
    return rect(twips.left(), twips.top(), twips.width(), twips.height(), dpi);
}

QSize Twips::size(const QSizeF& twips, double dpi) {
    return QSize(toPixels(twips.width(), dpi), toPixels(twips.height(), dpi));
}
