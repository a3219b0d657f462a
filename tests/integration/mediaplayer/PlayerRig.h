#pragma once

#include "TestSupport.h"

#include "platform/forms/ScreenMetrics.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "playback/ClassMCIPlay.h"
#include "playback/ClassPlayerDummy.h"

#include <QWidget>

/// The video box of the main window: the control and the MCI surface lie in
/// it, one above the other, the way the player wires them.
class PlayerRig {
public:
    /// `shown`: the box is on screen from the start; otherwise it appears
    /// with the first open(), after the file was handed over (the way a
    /// file given on the command line reaches the player).
    explicit PlayerRig(bool shown = true)
    {
        setScreenMetricsOverride(ScreenMetrics{});
        box.resize(700, 560);
        control = new MediaPlayerControl(&box);
        control->setGeometry(0, 0, 320, 240);
        surface = new VideoSurface(&box);
        surface->setGeometry(0, 0, 320, 240);
        player.omPlay = control;
        player.oMCIPlay = &mci;
        player.oMCITarget = surface;
        if (shown)
            box.show();
    }
    ~PlayerRig()
    {
        mci.mClose(QStringLiteral("0"));
        setScreenMetricsOverride(std::nullopt);
    }

    /// Opens `name` and shows the surface the player would show for it.
    void open(const QString &path)
    {
        player.setFileName(path);
        const bool onMci = player.ActiveVideoMode == VideoMode::Mci;
        surface->setVisible(onMci);
        control->setVisible(!onMci);
        box.show();
    }

    bool positionPasses(double seconds, int timeoutMs = 8000)
    {
        return waitUntil([&] { return player.CurrentPosition() > seconds; }, timeoutMs);
    }

    QWidget box;
    MediaPlayerControl *control = nullptr;
    VideoSurface *surface = nullptr;
    ClassMCIPlay mci;
    ClassPlayerDummy player;
};
