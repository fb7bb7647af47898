#pragma once

#include <QObject>

class QKeyEvent;

// Key codes and shift bits the window handlers compare with.
namespace KeyCode {
inline constexpr int Enter = 13;
inline constexpr int Insert = 45;
inline constexpr int Delete = 46;
inline constexpr int F4 = 115;
inline constexpr int F9 = 120;
} // namespace KeyCode

namespace ShiftState {
inline constexpr int Shift = 1;
inline constexpr int Ctrl = 2;
inline constexpr int Alt = 4;
} // namespace ShiftState

// Turns a widget's key events into the two handler calls the windows use: KeyPress with the typed
// character's code, and KeyUp with a key code and shift state on release. Auto-repeated releases
// are dropped so that a held key acts once. Events are never consumed.
class KeyAdapter : public QObject {
    Q_OBJECT
public:
    // Installs itself as an event filter on watched, which also becomes its parent.
    explicit KeyAdapter(QObject* watched);

    static int keyCodeOf(const QKeyEvent& event);
    static int shiftStateOf(const QKeyEvent& event);
    // The typed character's code, 0 when the key types nothing, as with Alt held. Ctrl with a
    // letter gives the control character, as it does on every keyboard layout.
    static int keyAsciiOf(const QKeyEvent& event);

signals:
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
