#include "playback/ClassPlayerDummy.h"

#include "platform/mci/MciNames.h"
#include "platform/media/VideoTarget.h"
#include "platform/mediaplayer/IMediaPlayerControl.h"
#include "playback/ClassMCIPlay.h"
#include "util/Numbers.h"
#include "util/RuntimeError.h"

namespace {

// The forms runtime's "Object variable or With block variable not set".
constexpr int ObjectNotSet = 91;

// MCI time values are read and written in milliseconds, speeds in percent.
constexpr double MillisecondsPerSecond = 1000.0;
constexpr double PercentPerFactor = 100.0;

const QString kModePlaying = QStringLiteral("playing");

/// The control's play state for one "status <alias> mode" reply. The
/// capitalised words are the ones other MCI drivers answer with; anything
/// unknown (seeking, an error reply) reads as stopped.
std::int32_t playStateOfMode(const QString &mode)
{
    struct Entry {
        const char *mode;
        std::int32_t state;
    };
    static const Entry table[] = {
        {"Opened", MediaPlayState::Stopped},  {MciReply::Open, MediaPlayState::Stopped},
        {"Playing", MediaPlayState::Playing}, {MciReply::Playing, MediaPlayState::Playing},
        {"Stopped", MediaPlayState::Stopped}, {MciReply::Stopped, MediaPlayState::Stopped},
        {"Paused", MediaPlayState::Paused},   {MciReply::Paused, MediaPlayState::Paused},
        {"Closed", MediaPlayState::Closed},   {MciReply::NotReady, MediaPlayState::Closed},
    };
    for (const Entry &entry : table) {
        if (mode == QLatin1String(entry.mode))
            return entry.state;
    }
    return MediaPlayState::Stopped;
}

} // namespace

IMediaPlayerControl &ClassPlayerDummy::control() const
{
    if (!omPlay)
        throw RuntimeError(ObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
    return *omPlay;
}

ClassMCIPlay &ClassPlayerDummy::mci() const
{
    if (!oMCIPlay)
        throw RuntimeError(ObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
    return *oMCIPlay;
}

QString ClassPlayerDummy::FileName() const
{
    return onMci() ? mci().GetFileName() : control().FileName();
}

void ClassPlayerDummy::setFileName(const QString &vNewValue)
{
    // The control keeps its old file while MCI plays; only stopping it is
    // needed to leave it.
    if (onMci())
        mci().mClose(DeviceAlias);
    else
        control().Stop();

    if (mci().mOpen(vNewValue, DeviceAlias) != 0) {
        ActiveVideoMode = VideoMode::Mci;
        pointDeviceAtTarget();
        mci().mSetTimeFormatMillisecond(DeviceAlias);
    } else {
        control().setFileName(vNewValue);
        ActiveVideoMode = VideoMode::MPlay;
    }
    Status = PlayerStatus::Opened;
}

MediaEngine *ClassPlayerDummy::Engine() const
{
    // Every open points the device at the surface, sound-only files too.
    if (onMci())
        return oMCITarget ? oMCITarget->engine() : nullptr;
    return omPlay ? omPlay->engine() : nullptr;
}

void ClassPlayerDummy::pointDeviceAtTarget()
{
    if (!oMCITarget)
        throw RuntimeError(ObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
    // The device draws into the whole surface, measured in pixels.
    mci().mDispTargethWnd(DeviceAlias, oMCITarget->handle());
    const QSize size = oMCITarget->targetSize();
    mci().mDispTargetRect(DeviceAlias, 0, 0, CLng(size.width()), CLng(size.height()));
}

void ClassPlayerDummy::ResetTarget()
{
    pointDeviceAtTarget();
}

void ClassPlayerDummy::vPlay()
{
    if (FileName().isEmpty())
        return;
    if (onMci()) {
        // A paused device resumes. A seek since the pause left it stopped,
        // and a stopped device refuses "resume": it is played instead, or
        // Play after pausing and moving the cursor would do nothing.
        if (Status != PlayerStatus::Paused || mci().mResume(DeviceAlias) != 0)
            mci().mPlay(DeviceAlias);
    } else {
        control().Play();
    }
    Status = PlayerStatus::Playing;
}

void ClassPlayerDummy::vStop()
{
    if (onMci()) {
        mci().mStop(DeviceAlias);
        mci().mClose(DeviceAlias);
        setFileName(FileName());
    } else {
        control().Stop();
    }
    setCurrentPosition(0);
    Status = PlayerStatus::Stopped;
}

void ClassPlayerDummy::vFastForward()
{
    if (!onMci())
        control().FastForward();
}

void ClassPlayerDummy::vFastReverse()
{
    if (!onMci())
        control().FastReverse();
}

void ClassPlayerDummy::vPause()
{
    if (onMci())
        mci().mPause(DeviceAlias);
    else
        control().Pause();
    Status = PlayerStatus::Paused;
}

bool ClassPlayerDummy::CanScan() const
{
    return onMci() ? false : control().CanScan();
}

double ClassPlayerDummy::CurrentPosition() const
{
    if (onMci())
        return Val(mci().mGetPosition(DeviceAlias)) / MillisecondsPerSecond;
    return control().CurrentPosition();
}

void ClassPlayerDummy::setCurrentPosition(double vNewValue)
{
    if (!onMci()) {
        control().setCurrentPosition(vNewValue);
        return;
    }
    // A seek leaves the device stopped, so resume only what was playing.
    // The target is converted first: an overflow must not stop the device.
    const std::int32_t target = CLng(vNewValue * MillisecondsPerSecond);
    const bool wasPlaying = mci().mGetStatus(DeviceAlias) == kModePlaying;
    mci().mSeek(target, DeviceAlias);
    if (wasPlaying)
        mci().mPlay(DeviceAlias);
}

double ClassPlayerDummy::Rate() const
{
    if (onMci())
        return Val(mci().mGetPlaySpeed(DeviceAlias)) / PercentPerFactor;
    return control().Rate();
}

void ClassPlayerDummy::setRate(double vNewValue)
{
    if (onMci())
        mci().mSetPlaySpeed(DeviceAlias, CLng(vNewValue * PercentPerFactor));
    else
        control().setRate(vNewValue);
}

std::int32_t ClassPlayerDummy::PlayState() const
{
    if (onMci())
        return playStateOfMode(mci().mGetStatus(DeviceAlias));
    return control().PlayState();
}

double ClassPlayerDummy::Duration() const
{
    if (onMci())
        return Val(mci().mGetLength(DeviceAlias)) / MillisecondsPerSecond;
    return control().Duration();
}

bool ClassPlayerDummy::EndedShort() const
{
    return onMci() ? false : control().EndedShort();
}

bool ClassPlayerDummy::Mute() const
{
    return onMci() ? false : control().Mute();
}

void ClassPlayerDummy::setMute(bool vNewValue)
{
    if (!onMci())
        control().setMute(vNewValue);
}
