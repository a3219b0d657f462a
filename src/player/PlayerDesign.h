#pragma once

#include "player/PlayerCommands.h"

#include <QRectF>

#include <array>
#include <cstddef>

/// The main window's design: every place and size of its controls, in twips
/// (single precision, as the window holds its lengths) unless a name says
/// pixels. The window, the panel's instruments and the layout arithmetic
/// all read them from here.

/// A rectangle of the design, twips, in its parent's client area.
struct DesignRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;

    constexpr QRectF rect() const { return {left, top, width, height}; }
};

/// A row of buttons of one size: each button's left edge by index, and the
/// top and size they share, twips.
template <std::size_t Count> struct DesignButtonRow {
    std::array<float, Count> lefts{};
    float top = 0;
    float width = 0;
    float height = 0;
};

struct PlayerDesign {
    static constexpr float VBaseLeft = 75;
    static constexpr float VBaseTop = 75;
    static constexpr float CtrlLeft = 45;
    static constexpr float CtrlWidth = 4410;
    static constexpr float CtrlHeight = 1410;
    /// A video box narrower than this is not worth showing: the window shrinks
    /// to the control panel alone.
    static constexpr float WideMinimum = 1000;
    /// The smallest view, and the width used before any size was stored.
    static constexpr float CompactVideoWidth = 780;
    /// Added around the cut video box: 4 pixels at 96 DPI, but a fixed
    /// length so that a stored cut looks the same at every resolution.
    static constexpr float CutMargin = 60;
    /// A stored video width is held to the screen's width, or to this on a
    /// smaller screen (the largest view size of the menu).
    static constexpr float MaxVideoPixelsOnSmallScreen = 960;
    /// The piece of the title bar a start keeps on the screen (100 pixels
    /// at 15 twips per pixel), enough to take hold of it.
    static constexpr float TitleGrab = 1500;

    /// @name The window as designed: the panel alone, the video box of the
    /// compact view behind it.
    /// @{
    static constexpr DesignRect VideoBox{VBaseLeft, VBaseTop, CompactVideoWidth + CutMargin,
                                         CompactVideoWidth / 4 * 3 + CutMargin};
    static constexpr DesignRect Panel{CtrlLeft, 75, CtrlWidth, CtrlHeight};
    /// The client area around the panel alone.
    static constexpr float CompactClientWidth = CtrlWidth + 75;
    static constexpr float CompactClientHeight = CtrlHeight + 105;
    /// @}

    /// @name On the panel
    /// @{
    static constexpr DesignRect AppIcon{30, 0, 480, 480};
    /// Transport buttons by index (the keyboard and the menu use the index,
    /// not the place).
    static constexpr DesignButtonRow<TransportCount> TransportRow{
        {45, 1665, 2745, 3285, 3825, 1125, 585, 2205}, 720, 540, 285};
    static constexpr DesignButtonRow<SkipCount> SkipRow{{45, 765, 1485, 2205, 2925, 3645}, 1080, 720, 285};
    static constexpr DesignRect PositionBar{900, 0, 3480, 645};
    /// In front of the position bar's lower left part, where the bar draws
    /// nothing.
    static constexpr DesignRect VolumeBar{1170, 390, 1500, 225};
    /// @}

    /// @name In the position bar
    /// @{
    static constexpr DesignRect Speaker{0, 360, 240, 240};
    static constexpr DesignRect TimeLabel{1800, 405, 1590, 195};
    /// Two lines over the track, across the bar less its edges.
    static constexpr DesignRect Message{60, 15, PositionBar.width - 120, 345};
    /// The track runs this many pixels in from either end of the bar, its
    /// line this many pixels down.
    static constexpr float TrackInsetPixels = 16;
    static constexpr float TrackLinePixels = 14;
    /// The position cursor: a fixed top, a size in pixels, and its point
    /// this many pixels from its left edge.
    static constexpr float CursorTop = 45;
    static constexpr float CursorWidthPixels = 7;
    static constexpr float CursorHeightPixels = 16;
    static constexpr float CursorPointPixels = 3;
    /// @}
};
