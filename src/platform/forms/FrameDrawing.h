#pragma once

#include "platform/forms/Twips.h"

class QPainter;
class QPaintDevice;

/// One-pixel 3D frames in the desktop's colours, as the control strip draws
/// them around its button rows (sunken) and its position bar (raised).
///
/// Positions and sizes are twips of the picture box; the frame covers the
/// pixels from the corner (X, Y) to (X + W, Y + H), both included. The four
/// shades come from the application's (the desktop's) palette:
/// QPalette::Light as the 3D highlight, QPalette::Dark as the button shadow,
/// QPalette::Shadow as the 3D dark shadow and QPalette::Midlight as the 3D
/// light, the roles the platform themes fill from those system colours.

/// Outer left and top edges in button shadow, outer right and bottom in 3D
/// highlight, all four inner edges in 3D dark shadow.
void DrawSunkenFrame(QPainter &box, float X, float Y, float W, float H, const TwipsPerPixel &tpp);

/// Outer left and top edges in 3D highlight, outer right and bottom in 3D dark
/// shadow, inner left and top in 3D light, inner right and bottom in button
/// shadow.
void DrawRaisedFrame(QPainter &box, float X, float Y, float W, float H, const TwipsPerPixel &tpp);

/// The same on a paint device of its own (an image, a pixmap, or a widget
/// from inside its paint event). Draws nothing when the device cannot be
/// painted on now.
void DrawSunkenFrame(QPaintDevice *box, float X, float Y, float W, float H, const TwipsPerPixel &tpp);
void DrawRaisedFrame(QPaintDevice *box, float X, float Y, float W, float H, const TwipsPerPixel &tpp);
