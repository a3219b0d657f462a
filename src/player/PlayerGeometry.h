#pragma once

#include "platform/forms/ScreenMetrics.h"
#include "player/PlayerDesign.h"
#include "settings/PlayerSettings.h"

#include <QPointF>
#include <QRectF>
#include <QString>

/// The main window's geometry and texts as plain arithmetic.
///
/// Everything here is in twips (single precision, as the window holds its
/// lengths) unless a name says pixels; pixel lengths convert with the
/// factors passed in, x for widths and lefts, y for heights and tops. No
/// function touches a widget or the screen, so tests call them with fixed
/// metrics.

/// Screen and window-frame facts a layout depends on.
struct LayoutMetrics {
    float twipsPerPixelX = 15;
    float twipsPerPixelY = 15;
    float screenWidth = 1280 * 15;
    float screenHeight = 1024 * 15;
    float frameX = 0; ///< frame width at one side
    float frameY = 0; ///< title bar and lower frame together
};

/// The container and offset that crop the video.
struct CutGeometry {
    float baseWidth = 0;  ///< width of the video box (never below 0)
    float baseHeight = 0; ///< height of the video box (never below 0)
    float videoLeft = 0;  ///< left of the video inside the box (≤ 0 for a left cut)
    float videoTop = 0;   ///< top of the video inside the box
};

/// Crops a `videoWidth` × `videoHeight` video by the four percentages, given
/// as text and read by their leading number (no number counts as 0), each
/// held to CutPercentRange. The
/// video keeps its size and moves left and up by the left and top cuts; the
/// box ends before the right and bottom cuts. Cuts of 100 % or more on one
/// axis leave a box of at most the margin; a box size below zero is held at 0.
CutGeometry cutGeometry(float videoWidth, float videoHeight, const QString &cLeft, const QString &cTop,
                        const QString &cBottom, const QString &cRight);

/// Where the window stands before a resize (outer edges).
struct WindowPlace {
    float left = 0;
    float top = 0;
    float outerHeight = 0;
};

/// Everything a new video width decides.
struct VideoSizeLayout {
    float videoWidth = 0;  ///< the video surfaces' width
    float videoHeight = 0; ///< 4:3 of the width
    CutGeometry cut;
    bool wide = false;           ///< video above the panel; false: the panel alone
    bool keepsTop = true;        ///< false: the window kept its bottom edge
    float ctrlTop = 0;           ///< top of the control panel
    float windowLeft = 0;        ///< outer left after the keep-on-screen rules
    float windowTop = 0;         ///< outer top after the keep-on-screen rules
    float windowWidth = 0;       ///< outer width
    float windowHeight = 0;      ///< outer height
    float storedWidthPixels = 0; ///< the width to store as the video size
};

/// Lays the window out around a video `w` twips wide. A window in the lowest
/// quarter of the screen keeps its bottom edge, any other its top; then the
/// window is pushed onto the screen (top and left first, bottom and right
/// last, so a window wider than the screen ends with a negative left). The
/// top never ends above the screen: a window taller than the screen keeps
/// its title bar on it and runs off at the bottom instead.
VideoSizeLayout videoSizeLayout(float w, const WindowPlace &place, const CutPercents &cut,
                                const LayoutMetrics &metrics);

/// Where a window whose outer edges were stored at `left`, `top` (twips)
/// goes at a start, so that its title bar can be reached: the top within
/// the work area and at least a title bar's height above its bottom, the
/// left such that a piece of the title bar (`grab`, or the whole width when
/// narrower) lies within the work area. A place that is not a number goes
/// to the work area's corner.
QPointF heldWindowPlace(double left, double top, double outerWidth, double titleHeight, double grab,
                        const QRectF &workArea);

/// The position bar's track: where the line runs and how long it is.
struct TrackGeometry {
    float left = 0;
    float length = 0;
    float y = 0;
};

/// The track of a position bar `barWidth` twips wide: 16 pixels in, 16
/// pixels short of the right end, its line 14 pixels down.
TrackGeometry trackGeometry(float barWidth, float twipsPerPixelX, float twipsPerPixelY);

/// Where the position cursor goes for a position and length.
struct CursorPlacement {
    float left = 0;
    /// False: only the left moves (no length known); the other fields are unused.
    bool sized = false;
    float top = 0;
    float width = 0;
    float height = 0;
};

/// The cursor for position `seconds` of `length` seconds on `track`: centred
/// on the position, 7 × 16 pixels, at a fixed top. A negative or unknown
/// position counts as 0; a length of 0 parks the cursor at the track's start.
/// Positions past the length put the cursor past the track (no clamp).
CursorPlacement cursorPlacement(double seconds, double length, const TrackGeometry &track,
                                float twipsPerPixelX, float twipsPerPixelY);

/// Seconds as "hh:mm:ss": rounded to whole seconds (halves to even), each
/// field the last two characters of "0" and its number, so a negative time
/// shows its sign ("00:00:-1") and hours wrap at 100. Throws
/// RuntimeError(Overflow) outside the 32-bit range.
QString TimeToText(double seconds);

/// A skip button's caption from its stored amount and letter: "+" before an
/// amount whose leading number is above 0, the amount as stored otherwise.
QString skipCaption(const QString &amount, const QString &accessKey);
