#include "X11Close.h"

#include <X11/Xlib.h>

#include <chrono>
#include <poll.h>

bool askWindowToClose(unsigned long window)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return true;
}

StartupInfoListener::StartupInfoListener()
    : m_display(XOpenDisplay(nullptr))
{
    if (auto *display = static_cast<Display *>(m_display)) {
        XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
        XSync(display, False);
    }
}

StartupInfoListener::~StartupInfoListener()
{
    if (m_display)
        XCloseDisplay(static_cast<Display *>(m_display));
}

std::string StartupInfoListener::next(int ms)
{
    auto *display = static_cast<Display *>(m_display);
    if (!display)
        return {};
    const Atom begin = XInternAtom(display, "_NET_STARTUP_INFO_BEGIN", False);
    const Atom more = XInternAtom(display, "_NET_STARTUP_INFO", False);
    std::string message;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!XPending(display)) {
            pollfd p{ConnectionNumber(display), POLLIN, 0};
            ::poll(&p, 1, 20);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != ClientMessage || event.xclient.format != 8)
            continue;
        if (event.xclient.message_type == begin)
            message.clear();
        else if (event.xclient.message_type != more)
            continue;
        const char *data = event.xclient.data.b;
        for (int i = 0; i < 20; ++i) {
            if (data[i] == '\0')
                return message;
            message += data[i];
        }
    }
    return {};
}
