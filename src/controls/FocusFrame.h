#pragma once

#include <QWidget>

// Marks a list that has the keyboard focus with a 2-pixel ring along its edge. The style's own
// mark is a faint 1-pixel frame on a list and nothing at all on a drop-down list, too little to
// see where the keys go. The ring is a child drawn over the control while it has the focus, so
// nothing in the control moves or changes size, and clicks pass through it.
class FocusFrame : public QWidget {
    Q_OBJECT
public:
    explicit FocusFrame(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
