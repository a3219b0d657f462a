#pragma once

#include <QIcon>
#include <QPixmap>

/// The program's own icon, drawn by code: a rounded dark-blue tile with a
/// white play triangle over a position bar whose marker stands part-way
/// along (the player remembers where a file stopped).
/// GUI thread only (QPixmap).

/// The icon at `logicalSize` x `logicalSize` device-independent pixels.
/// Below 24 pixels the bar is left out so the triangle stays legible.
QPixmap appIconPixmap(int logicalSize, qreal devicePixelRatio = 1.0);

/// The icon with renderings at 16, 24, 32, 48, 64, 128 and 256 pixels, for
/// the window frame, the task bar and the about box.
QIcon appIcon();
