#pragma once

#include "platform/media/MediaTracks.h"
#include "platform/mixer/Mixer.h"
#include "playback/TrackChoice.h"
#include "playback/Transport.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>

class ClassMCIPlay;
class ClassPlayerDummy;
class IMediaPlayerControl;
class MediaEngine;
class VideoTarget;

/// What plays, without any widget: the playback facade with its MCI client,
/// and the system mixer. The window is a view of it and hands it the user's
/// commands; the desktop's media controls follow the same signals.
///
/// One timer (every TickMs, from the first open to close()) starts a
/// playback the last open left pending, reads the position, the length and
/// the volume, and reports what changed. It rests while nothing moves on its
/// own (paused, stopped, closed, no file): a command or anything the playing
/// engine reports wakes it for the next tick. Commands report their own
/// changes at once, so a follower never waits a tick for what it asked, and
/// the mixer reports a volume changed elsewhere when it happens, without
/// waking the timer.
///
/// The engines are widgets the window makes; it hands them over with
/// attachEngines() before the first open. Positions and lengths are
/// seconds, volumes mixer levels (0..65535). Facade errors pass to the
/// caller, except in the timer's tick, which runs guarded. GUI thread only.
class PlaybackSession final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlaybackSession)

public:
    /// The period of the status timer, ms.
    static constexpr int TickMs = 300;

    explicit PlaybackSession(QObject *parent = nullptr);
    ~PlaybackSession() override;

    /// The engines the facade routes to: the media player control and the
    /// surface that shows MCI video.
    void attachEngines(IMediaPlayerControl *control, VideoTarget *mciSurface);
    /// Opens the mixer and finds the speakers' volume. Returns the open's
    /// result; on failure the volume reads 0 and setting it does nothing.
    MMRESULT openMixer();

    /// The facade, for what the session does not offer (the window's layout
    /// of the engines, tests).
    ClassPlayerDummy &facade() const { return *m_facade; }

    /// @name What plays
    /// @{
    QString fileName() const;
    bool hasFile() const { return !fileName().isEmpty(); }
    double position() const;
    double duration() const;
    double rate() const;
    /// MediaPlayState.
    std::int32_t playState() const;
    /// "Closed", "Opened", "Playing", "Paused" or "Stopped" (PlayerStatus).
    QString status() const;
    bool canScan() const;
    bool playsOnMci() const;
    /// Whether the file rests where its data ran out, short of its length.
    bool endedShort() const;
    /// Whether the next tick starts playback (an open asked for it).
    bool playPending() const { return m_playPending; }
    /// @}

    /// @name Commands
    /// @{

    /// Leaves the current file and opens `name` (empty: none).
    void open(const QString &name);
    /// Playback starts at the next tick; the timer runs from now on.
    void playAtNextTick();
    /// One transport action, as the transport button for it does (nothing
    /// without a file). Traces the status and the rate it leaves.
    void transport(Transport action);
    /// Seeks to `seconds` (unchecked) and reports it done.
    void seek(double seconds);
    /// Seeks by `seconds` from where the file stands, unchecked.
    void seekBy(double seconds);
    /// Mute on or off (nothing on the MCI engine).
    void setMute(bool mute);
    /// The system volume, 0..65535.
    std::int32_t volume() const;
    /// Sets the system volume (the mixer holds it within its range) and
    /// reports the level it took.
    void setVolume(std::int32_t level);
    /// Stops the timer for good and closes the MCI device: the program is
    /// closing.
    void close();
    /// @}

    /// @name Sound and subtitle tracks
    /// Of the engine that plays the current file, on either path.
    /// @{

    /// The current file's sound and subtitle tracks; empty while none are
    /// known (nothing open, or still loading).
    MediaTracks tracks() const;
    /// Plays sound track `id` and makes it the file's choice; nothing when
    /// the file has no such track.
    void selectAudioTrack(int id);
    /// Shows subtitle track `id` (0: none) and makes it the file's choice;
    /// nothing when the file has no such track.
    void selectSubtitleTrack(int id);
    /// The current file's choice: what restoreTracks() gave, with the
    /// selections made since. Empty after open().
    TrackChoice trackChoice() const { return m_trackChoice; }
    /// Chooses the tracks of the file just opened: at once when they are
    /// known, else as soon as they are. A part naming a track the file does
    /// not have leaves the file's own pick. An engine that plays the file
    /// anew (the MCI path's stop reopens it) is given the choice again.
    void restoreTracks(const TrackChoice &choice);
    /// @}

Q_SIGNALS:
    /// The timer's tick has read the position, the length and the volume.
    void ticked(double position, double length, std::int32_t volume);
    /// Another file (or none) is open.
    void fileChanged(const QString &file);
    /// The play state (MediaPlayState) changed.
    void playStateChanged(std::int32_t state);
    /// A seek was handed to the engine (a stop rewinds: one as well).
    void seekDone(double position);
    /// The system volume changed, here or elsewhere on the desktop.
    void volumeChanged(std::int32_t level);
    /// tracks() changed: another file or engine, a track chosen.
    void tracksChanged();

private:
    void tick();
    /// Whether the next ticks may show something new without anybody saying
    /// so: a playback pending or running (playing, scanning, waiting).
    bool movesOnItsOwn() const;
    /// Starts the resting timer again (not after close()).
    void wake();
    /// Emits volumeChanged when `level` differs from the last report.
    void reportVolume(std::int32_t level);
    /// Emits fileChanged and playStateChanged for what differs from the
    /// last report; follows the engine of the current file first.
    void publish();
    /// Listens to the tracks of the engine that plays now (the MCI path
    /// makes a new one at each open).
    void followEngine();
    void onEngineTracks();
    /// Gives the engine the file's choice once its tracks are known.
    void applyTrackChoice();

    std::unique_ptr<ClassMCIPlay> m_mci;
    std::unique_ptr<ClassPlayerDummy> m_facade;
    HMIXER m_mixer = nullptr;
    MIXERCONTROL m_volumeControl{};
    QTimer m_timer;
    /// From the first playAtNextTick() to close(): the timer runs or rests.
    bool m_ticking = false;
    bool m_playPending = false;
    QString m_reportedFile;
    std::int32_t m_reportedState = -1;
    std::int32_t m_reportedVolume = -1;
    QPointer<MediaEngine> m_engine;
    bool m_tracksKnown = false;
    TrackChoice m_trackChoice;
};
