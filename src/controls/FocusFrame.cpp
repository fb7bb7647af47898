#include "controls/FocusFrame.h"

#include <QEvent>
#include <QPainter>

FocusFrame::FocusFrame(QWidget* control) : QWidget(control) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    control->installEventFilter(this);
}

bool FocusFrame::eventFilter(QObject* watched, QEvent* event) {
    auto* control = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::FocusIn:
        setGeometry(control->rect());
        raise(); // over the list's viewport and scroll bars
        show();
        break;
    case QEvent::FocusOut:
        hide();
        break;
    case QEvent::Resize:
        setGeometry(control->rect());
        break;
    default:
        break;
    }
    return false;
}

void FocusFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Darker than the selected row's highlight, so that a selected row along the edge stays
    // apart from the ring. The ring's outer pixel lies on the control's own frame.
    painter.setPen(QPen(palette().color(QPalette::Highlight).darker(160), 2));
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}
