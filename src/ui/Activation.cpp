#include "ui/Activation.h"

#include "ui/Xcb.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

namespace {

class FreshActivation : public QObject, public QAbstractNativeEventFilter {
public:
    static FreshActivation& instance() {
        // Parented to the application, so it goes before the connection does.
        static QPointer<FreshActivation> one;
        if (!one)
            one = new FreshActivation();
        return *one;
    }

    void request(xcb_connection_t* c, QWidget* window) {
        if (m_stamp == XCB_ATOM_NONE)
            m_stamp = xcb::Atom(c, "_DEXARO_ACTIVATE");
        m_target = window;
        // Appending nothing changes nothing, yet the server stamps the event with its time now.
        xcb_change_property(c, XCB_PROP_MODE_APPEND, static_cast<xcb_window_t>(window->winId()),
                            m_stamp, XCB_ATOM_INTEGER, 32, 0, nullptr);
        xcb_flush(c);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        const auto* change = xcb::PropertyChange(eventType, message);
        if (!change || change->atom != m_stamp)
            return false;
        // Once Qt has taken the event's time as its own.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (QWidget* window = m_target.data(); window && window->isVisible())
                    window->activateWindow();
                m_target = nullptr;
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    FreshActivation() : QObject(QCoreApplication::instance()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    xcb_atom_t m_stamp = XCB_ATOM_NONE;
    QPointer<QWidget> m_target;
};

} // namespace

void ActivateWindow(QWidget* window) {
    if (!window)
        return;
    window = window->window();
    xcb_connection_t* c = xcb::Connection();
    if (!c) {
        window->activateWindow();
        return;
    }
    FreshActivation::instance().request(c, window);
}
