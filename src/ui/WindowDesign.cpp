#include "ui/WindowDesign.h"

#include "ui/Twips.h"

#include <QLabel>
#include <QWidget>

namespace {
// Where ShowLabelText finds a label's designed name once its accessible name holds its text as
// well.
constexpr char kDesignedName[] = "designedAccessibleName";
} // namespace

void ApplyDesign(QWidget* window, const WindowDesign& design) {
    const double dpi = Twips::dpi(window);
    window->setAccessibleName(QString::fromUtf8(design.accessibleName));
    window->setAccessibleDescription(QString::fromUtf8(design.accessibleDescription));
    for (const ControlPlace& place : design.controls) {
        auto* control = window->findChild<QWidget*>(QString::fromLatin1(place.name),
                                                    Qt::FindDirectChildrenOnly);
        if (!control)
            qFatal("%s has no control %s to place", qPrintable(window->objectName()), place.name);
        control->setGeometry(Twips::rect(place.left, place.top, place.width, place.height, dpi));
        control->setAccessibleName(QString::fromUtf8(place.accessibleName));
        control->setAccessibleDescription(QString::fromUtf8(place.accessibleDescription));
        control->setProperty(kDesignedName, control->accessibleName());
    }
}

void ShowLabelText(QLabel* label, const QString& text) {
    label->setText(text);
    label->setAccessibleName(label->property(kDesignedName).toString() + QStringLiteral(": ") +
                             text);
}
