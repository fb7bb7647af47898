#include "mainwindow/frmBackForm.h"

#include "Version.h"
#include "core/Background.h"
#include "mainwindow/Form1.h"
#include "ui/Activation.h"
#include "ui/ToolWindowBase.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

frmBackForm::frmBackForm(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setWindowTitle(QStringLiteral("Form1"));
    setObjectName(QStringLiteral("frmBackForm"));
    setWindowRole(objectName());
    // It holds no controls, so it has no design table to take these from.
    setAccessibleName(QStringLiteral("Dexaro background"));
    setAccessibleDescription(QStringLiteral(
        "The background behind the main window, with the program's name and version."));
    // Every repaint draws every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        QWidget* window = now ? now->window() : nullptr;
        if (window && (window == m_main || qobject_cast<ToolWindowBase*>(window)))
            m_keyboard = window;
    });
}

void frmBackForm::Form_Load() {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect whole = screen->geometry();
    setGeometry(whole);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Dexaro"));

    if (!m_main) {
        m_main = new Form1(this);
        m_main->Form_Load();
    }
    Form1* main = m_main;
    const QSize outer = main->frameGeometry().size();
    main->move(whole.right() + 1 - outer.width(), whole.bottom() + 1 - outer.height());
    // The owner goes on screen first: a window manager stacks an owned window above its owner
    // when it maps it, but an owner mapped later may come up over it (openbox does so).
    show();
    main->show();
}

void frmBackForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The background takes no keys, so it passes the keyboard on whenever it is made the active
    // window: when the user clicks it, and when a window manager falls back to it after a tool
    // window or a box closes (xfwm4 does, also when the box's owner is a tool window that has
    // just been asked to take the keyboard back), so the next key is never lost. It goes to the
    // window that had it last, the main window or a tool window.
    if (event->type() != QEvent::ActivationChange || !isActiveWindow())
        return;
    QWidget* target = m_keyboard && m_keyboard->isVisible() ? m_keyboard.data() : m_main.data();
    if (target && target->isVisible())
        ActivateWindow(target);
}

void frmBackForm::closeEvent(QCloseEvent* event) {
    // Closed from outside, the background would leave the main window alone on the desktop: the
    // close is the main window's, which ends the program like its end button.
    event->ignore();
    if (m_main)
        m_main->close();
}

void frmBackForm::paintEvent(QPaintEvent* event) {
    if (isMinimized())
        return;
    PaintBackground(event);
}

void frmBackForm::PaintBackground(QPaintEvent* event) {
    QPainter painter(this);
    const double dpi = Twips::dpi(this);
    const std::vector<int> greens = Background::RowGreens(height(), Twips::PerInch / dpi);
    const QRect dirty = event->rect();
    const int first = std::max(0, dirty.top());
    const int last = std::min(static_cast<int>(greens.size()) - 1, dirty.bottom());
    for (int row = first; row <= last; ++row)
        painter.fillRect(QRect(dirty.left(), row, dirty.width(), 1),
                         QColor(0, greens[static_cast<size_t>(row)], 0));

    QFont font(QStringLiteral("System"));
    font.setPointSize(24);
    font.setBold(true);
    font.setItalic(true);
    painter.setFont(font);
    const QString title = Background::TitleText(Version::Major, Version::Minor);
    const int ascent = painter.fontMetrics().ascent();
    // The shadow lies 10 twips right of and below the title: at least one pixel on any screen.
    const int shadow = std::max(1, Twips::toPixels(10, dpi));
    painter.setPen(Qt::black);
    painter.drawText(QPoint(shadow, shadow + ascent), title);
    painter.setPen(Qt::white);
    painter.drawText(QPoint(0, ascent), title);
}
