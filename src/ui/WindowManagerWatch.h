#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <cstdint>

// Tells when a window manager takes over the screen: one that starts after the program (a
// session that starts its programs in parallel), or one that replaces another. It adopts the
// windows already on screen, but gives none of them the keyboard, so the listener takes it back.
// Only on X11; elsewhere it never fires.
class WindowManagerWatch : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit WindowManagerWatch(QObject* parent = nullptr);
    ~WindowManagerWatch() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void arrived();

private:
    std::uint32_t m_root = 0;
    std::uint32_t m_check = 0; // _NET_SUPPORTING_WM_CHECK, which a manager sets as it starts
};
