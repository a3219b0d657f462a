#include "platform/forms/WindowFrame.h"

#include "platform/forms/ScreenMetrics.h"

#include <QApplication>
#include <QGuiApplication>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <optional>

namespace {

std::optional<WindowFrameSizes> &lastMeasured()
{
    static std::optional<WindowFrameSizes> sizes;
    return sizes;
}

bool platformHasDecorations()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal") &&
           platform != QLatin1String("eglfs") && platform != QLatin1String("linuxfb");
}

} // namespace

bool windowPlaceIsKnown()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

WindowFrameSizes fallbackWindowFrameSizes()
{
    if (lastMeasured())
        return {lastMeasured()->frameX, lastMeasured()->frameY, false};
    WindowFrameSizes sizes;
    if (!platformHasDecorations() || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return sizes;
    // Window managers on this desktop draw at most a thin side border; the
    // title bar is what matters for keeping a window on the screen, and the
    // style's title height is the closest estimate Qt offers unmapped.
    const QStyle *style = QApplication::style();
    const int title = style ? style->pixelMetric(QStyle::PM_TitleBarHeight) : 0;
    sizes.frameX = 0;
    sizes.frameY = static_cast<float>(pixelsToTwipsY(title > 0 ? title : 24));
    return sizes;
}

WindowFrameSizes windowFrameSizes(const QWidget *window)
{
    // Until the window has been exposed the window manager may not have
    // framed it yet, and Qt reports the client rectangle as the frame.
    const QWindow *handle = window ? window->windowHandle() : nullptr;
    if (!window || !window->isWindow() || !window->isVisible() || !handle || !handle->isExposed())
        return fallbackWindowFrameSizes();
    const QRect outer = window->frameGeometry();
    const QRect client = window->geometry();
    WindowFrameSizes sizes;
    sizes.frameX = static_cast<float>(pixelsToTwipsX((outer.width() - client.width()) / 2.0));
    sizes.frameY = static_cast<float>(pixelsToTwipsY(outer.height() - client.height()) - sizes.frameX);
    sizes.measured = true;
    lastMeasured() = sizes;
    return sizes;
}
