#pragma once

#include <QRect>

class QWidget;

/// The frame the window system puts around a top-level window, in twips.
///
/// `frameX` is the frame's width at one side, (outer width − client width)
/// ÷ 2; `frameY` is outer height − client height − `frameX`, that is the
/// title bar and the lower frame together. Adding 2 × `frameX` to a client
/// width and `frameX` + `frameY` to a client height gives the outer size.
struct WindowFrameSizes {
    float frameX = 0;
    float frameY = 0;
    /// True when the sizes were measured on this window; false when they are
    /// the fallback (the window is not mapped yet, or it has no frame report).
    bool measured = false;
};

/// The frame sizes of `window` as the window system reports them.
///
/// Before the window system has framed the window (hidden, not yet mapped,
/// or a window manager that has not answered yet) the frame cannot be read;
/// the last frame measured on any window of this process is returned then,
/// and before any measurement an estimate for a titled window of the current
/// style (no frame on platforms without decorations such as offscreen).
/// A null window gives the fallback. GUI thread only.
WindowFrameSizes windowFrameSizes(const QWidget *window);

/// The fallback used while a window's frame is unknown (see above).
WindowFrameSizes fallbackWindowFrameSizes();

/// The outer edges of top-level `window` on the screen: the frame's corner
/// and the outer size.
///
/// On X11 the place is asked of the X server (the client area's place less
/// the frame the window manager reports), not taken from Qt's copy: under a
/// reparenting window manager that copy can keep the place Qt asked for
/// while the window manager put the frame there, and a place stored from
/// it moves the window by the title bar's height at every start. Elsewhere,
/// and before the window is first exposed, it is Qt's frame geometry.
/// GUI thread only.
QRect outerWindowGeometry(const QWidget *window);

/// Puts top-level `window`'s frame corner (its outer top-left) at `outer`.
/// Before the window exists in the window system this is Qt's move of a
/// window, which counts the frame; afterwards the request itself names the
/// frame's corner (on X11: north-west gravity), so the window manager puts
/// the frame there whether or not it has framed the window yet. A move of
/// the client area instead (static gravity, Qt's choice for a window that
/// was moved once it existed) lands a title bar's height lower before the
/// frame is known. Once the window exists, the widget's own place follows
/// when the window system reports the move. GUI thread only.
void moveWindowFrame(QWidget &window, QPoint outer);

/// Whether this window system tells a window where it stands on the screen
/// and lets it choose. Wayland does neither (a window's place is the
/// compositor's alone), so a place read there is not worth keeping.
bool windowPlaceIsKnown();
