// The status timer: starts playback after a Play, then keeps the time,
// the position cursor and the volume bar current.

#include "player/fmPlayer.h"

#include "platform/forms/Diagnostics.h"
#include "playback/ClassPlayerDummy.h"
#include "playback/mVolCtrl.h"
#include "player/PictureBox.h"
#include "player/PlayerGeometry.h"
#include "util/Numbers.h"
#include "util/RuntimeError.h"

#include <QLabel>
#include <QPainter>

#include <cmath>

void fmPlayer::Timer1_Timer()
{
    runGuarded("Timer1_Timer", [this] {
        if (PendingPlay) {
            m_player->vPlay();
            PendingPlay = false;
        }
        const double position = m_player->CurrentPosition();
        const double length = m_player->Duration();
        Label1->setText(TimeToText(position) + QLatin1Char(' ') + TimeToText(length));
        traceValue("time", Label1->text());

        // Read every tick so that changes made elsewhere on the desktop show.
        UpdateVolumeBar(GetVolume(hMixer, m_volCtrl.dwControlID));

        placeCursor(position, m_player->Duration());
    });
}

void fmPlayer::placeCursor(double position, double length)
{
    const TrackGeometry track{TrackLeft, TrackLength, TrackY};
    const CursorPlacement c = cursorPlacement(position, length, track, TwipsPerPixelX, TwipsPerPixelY);
    if (c.sized)
        placeTwips(imCursor, c.left, c.top, c.width, c.height);
    else
        imCursor->move(twipsToWidgetPixels(c.left, TwipsPerPixelX), imCursor->y());
}

void fmPlayer::UpdateVolumeBar(std::int32_t Level)
{
    const std::int32_t lit = CLng(Level * 24.0 / 65535);
    const double px = TwipsPerPixelX;
    const double py = TwipsPerPixelY;
    const int height = static_cast<int>(std::lround((heightTwips(PiVolume->client()) - 5 * py) / py));
    QPainter painter(&PiVolume->canvas());
    for (int i = 0; i < 24; ++i) {
        const QColor color = i < lit ? QColor(0, 192, 0) : QColor(192, 192, 192);
        painter.fillRect(static_cast<int>(std::lround((3 * px + i * 4 * px) / px)), 2, 2, std::max(0, height),
                         color);
    }
    painter.end();
    PiVolume->client()->update();
}
