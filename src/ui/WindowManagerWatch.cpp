#include "ui/WindowManagerWatch.h"

#include "ui/Xcb.h"

#include <QCoreApplication>

WindowManagerWatch::WindowManagerWatch(QObject* parent) : QObject(parent) {
    xcb_connection_t* c = xcb::Connection();
    if (!c)
        return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    m_check = xcb::Atom(c, "_NET_SUPPORTING_WM_CHECK");
    if (m_check == XCB_ATOM_NONE)
        return;
    // Added to the events Qt already takes from the root window, never in their place.
    const xcb::Freed<xcb_get_window_attributes_reply_t> attributes{
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, m_root), nullptr)};
    const uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowManagerWatch::~WindowManagerWatch() {
    if (m_check && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WindowManagerWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    const auto* change = xcb::PropertyChange(eventType, message);
    if (change && change->window == m_root && change->atom == m_check &&
        change->state == XCB_PROPERTY_NEW_VALUE)
        // Once Qt has seen the event too, and what the manager supports with it.
        QMetaObject::invokeMethod(this, &WindowManagerWatch::arrived, Qt::QueuedConnection);
    return false;
}
