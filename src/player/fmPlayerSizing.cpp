// Sizing the video and laying the window out around it.

#include "player/fmPlayer.h"

#include "platform/forms/Diagnostics.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/forms/WindowFrame.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "playback/ClassPlayerDummy.h"
#include "playback/PlaybackSession.h"
#include "player/PictureBox.h"
#include "player/PlayerGeometry.h"

#include <algorithm>
#include <cmath>

float fmPlayer::storedVideoWidth() const
{
    const double pixels = m_settings.videoSize(PlayerDesign::CompactVideoWidth / TwipsPerPixelX);
    // A damaged width (99999, 1E+30) would ask for a window of gigabytes
    // placed off the screen, and the close would store that again. No
    // stored width goes past the screen's, or past 960 pixels on a smaller
    // screen, where a wide view size still reaches beyond the screen.
    const ScreenMetrics &metrics = screenMetrics();
    const double limit = std::max<double>(PlayerDesign::MaxVideoPixelsOnSmallScreen,
                                          metrics.screenSize.width() / metrics.twipsPerPixelX);
    return static_cast<float>(std::min(limit, pixels) * TwipsPerPixelX);
}

void fmPlayer::SetVideoSize(float w)
{
    VideoWidth = w;
    refreshFrameSizes();

    // The outer edges: the frame's top-left where the window system has it,
    // and the client height plus the frame (Qt knows the frame only once
    // the window manager has framed the window; the frame sizes cover the
    // time before).
    const QRect outer = outerWindowGeometry(this);
    WindowPlace place;
    place.left = static_cast<float>(outer.x() * static_cast<double>(TwipsPerPixelX));
    place.top = static_cast<float>(outer.y() * static_cast<double>(TwipsPerPixelY));
    place.outerHeight = static_cast<float>(height() * static_cast<double>(TwipsPerPixelY)) + FrameX + FrameY;

    const CutPercents cut = m_settings.cutPercents();

    const ScreenMetrics &screen = screenMetrics();
    LayoutMetrics metrics;
    metrics.twipsPerPixelX = TwipsPerPixelX;
    metrics.twipsPerPixelY = TwipsPerPixelY;
    metrics.screenWidth = static_cast<float>(screen.screenSize.width());
    metrics.screenHeight = static_cast<float>(screen.screenSize.height());
    metrics.frameX = FrameX;
    metrics.frameY = FrameY;
    const VideoSizeLayout layout = videoSizeLayout(w, place, cut, metrics);

    MPlayer->Move(layout.cut.videoLeft, layout.cut.videoTop, layout.videoWidth, layout.videoHeight);
    placeTwips(PiMCI, MPlayer->Left(), MPlayer->Top(), layout.videoWidth, layout.videoHeight);
    placeTwips(PiVBase, PlayerDesign::VBaseLeft, PlayerDesign::VBaseTop, layout.cut.baseWidth,
               layout.cut.baseHeight);
    if (m_session->playsOnMci())
        m_session->facade().ResetTarget();

    placeTwips(PiCtrl, PlayerDesign::CtrlLeft, layout.ctrlTop, PlayerDesign::CtrlWidth,
               PlayerDesign::CtrlHeight);
    PiCtrl->raise();

    const int clientWidth = std::max(1, twipsToWidgetPixels(layout.windowWidth - 2 * FrameX, TwipsPerPixelX));
    const int clientHeight =
        std::max(1, twipsToWidgetPixels(layout.windowHeight - FrameX - FrameY, TwipsPerPixelY));
    setFixedSize(clientWidth, clientHeight);
    moveWindowFrame(*this, QPoint(twipsToWidgetPixels(layout.windowLeft, TwipsPerPixelX),
                                  twipsToWidgetPixels(layout.windowTop, TwipsPerPixelY)));

    m_settings.setVideoSize(layout.storedWidthPixels);
    traceValue("video", QStringLiteral("%1x%2").arg(MPlayer->width()).arg(MPlayer->height()));
}
