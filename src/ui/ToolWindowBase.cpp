#include "ui/ToolWindowBase.h"

#include "controls/ControlFont.h"
#include "ui/Shell.h"
#include "ui/Twips.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QPainter>

ToolWindowBase::ToolWindowBase(ToolWindow kind, const QString& title, const WindowDesign& design,
                               bool lostFocusRule)
    // A dialog-type window: only a transient window type tells the window manager its owner.
    : QWidget(nullptr, lostFocusRule ? Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                           Qt::WindowCloseButtonHint
                                     : Qt::Dialog),
      m_kind(kind), m_design(design), m_lostFocusRule(lostFocusRule) {
    setWindowTitle(title);
    setFont(ControlFont());
    const double dpi = Twips::dpi(this);
    setFixedSize(Twips::size(design.client, dpi));
    m_shape1 = Twips::rect(design.frame, dpi);
}

void ToolWindowBase::unload() {
    Shell::instance().unload(m_kind);
}

void ToolWindowBase::showModeless() {
    show();
    // A window shown again stays where it was in the stacking and inactive unless told.
    raise();
    activateWindow();
}

void ToolWindowBase::placeControls() {
    ApplyDesign(this, m_design);
}

void ToolWindowBase::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // Only the window's own focus counts, and only when it moves on inside the program: switching
    // to another window, or a menu popping up, leaves the window as it is.
    if (!m_lostFocusRule || event->reason() == Qt::ActiveWindowFocusReason ||
        event->reason() == Qt::PopupFocusReason)
        return;
    unload();
}

void ToolWindowBase::closeEvent(QCloseEvent* event) {
    // The close box unloads the window like every other way of closing it.
    event->ignore();
    unload();
}

void ToolWindowBase::paintEvent(QPaintEvent*) {
    if (m_shape1.isNull())
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(m_shape1.adjusted(0, 0, -1, -1));
}
