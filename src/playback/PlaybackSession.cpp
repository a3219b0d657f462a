#include "playback/PlaybackSession.h"

#include "platform/forms/Diagnostics.h"
#include "platform/media/MediaEngine.h"
#include "platform/mediaplayer/IMediaPlayerControl.h"
#include "playback/ClassMCIPlay.h"
#include "playback/ClassPlayerDummy.h"
#include "playback/mVolCtrl.h"
#include "util/RuntimeError.h"
#include "util/Variant.h"

namespace {

/// The alias under which the facade opens every MCI device.
const QString DeviceAlias = QStringLiteral("0");

} // namespace

PlaybackSession::PlaybackSession(QObject *parent)
    : QObject(parent)
    , m_mci(std::make_unique<ClassMCIPlay>())
    , m_facade(std::make_unique<ClassPlayerDummy>())
{
    m_facade->oMCIPlay = m_mci.get();
    // Named as the window's design names its status timer.
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setParent(this);
    m_timer.setInterval(TickMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { runGuarded("Timer1_Timer", [this] { tick(); }); });
}

PlaybackSession::~PlaybackSession()
{
    // The mixer's callback names this session.
    if (m_mixer)
        mixerClose(m_mixer);
}

void PlaybackSession::attachEngines(IMediaPlayerControl *control, VideoTarget *mciSurface)
{
    m_facade->omPlay = control;
    m_facade->oMCITarget = mciSurface;
}

MMRESULT PlaybackSession::openMixer()
{
    // Changes made elsewhere on the desktop are heard from the mixer itself,
    // so a paused player need not read it over and over to show them.
    const auto changed = [this](HMIXER, std::uint32_t) {
        runGuarded("MixerControlChange", [this] { reportVolume(volume()); });
    };
    const MMRESULT opened = mixerOpen(&m_mixer, 0, changed, CALLBACK_FUNCTION);
    if (opened != MMSYSERR_NOERROR) {
        m_mixer = nullptr;
        return opened;
    }
    if (GetVolumeControl(m_mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERCONTROL_CONTROLTYPE_VOLUME,
                         m_volumeControl) == MMSYSERR_NOERROR)
        reportVolume(volume());
    return opened;
}

QString PlaybackSession::fileName() const
{
    return m_facade->FileName();
}

double PlaybackSession::position() const
{
    return m_facade->CurrentPosition();
}

double PlaybackSession::duration() const
{
    return m_facade->Duration();
}

double PlaybackSession::rate() const
{
    return m_facade->Rate();
}

std::int32_t PlaybackSession::playState() const
{
    return m_facade->PlayState();
}

QString PlaybackSession::status() const
{
    return m_facade->Status;
}

bool PlaybackSession::canScan() const
{
    return m_facade->CanScan();
}

bool PlaybackSession::playsOnMci() const
{
    return m_facade->playsOnMci();
}

bool PlaybackSession::endedShort() const
{
    return m_facade->EndedShort();
}

void PlaybackSession::open(const QString &name)
{
    // A choice is the file's: the next one starts with its own pick.
    m_trackChoice = {};
    m_facade->setFileName(name);
    publish();
    wake();
}

void PlaybackSession::playAtNextTick()
{
    m_playPending = true;
    m_ticking = true;
    m_timer.start();
}

void PlaybackSession::transport(Transport action)
{
    if (!hasFile())
        return;
    ClassPlayerDummy &player = *m_facade;
    switch (action) {
    case Transport::Play:
        // The only command that brings the speed back to normal.
        player.setRate(1.0);
        player.vPlay();
        break;
    case Transport::Stop:
        player.vStop();
        Q_EMIT seekDone(0);
        break;
    case Transport::FastForward:
        if (player.CanScan())
            player.vFastForward();
        else if (const std::optional<double> next = nextScanSpeed([&player] { return player.Rate(); }))
            player.setRate(*next);
        break;
    case Transport::FastBackward: player.vFastReverse(); break;
    case Transport::Pause:
        if (pauseTogglePauses(player.playsOnMci(), player.PlayState()))
            player.vPause();
        else
            player.vPlay();
        break;
    case Transport::StepBack: seekBy(-FrameStepSeconds); break;
    case Transport::StepForward: seekBy(FrameStepSeconds); break;
    case Transport::BackPlay: break;
    }
    traceValue("status", player.Status);
    traceValue("rate", Variant::numberText(player.Rate()));
    publish();
    wake();
}

void PlaybackSession::seek(double seconds)
{
    m_facade->setCurrentPosition(seconds);
    Q_EMIT seekDone(seconds);
    wake();
}

void PlaybackSession::seekBy(double seconds)
{
    const double target = position() + seconds;
    traceValue("seek", Variant::numberText(target));
    seek(target);
}

void PlaybackSession::setMute(bool mute)
{
    m_facade->setMute(mute);
}

std::int32_t PlaybackSession::volume() const
{
    return GetVolume(m_mixer, m_volumeControl.dwControlID);
}

void PlaybackSession::setVolume(std::int32_t level)
{
    SetVolume(m_mixer, m_volumeControl.dwControlID, level);
    // Reported at once, as the mixer holds it, not at the next tick.
    reportVolume(volume());
}

