#include "playback/Transport.h"

#include "platform/mediaplayer/IMediaPlayerControl.h"

std::optional<double> nextScanSpeed(const std::function<double()> &readRate)
{
    for (const double from : {16.0, 8.0, 4.0, 2.0, 1.0}) {
        if (readRate() == from)
            return from * 2;
    }
    return std::nullopt;
}

bool pauseTogglePauses(bool onMci, int state)
{
    if (onMci)
        return state != MediaPlayState::Stopped && state != MediaPlayState::Paused;
    return state != MediaPlayState::Paused;
}
