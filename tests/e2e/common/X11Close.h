#pragma once

/// Asks an X window to close the way a window manager's close button does:
/// a WM_DELETE_WINDOW client message (the test display runs no window
/// manager). Kept apart because Xlib's macros clash with Qt and GoogleTest.
/// Returns false when the display cannot be opened.
bool askWindowToClose(unsigned long window);