void PlaybackSession::reportVolume(std::int32_t level)
{
    if (level == m_reportedVolume)
        return;
    m_reportedVolume = level;
    Q_EMIT volumeChanged(level);
}

void PlaybackSession::close()
{
    m_ticking = false;
    m_timer.stop();
    m_mci->mClose(DeviceAlias);
}

bool PlaybackSession::movesOnItsOwn() const
{
    if (m_playPending)
        return true;
    if (!hasFile())
        return false;
    const std::int32_t state = playState();
    return state != MediaPlayState::Stopped && state != MediaPlayState::Paused &&
           state != MediaPlayState::Closed;
}

void PlaybackSession::wake()
{
    if (m_ticking && !m_timer.isActive())
        m_timer.start();
}

void PlaybackSession::tick()
{
    if (m_playPending) {
        m_facade->vPlay();
        m_playPending = false;
    }
    const double at = position();
    const double length = duration();
    // Read every tick as well: a sound server that went away is reopened by
    // a read.
    const std::int32_t level = volume();
    Q_EMIT ticked(at, length, level);
    reportVolume(level);
    publish();
    // Paused, stopped or closed, nothing changes until the engine or a
    // command says so, and each of them wakes the timer (the mixer reports a
    // volume changed elsewhere itself): an idle player costs no wake-ups.
    if (!movesOnItsOwn())
        m_timer.stop();
}

MediaTracks PlaybackSession::tracks() const
{
    const MediaEngine *engine = m_facade->Engine();
    return engine ? engine->tracks() : MediaTracks();
}

void PlaybackSession::selectAudioTrack(int id)
{
    MediaEngine *engine = m_facade->Engine();
    if (!engine || !hasTrack(engine->tracks(), MediaTrack::Kind::Audio, id))
        return;
    m_trackChoice.audio = id;
    engine->selectAudioTrack(id);
}

void PlaybackSession::selectSubtitleTrack(int id)
{
    MediaEngine *engine = m_facade->Engine();
    if (!engine || (id != 0 && !hasTrack(engine->tracks(), MediaTrack::Kind::Subtitle, id)))
        return;
    m_trackChoice.subtitle = id;
    engine->selectSubtitleTrack(id);
}

void PlaybackSession::restoreTracks(const TrackChoice &choice)
{
    m_trackChoice = choice;
    followEngine();
    applyTrackChoice();
}

void PlaybackSession::followEngine()
{
    MediaEngine *engine = m_facade->Engine();
    if (engine == m_engine)
        return;
    if (m_engine)
        disconnect(m_engine, nullptr, this, nullptr);
    m_engine = engine;
    m_tracksKnown = false;
    if (engine) {
        connect(engine, &MediaEngine::tracksChanged, this, [this] { onEngineTracks(); });
        // Whatever the engine reports may change what the next tick shows.
        const auto wakes = [this, engine](auto signal) {
            connect(engine, signal, this, &PlaybackSession::wake);
        };
        wakes(&MediaEngine::fileLoaded);
        wakes(&MediaEngine::loadFailed);
        wakes(&MediaEngine::endFile);
        wakes(&MediaEngine::positionChanged);
        wakes(&MediaEngine::durationChanged);
        wakes(&MediaEngine::pausedChanged);
        wakes(&MediaEngine::speedChanged);
        wakes(&MediaEngine::eofReachedChanged);
        wakes(&MediaEngine::seekFinished);
    }
    onEngineTracks();
}

void PlaybackSession::onEngineTracks()
{
    const bool known = m_engine && !m_engine->tracks().isEmpty();
    // Once per file and engine: the list changes again with every choice.
    if (known && !m_tracksKnown) {
        m_tracksKnown = true;
        applyTrackChoice();
    }
    m_tracksKnown = known;
    Q_EMIT tracksChanged();
}

void PlaybackSession::applyTrackChoice()
{
    if (!m_engine || !m_tracksKnown)
        return;
    // A part naming a track the file no longer has (its subtitle file was
    // taken away) is dropped: the file's own pick stands.
    const MediaTracks known = m_engine->tracks();
    std::optional<int> &audio = m_trackChoice.audio;
    if (audio && !hasTrack(known, MediaTrack::Kind::Audio, *audio))
        audio.reset();
    std::optional<int> &subtitle = m_trackChoice.subtitle;
    if (subtitle && *subtitle != 0 && !hasTrack(known, MediaTrack::Kind::Subtitle, *subtitle))
        subtitle.reset();
    // Taken before selecting: each selection reports the list at once.
    const TrackChoice choice = m_trackChoice;
    if (choice.audio)
        m_engine->selectAudioTrack(*choice.audio);
    if (choice.subtitle)
        m_engine->selectSubtitleTrack(*choice.subtitle);
}

void PlaybackSession::publish()
{
    followEngine();
    const QString file = fileName();
    if (file != m_reportedFile) {
        m_reportedFile = file;
        Q_EMIT fileChanged(file);
    }
    const std::int32_t state = hasFile() ? playState() : 0;
    if (state != m_reportedState) {
        m_reportedState = state;
        Q_EMIT playStateChanged(state);
    }
}
