#pragma once

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

/// Whether this window system tells a window where it stands on the screen
/// and lets it choose. Wayland does neither (a window's place is the
/// compositor's alone), so a place read there is not worth keeping.
bool windowPlaceIsKnown();
