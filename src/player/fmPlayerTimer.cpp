// The status timer: starts playback after a Play, then keeps the time,
// the position cursor and the volume bar current.

#include "player/fmPlayer.h"

#include "platform/forms/Diagnostics.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "playback/ClassPlayerDummy.h"
#include "playback/mVolCtrl.h"
#include "player/PanelWidgets.h"
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
        QLabel *label = PiPosition->timeLabel();
        label->setText(TimeToText(position) + QLatin1Char(' ') + TimeToText(length));
        traceValue("time", label->text());
        // The label shows whole seconds; a clip shorter than one is seen to
        // play here.
        traceValue("position", QString::number(position, 'f', 2));
        // A file that cannot be played says so where the time would be: the
        // control's own message may lie under the panel.
        PiPosition->showMessage(m_player->ActiveVideoMode == VideoMode::Mci ? QString() : MPlayer->message());

        // Read every tick so that changes made elsewhere on the desktop show.
        const std::int32_t volume = GetVolume(hMixer, m_volCtrl.dwControlID);
        traceValue("volume", QString::number(volume));
        UpdateVolumeBar(volume);

        PiPosition->placeCursor(position, length, TrackGeometry{TrackLeft, TrackLength, TrackY});
    });
}

void fmPlayer::UpdateVolumeBar(std::int32_t Level)
{
    PiVolume->setLevel(Level);
}
