#include "controls/ControlFont.h"

#include <QFile>
#include <QFontDatabase>

void RegisterDesignedFaces() {
    const QString path = QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf");
    if (!QFontDatabase::hasFamily(QStringLiteral("MS Sans Serif")) && QFile::exists(path))
        QFontDatabase::addApplicationFont(path);
}

QFont ControlFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    font.setBold(false); // set outright, so a bold window font does not pass to its controls
    font.setItalic(false);
    return font;
}
