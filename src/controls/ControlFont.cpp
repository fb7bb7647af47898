#include "controls/ControlFont.h"

QFont ControlFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    font.setBold(false); // set outright, so a bold window font does not pass to its controls
    font.setItalic(false);
    return font;
}
