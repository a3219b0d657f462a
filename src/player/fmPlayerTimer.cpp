// The status timer's tick as the window shows it: the time, the position
// cursor and the volume bar.

#include "player/fmPlayer.h"

#include "platform/forms/Diagnostics.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "playback/PlaybackSession.h"
#include "player/PanelWidgets.h"
#include "player/PlayerGeometry.h"
#include "util/Numbers.h"

#include <QLabel>
#include <QPainter>

#include <cmath>

void fmPlayer::Timer1_Timer(double position, double length, std::int32_t volume)
{
    QLabel *label = PiPosition->timeLabel();
    label->setText(TimeToText(position) + QLatin1Char(' ') + TimeToText(length));
    traceValue("time", label->text());
    // The label shows whole seconds; a clip shorter than one is seen to
    // play here.
    traceValue("position", QString::number(position, 'f', 2));
    // A file that cannot be played says so where the time would be: the
    // control's own message may lie under the panel.
    PiPosition->showMessage(m_session->playsOnMci() ? QString() : MPlayer->message());

    traceValue("volume", QString::number(volume));
    PiVolume->setLevel(volume);

    PiPosition->placeCursor(position, length, TrackGeometry{TrackLeft, TrackLength, TrackY});
}
