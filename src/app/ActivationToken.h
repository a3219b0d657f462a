#pragma once

#include <QString>

class QWidget;

/// Lets the window system bring `window` forward for the start whose
/// activation token is `token`, and ends that start's launch feedback.
///
/// On Wayland the token is handed to the compositor with an activation
/// request (Qt takes it from XDG_ACTIVATION_TOKEN). On X11 the window names
/// the start (_NET_STARTUP_ID, which a window manager's focus-stealing
/// prevention reads) and the startup notification is completed with a
/// "remove" message, so the launcher's busy cursor stops. Nothing happens
/// for an empty token or on other platforms. GUI thread only.
void useActivationToken(QWidget &window, const QString &token);

/// The startup notification message that completes the start `id`:
/// remove: ID="<id>" with quotes and backslashes escaped.
QByteArray startupRemoveMessage(const QString &id);
