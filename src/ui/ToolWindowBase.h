#pragma once

#include "ui/WindowDesign.h"

#include <QWidget>

enum class ToolWindow;

// What every tool and viewer window shares: a fixed client area designed in twips, the frame
// rectangle drawn along its edge, loading and unloading through the application object, and the
// rule that a window which itself held the focus unloads when it loses it.
class ToolWindowBase : public QWidget {
    Q_OBJECT
public:
    // design: the client area and frame are set here; the controls are placed by placeControls(),
    // once they exist. lostFocusRule: unload when the window itself loses the focus (every tool
    // window but the command shell).
    ToolWindowBase(ToolWindow kind, const QString& title, const WindowDesign& design,
                   bool lostFocusRule = true);

    ToolWindow kind() const { return m_kind; }
    const WindowDesign& design() const { return m_design; }

    // The load handler: runs once, right after the window is created with every control at its
    // design value.
    virtual void Form_Load() {}

    // Takes the window off the screen at once and destroys it once the current handler is done.
    // Values kept outside the window (the sort windows' target folders) stay.
    void unload();

    // Shows the window without blocking the others, in front and active, also when it is open
    // already.
    void showModeless();

protected:
    // Gives every control the place, name and description the design gives it, and the window
    // its name and description; the controls' object names must be set.
    void placeControls();

    void focusOutEvent(QFocusEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ToolWindow m_kind;
    WindowDesign m_design;
    bool m_lostFocusRule;
    QRect m_shape1;
};
