#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <array>

class QPainter;

/// The program's own icon, drawn by code: a rounded dark-blue tile with a
/// white play triangle over a position bar whose marker stands part-way
/// along (the player remembers where a file stopped).
/// The drawing itself needs no application object (the installed icons are
/// rendered from it at build time); pixmaps and QIcon need the GUI thread.

/// The sizes the icon is rendered at, in pixels: the window's QIcon and the
/// installed hicolor theme use the same list.
inline constexpr std::array<int, 7> AppIconSizes = {16, 24, 32, 48, 64, 128, 256};

/// Below 24 pixels the bar is left out so the triangle stays legible.
bool appIconHasBar(int logicalSize);

/// Draws the icon into the square (0, 0, side, side) of `painter`'s device,
/// with or without the position bar. Leaves the painter's state as found.
void drawAppIcon(QPainter &painter, qreal side, bool withBar);

/// The icon at `logicalSize` x `logicalSize` device-independent pixels, on
/// a transparent ground.
QImage appIconImage(int logicalSize, qreal devicePixelRatio = 1.0);

/// The same as a pixmap. GUI thread only.
QPixmap appIconPixmap(int logicalSize, qreal devicePixelRatio = 1.0);

/// The icon with a rendering at each of AppIconSizes, for the window frame,
/// the task bar and the about box.
QIcon appIcon();
