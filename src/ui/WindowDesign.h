#pragma once

#include <QRectF>
#include <QSizeF>
#include <span>

class QLabel;
class QString;
class QWidget;

// Where a control sits in its window, in twips, and what it is to a screen reader: a short name
// and a sentence on what it does and which keys it takes. The control is found by its object
// name. One table for both, so that a control cannot be placed and left unnamed.
struct ControlPlace {
    const char* name;
    double left, top, width, height;
    const char* accessibleName;
    const char* accessibleDescription;
};

// A window's design, in twips: its client area, the frame rectangle drawn along its edge (none
// when empty) and where each of its controls sits; and the window's own name and description for
// screen readers, as its title ("Form2" on some) tells them little.
struct WindowDesign {
    QSizeF client;
    QRectF frame;
    std::span<const ControlPlace> controls;
    const char* accessibleName;
    const char* accessibleDescription;
};

// Gives every control of a window's design its designed place, accessible name and description,
// and the window its own name and description. A name the window has no control of is a mistake
// in the table, so it stops the program rather than leave a control unplaced.
void ApplyDesign(QWidget* window, const WindowDesign& design);

// Shows text in a label whose text changes as the program runs (a panel, a file name). Screen
// readers read a label by its accessible name alone, so the designed name would hide the text:
// the name becomes the designed one followed by the text.
void ShowLabelText(QLabel* label, const QString& text);
