#include "app/ActivationToken.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstring>
#include <memory>

namespace {

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

/// Sends `message` (NUL included) to the root window in 20-byte pieces, as
/// the startup notification protocol has it.
void broadcast(xcb_connection_t *c, xcb_window_t root, xcb_window_t from, const QByteArray &message)
{
    const xcb_atom_t begin = atom(c, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(c, "_NET_STARTUP_INFO");
    const QByteArray bytes = message + '\0';
    for (qsizetype at = 0; at < bytes.size(); at += 20) {
        xcb_client_message_event_t event = {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = from;
        event.type = at == 0 ? begin : more;
        const QByteArray piece = bytes.mid(at, 20);
        std::memcpy(event.data.data8, piece.constData(), static_cast<size_t>(piece.size()));
        xcb_send_event(c, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE, reinterpret_cast<const char *>(&event));
    }
}

void useOnX11(QWidget &window, const QString &token)
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c)
        return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const QByteArray utf8 = token.toUtf8();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_STARTUP_ID"), atom(c, "UTF8_STRING"), 8,
                        static_cast<uint32_t>(utf8.size()), utf8.constData());
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    broadcast(c, root, id, startupRemoveMessage(token));
    xcb_flush(c);
}

} // namespace

QByteArray startupRemoveMessage(const QString &id)
{
    QByteArray escaped = id.toUtf8();
    escaped.replace('\\', "\\\\").replace('"', "\\\"");
    return "remove: ID=\"" + escaped + '"';
}

void useActivationToken(QWidget &window, const QString &token)
{
    if (token.isEmpty())
        return;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("wayland")) {
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        window.activateWindow();
    } else if (platform == QLatin1String("xcb")) {
        useOnX11(window, token);
    }
}
