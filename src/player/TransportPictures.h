#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

/// The pictures the control panel draws itself: the eight transport glyphs,
/// the two mute icons and the position cursor.
///
/// Every picture is drawn from vector shapes on its design grid and scaled to
/// the size asked for, so it stays crisp at any device pixel ratio. At the
/// design size and a ratio of 1 the shapes fall on whole pixels.
/// GUI thread only (QPixmap).

/// Design size of a transport picture: 19 x 10 pixels.
constexpr QSize TransportPictureSize{19, 10};
/// Design size of a mute icon: 16 x 16 pixels.
constexpr QSize SpeakerPictureSize{16, 16};
/// Design size of the position cursor: 7 x 16 pixels.
constexpr QSize CursorPictureSize{7, 16};

/// Face colour behind the transport glyphs (red 192, green 192, blue 192).
QColor transportFaceColor();

/// The picture of transport button `index` (0..7, the button's index, not
/// its place): a black glyph on the light grey face, `logicalSize` device-
/// independent pixels at `devicePixelRatio`. An index outside 0..7 gives the
/// plain face.
QPixmap transportPicture(int index, QSize logicalSize = TransportPictureSize, qreal devicePixelRatio = 1.0);

/// The same picture as an icon holding renderings at ratios 1, 1.5, 2 and 3,
/// with a greyed glyph for the disabled state.
QIcon transportIcon(int index, QSize logicalSize = TransportPictureSize);

/// A mute icon on a transparent background: the loudspeaker with sound
/// waves (`muted` false), or the same loudspeaker struck through by a black
/// diagonal line (`muted` true).
QPixmap speakerPicture(bool muted, QSize logicalSize = SpeakerPictureSize, qreal devicePixelRatio = 1.0);

/// The position cursor: a raised grey marker with a pointed lower end, on a
/// transparent background. Its centre column marks the position.
QPixmap cursorPicture(QSize logicalSize = CursorPictureSize, qreal devicePixelRatio = 1.0);
