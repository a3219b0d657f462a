// The mouse on the position and volume bars, the mute icons, and files
// dropped on the window.

#include "player/fmPlayer.h"

#include "platform/forms/Diagnostics.h"
#include "platform/forms/KeyCodes.h"
#include "platform/media/WaitGuard.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "playback/PlaybackSession.h"
#include "player/BarArithmetic.h"
#include "player/FileDrop.h"
#include "player/LatestSeek.h"
#include "player/OpenQueue.h"
#include "player/PanelWidgets.h"
#include "util/RuntimeError.h"

#include <QLabel>

void fmPlayer::connectBars()
{
    m_seeks = new LatestSeek(
        [this](double seconds) {
            runGuarded("CurrentPosition", [this, seconds] { m_session->seek(seconds); });
        },
        this);

    const auto twipsX = [this](QPoint pos) { return static_cast<float>(pos.x() * TwipsPerPixelX); };
    connect(PiPosition, &PictureBox::MouseDown, this, [this, twipsX](int button, int shift, QPoint pos) {
        PiPosition_MouseDown(button, shift, twipsX(pos), static_cast<float>(pos.y() * TwipsPerPixelY));
    });
    PanelImage *cursor = PiPosition->cursor();
    connect(cursor, &PanelImage::MouseDown, this,
            [this, twipsX](int, int, QPoint pos) { DragStartX = twipsX(pos); });
    connect(cursor, &PanelImage::MouseMove, this,
            [this, twipsX](int buttons, int, QPoint pos) { imCursor_MouseMove(buttons, twipsX(pos)); });
    connect(PiVolume, &VolumeBar::levelChosen, this,
            [this](std::int32_t level) { PiVolume_MouseDown(level); });
    connect(PiPosition, &PositionBar::muteChosen, this, [this](bool mute) { ImSp_Click(mute); });

    auto *ownQueue = new OpenQueue(this);
    takeFilesFrom(*ownQueue);
    ownQueue->release([this](const OpenRequest &request) { openRequest(request); });
    // An engine's wait inside a handler keeps the window busy; what came
    // meanwhile opens once it is over.
    WaitGuard::onWaitsEnd(this, [this] { m_openQueue->resume(); });

    m_drops = new FileDropTarget(this);
    for (QWidget *refusing : std::initializer_list<QWidget *>{MPlayer, Image1, cursor, PiPosition->speaker(0),
                                                              PiPosition->speaker(1)})
        m_drops->refuse(refusing);
    connect(m_drops, &FileDropTarget::fileDropped, this,
            [this](const QString &path) { Form_OLEDragDrop(path); });
}

MediaEngine *fmPlayer::activeEngine() const
{
    return m_session->playsOnMci() ? PiMCI->engine() : MPlayer->engine();
}

void fmPlayer::seekTo(double seconds)
{
    m_seeks->follow(activeEngine());
    m_seeks->request(seconds);
}

void fmPlayer::PiPosition_MouseDown(int Button, int, float X, float Y)
{
    if (!(Button & MouseButtonBits::Left))
        return;
    runGuarded("PiPosition_MouseDown", [this, X, Y] {
        if (const std::optional<double> position = trackClickPosition(
                X, Y, TrackGeometry{TrackLeft, TrackLength, TrackY}, m_session->duration(), TwipsPerPixelY))
            seekTo(*position);
    });
}

void fmPlayer::imCursor_MouseMove(int Button, float X)
{
    if (!(Button & MouseButtonBits::Left))
        return;
    runGuarded("imCursor_MouseMove", [this, X] {
        // The cursor itself stays where the status timer put it; the next
        // move is measured from there.
        const float cursorLeft = static_cast<float>(PiPosition->cursor()->x() * TwipsPerPixelX);
        seekTo(cursorDragPosition(cursorLeft, X, DragStartX, TrackGeometry{TrackLeft, TrackLength, TrackY},
                                  m_session->duration(), TwipsPerPixelX));
    });
}

void fmPlayer::PiVolume_MouseDown(std::int32_t Level)
{
    runGuarded("PiVolume_MouseDown", [this, Level] {
        PiVolume->setLevel(Level);
        m_session->setVolume(Level);
    });
}

void fmPlayer::ImSp_Click(bool Mute)
{
    runGuarded("ImSp_Click", [this, Mute] { m_session->setMute(Mute); });
}

void fmPlayer::Form_OLEDragDrop(const QString &FileName)
{
    // Opening a file may ask whether to resume, in a box with its own event
    // loop; a drop meanwhile waits in the queue for the answer instead of
    // opening a second file inside the first opening.
    m_openQueue->offer({FileName, QString(), OpenSource::Drop, 0});
}

void fmPlayer::takeFilesFrom(OpenQueue &queue)
{
    m_openQueue = &queue;
    queue.setBusy([this] { return isBusy(); });
}

void fmPlayer::openRequest(const OpenRequest &request)
{
    if (request.source == OpenSource::Drop)
        traceValue("drop opens", request.fileName);
    Play(request.fileName);
}
