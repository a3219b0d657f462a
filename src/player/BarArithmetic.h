#pragma once

#include "player/PlayerGeometry.h"

#include <QRect>

#include <cstdint>
#include <optional>

/// What the mouse on the position and volume bars means, as plain
/// arithmetic. Mouse places and bar sizes are twips (the window's unit);
/// pixel lengths convert with the factors passed in. No function touches a
/// widget, so tests call them with fixed metrics.

/// Number of segments of the volume bar.
constexpr int VolumeSegments = 24;

/// How many segments a mixer level lights: level × 24 / 65535 rounded to
/// the nearest, halves to even. Above 65535 gives more than 24 (all lit),
/// below 0 less than 0 (none lit).
std::int32_t volumeLitSegments(std::int32_t level);

/// Segment `index` of a volume bar `barHeightPixels` high, in pixels: 2
/// wide, every 4 pixels from 3 pixels in, from 2 pixels down to 3 pixels
/// above the bottom.
QRect volumeSegmentRect(int index, int barHeightPixels);

/// The mixer level for the mouse at `x` on a volume bar `barWidth` wide:
/// x below 3 pixels counts as 3 pixels, then (x − 3 px) × 65535 / (width −
/// 4 px), rounded halves to even. There is no upper limit: a drag past the
/// right edge gives levels above 65535 (the mixer holds them at its top).
/// Throws RuntimeError(Overflow) for a bar too narrow to have a scale.
std::int32_t volumeLevelAt(float x, float barWidth, float twipsPerPixelX);

/// The position a left click at (`x`, `y`) on the position bar asks for, or
/// nothing when the click is off the track's band (from 1 pixel above the
/// line to 4 pixels below it) or there is no length. Left of the track
/// gives 0; right of it a position past `duration` (the player decides).
std::optional<double> trackClickPosition(float x, float y, const TrackGeometry &track, double duration,
                                         float twipsPerPixelY);

/// The position a drag of the cursor asks for: the cursor's centre moved by
/// how far the mouse went from where it was pressed inside the cursor,
/// mapped onto the track. `cursorLeft` is the cursor's left now, `x` the
/// mouse inside it, `dragStartX` where the press was. Neither end is
/// limited; with no length (or no track) it is 0.
double cursorDragPosition(float cursorLeft, float x, float dragStartX, const TrackGeometry &track,
                          double duration, float twipsPerPixelX);
