#pragma once

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

// The few X calls the windows make themselves, next to what Qt does for them.
namespace xcb {

// The program's connection to the X server, or null on another platform (Wayland, offscreen).
inline xcb_connection_t* Connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// xcb replies are malloc'ed.
template <class Reply> struct Freed {
    Reply* reply;
    ~Freed() { std::free(reply); }
    Reply* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};

inline xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    const Freed<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr)};
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The property change that message is, as a native event filter is given it, or null.
inline const xcb_property_notify_event_t* PropertyChange(const QByteArray& eventType,
                                                         void* message) {
    if (eventType != "xcb_generic_event_t" ||
        (static_cast<const xcb_generic_event_t*>(message)->response_type & 0x7f) !=
            XCB_PROPERTY_NOTIFY)
        return nullptr;
    return static_cast<const xcb_property_notify_event_t*>(message);
}

} // namespace xcb
