#pragma once

#include <QRect>
#include <QRectF>
#include <QSizeF>

class QWidget;

/// The twips unit and the one way widgets are placed in it.
///
/// Forms are designed in twips (1440 per inch); a form converts them with
/// the twips per pixel it read from the screen, x for lefts and widths, y for
/// tops and heights.

/// Twips per pixel on each axis (15 at 96 logical DPI).
struct TwipsPerPixel {
    double x = 15;
    double y = 15;
};

/// The primary screen's twips per pixel (screenMetrics()).
TwipsPerPixel screenTwipsPerPixel();

/// How a rectangle in twips becomes whole pixels. Each value goes through
/// twipsToWidgetPixels (nearest pixel, held to the window system's range);
/// the two ways differ only where the twips do not fall on whole pixels.
enum class TwipsRounding {
    /// Left, top, width and height each rounded on their own: a control
    /// keeps its designed size in pixels wherever it stands. The main
    /// window's panel and the message box are laid out so.
    Lengths,
    /// The four edges rounded, the size taken between them: controls that
    /// touch in the design still touch. Forms drawn at a grown scale are
    /// laid out so.
    Edges,
};

/// `twips` (left, top, width, height), grown by `scale` on each axis, in
/// whole pixels; a size never below 0.
QRect twipsToPixelRect(const QRectF &twips, const TwipsPerPixel &tpp,
                       TwipsRounding rounding = TwipsRounding::Lengths, QSizeF scale = {1, 1});

/// Places `widget` in its parent at `twips` (see twipsToPixelRect).
void placeTwips(QWidget *widget, const QRectF &twips, const TwipsPerPixel &tpp,
                TwipsRounding rounding = TwipsRounding::Lengths, QSizeF scale = {1, 1});

/// The same with the four lengths given one by one.
inline void placeTwips(QWidget *widget, double left, double top, double width, double height,
                       const TwipsPerPixel &tpp)
{
    placeTwips(widget, QRectF(left, top, width, height), tpp);
}
