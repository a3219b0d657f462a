#pragma once

/// Asks an X window to close the way a window manager's close button does:
/// a WM_DELETE_WINDOW client message (the test display runs no window
/// manager). Kept apart because Xlib's macros clash with Qt and GoogleTest.
/// Returns false when the display cannot be opened.
bool askWindowToClose(unsigned long window);

#include <string>

/// Listens on the root window for startup notification messages (the
/// launch feedback protocol), from its construction on.
class StartupInfoListener {
public:
    StartupInfoListener();
    ~StartupInfoListener();
    StartupInfoListener(const StartupInfoListener &) = delete;
    StartupInfoListener &operator=(const StartupInfoListener &) = delete;

    /// The next whole message; empty when none arrives within `ms`.
    std::string next(int ms);

private:
    void *m_display;
};
