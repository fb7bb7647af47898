#include "controls/KeyAdapter.h"

#include <QKeyEvent>

KeyAdapter::KeyAdapter(QObject* watched) : QObject(watched) {
    watched->installEventFilter(this);
}

int KeyAdapter::keyCodeOf(const QKeyEvent& event) {
    const int key = event.key();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return KeyCode::Enter;
    case Qt::Key_Insert:
        return KeyCode::Insert;
    case Qt::Key_Delete:
        return KeyCode::Delete;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key; // Qt's codes for letters and digits are the upper-case characters
    return 0;
}

int KeyAdapter::shiftStateOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers m = event.modifiers();
    return (m & Qt::ShiftModifier ? ShiftState::Shift : 0) |
           (m & Qt::ControlModifier ? ShiftState::Ctrl : 0) |
           (m & Qt::AltModifier ? ShiftState::Alt : 0);
}

int KeyAdapter::keyAsciiOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers m = event.modifiers();
    // Alt with a key is a shortcut (an access key, a window manager's binding), never typing, even
    // where the keyboard layout gives the event a text.
    if (m & Qt::AltModifier)
        return 0;
    const int key = event.key();
    if ((m & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
        return key - Qt::Key_A + 1;
    const QString text = event.text();
    if (text.isEmpty())
        return 0;
    return text.at(0).unicode();
}

bool KeyAdapter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (const int ascii = keyAsciiOf(*key))
            emit KeyPress(ascii);
    } else if (event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            if (const int code = keyCodeOf(*key))
                emit KeyUp(code, shiftStateOf(*key));
    }
    return QObject::eventFilter(watched, event);
}
