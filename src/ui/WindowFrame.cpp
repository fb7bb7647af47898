#include "ui/WindowFrame.h"

#include "ui/Xcb.h"

#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <thread>

namespace {

using xcb::Atom;
using xcb::Freed;

// How long a window manager that says it answers may take before we place without its answer.
constexpr auto kAnswerTimeout = std::chrono::milliseconds(250);

// True when the window manager lists request among what it supports.
bool Supports(xcb_connection_t* c, xcb_window_t root, xcb_atom_t request) {
    const Freed<xcb_get_property_reply_t> reply{xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 0, 4096),
        nullptr)};
    if (!reply || reply->format != 32)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.reply));
    const int count = xcb_get_property_value_length(reply.reply) / 4;
    return std::find(atoms, atoms + count, request) != atoms + count;
}

std::optional<QMargins> ReadExtents(xcb_connection_t* c, xcb_window_t window, xcb_atom_t extents) {
    const Freed<xcb_get_property_reply_t> reply{xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr)};
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.reply) != 16)
        return std::nullopt;
    const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply.reply));
    // left, right, top, bottom
    return QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]),
                    static_cast<int>(v[3]));
}

std::optional<QMargins> AskWindowManager(QWidget* window) {
    xcb_connection_t* c = xcb::Connection();
    if (!c)
        return std::nullopt;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const Freed<xcb_query_tree_reply_t> tree{
        xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr)};
    const xcb_atom_t request = Atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    if (!tree || !Supports(c, tree->root, request))
        return std::nullopt;

    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = id;
    event.type = request;
    xcb_send_event(c, 0, tree->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
    // The answer is a property the window manager sets on the window; it comes within a round
    // trip or two.
    const xcb_atom_t extents = Atom(c, "_NET_FRAME_EXTENTS");
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (const auto answer = ReadExtents(c, id, extents))
            return answer;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return std::nullopt;
}

} // namespace

QMargins WindowFrame::Extents(QWidget* window) {
    window->winId(); // the platform window, which may know its frame already
    const QMargins known = window->windowHandle()->frameMargins();
    if (!known.isNull() || window->isVisible())
        return known;
    // Windows of one kind get the same frame: ask once per kind.
    static std::map<int, QMargins> answers;
    const int kind = static_cast<int>(window->windowFlags());
    if (const auto at = answers.find(kind); at != answers.end())
        return at->second;
    const std::optional<QMargins> answer = AskWindowManager(window);
    if (answer)
        answers[kind] = *answer;
    return answer.value_or(QMargins());
}
