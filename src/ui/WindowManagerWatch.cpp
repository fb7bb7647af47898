#include "ui/WindowManagerWatch.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

WindowManagerWatch::WindowManagerWatch(QObject* parent) : QObject(parent) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* c = x11->connection();
    m_root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    constexpr const char* name = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    if (!atom)
        return;
    m_check = atom->atom;
    std::free(atom);
    // Added to the events Qt already takes from the root window, never in their place.
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, m_root), nullptr);
    const uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    std::free(attributes);
    xcb_change_window_attributes(c, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowManagerWatch::~WindowManagerWatch() {
    if (m_check && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WindowManagerWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* change = static_cast<const xcb_property_notify_event_t*>(message);
    if (change->window == m_root && change->atom == m_check &&
        change->state == XCB_PROPERTY_NEW_VALUE)
        // Once Qt has seen the event too, and what the manager supports with it.
        QMetaObject::invokeMethod(this, &WindowManagerWatch::arrived, Qt::QueuedConnection);
    return false;
}
