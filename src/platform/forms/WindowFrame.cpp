#include "platform/forms/WindowFrame.h"

#include "platform/forms/ScreenMetrics.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

#include <optional>

#include <xcb/xcb.h>

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

/// The client area's top-left on the root window and the frame's left and
/// top extents, in device pixels; nothing when the window is not an X11
/// window or the server does not answer.
std::optional<QPoint> x11OuterCorner(const QWidget *window)
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    const QWindow *handle = window->windowHandle();
    if (!c || !handle || !handle->handle())
        return std::nullopt;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_translate_coordinates_cookie_t where = xcb_translate_coordinates(c, id, root, 0, 0);
    static const char name[] = "_NET_FRAME_EXTENTS";
    const xcb_intern_atom_cookie_t atomCookie = xcb_intern_atom(c, 1, sizeof name - 1, name);
    xcb_translate_coordinates_reply_t *place = xcb_translate_coordinates_reply(c, where, nullptr);
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(c, atomCookie, nullptr);
    std::optional<QPoint> corner;
    if (place)
        corner = QPoint(place->dst_x, place->dst_y);
    std::free(place);
    if (corner && atom && atom->atom != XCB_ATOM_NONE) {
        // No property: no window manager frames the window (or not yet).
        const xcb_get_property_cookie_t extentsCookie =
            xcb_get_property(c, 0, id, atom->atom, XCB_ATOM_CARDINAL, 0, 4);
        if (xcb_get_property_reply_t *extents = xcb_get_property_reply(c, extentsCookie, nullptr)) {
            if (extents->type == XCB_ATOM_CARDINAL && extents->format == 32 &&
                xcb_get_property_value_length(extents) == 16) {
                const auto *sides = static_cast<const uint32_t *>(xcb_get_property_value(extents));
                // left, right, top, bottom
                *corner -= QPoint(static_cast<int>(sides[0]), static_cast<int>(sides[2]));
            }
            std::free(extents);
        }
    }
    std::free(atom);
    return corner;
}

/// Checks, when the window first shows on the screen, that its frame's
/// corner is where it was last asked to be, and asks once more if not.
/// Qt names the client area in every resize of a window (static gravity
/// for that request); a window manager that takes such a request while it
/// is still adopting the window can put the frame a title bar too high,
/// whatever frame move follows. Once the window is shown the requests are
/// handled in order, so one more frame move settles it.
class FramePlaceCheck final : public QObject {
public:
    static constexpr const char *Name = "kovaplex-frame-place-check";

    FramePlaceCheck(QWidget &widget, QWindow &window)
        : QObject(&window)
        , m_widget(&widget)
    {
        setObjectName(QLatin1String(Name));
        window.installEventFilter(this);
    }

    void setWanted(QPoint outer) { m_wanted = outer; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<QWindow *>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed()) {
            if (m_widget && outerWindowGeometry(m_widget).topLeft() != m_wanted)
                window->setFramePosition(m_wanted);
            window->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> m_widget;
    QPoint m_wanted;
};

} // namespace

QRect outerWindowGeometry(const QWidget *window)
{
    if (!window)
        return {};
    const QRect qtOuter = window->frameGeometry();
    // Until the window is on the screen the server knows only what Qt has
    // sent so far; Qt's copy (the place asked for) is the better answer.
    const QWindow *handle = window->windowHandle();
    if (!window->isWindow() || !window->isVisible() || !handle || !handle->isExposed())
        return qtOuter;
    const std::optional<QPoint> corner = x11OuterCorner(window);
    if (!corner)
        return qtOuter;
    const qreal ratio = window->devicePixelRatioF();
    return {QPoint(qRound(corner->x() / ratio), qRound(corner->y() / ratio)), qtOuter.size()};
}

void moveWindowFrame(QWidget &window, QPoint outer)
{
    // Only the frame's move once the window exists: the widget's own move
    // would set the window's gravity back to static, and a window manager
    // that reads the hints between the two requests places the client
    // area at `outer` after all. The widget hears of its new place from
    // the window system.
    QWindow *handle = window.windowHandle();
    if (!handle || !handle->handle()) {
        window.move(outer);
        return;
    }
    handle->setFramePosition(outer);
    if (!handle->isExposed()) {
        // Found by name: the class has no meta-object of its own to cast by.
        auto *check = static_cast<FramePlaceCheck *>(
            handle->findChild<QObject *>(QLatin1String(FramePlaceCheck::Name), Qt::FindDirectChildrenOnly));
        if (!check)
            check = new FramePlaceCheck(window, *handle);
        check->setWanted(outer);
    }
}

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
