#pragma once

#include "platform/media/MediaTracks.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QVariant>

#include <atomic>
#include <functional>

struct mpv_handle;

/// One libmpv core: one media file at a time, played on the GUI thread's
/// terms.
///
/// Threading: create, use and destroy on the GUI thread. libmpv's wakeup
/// callback only queues one call of drain() on this object's thread; drain()
/// reads every pending mpv event, refreshes the cached values and emits the
/// typed signals. The getters return those cached values and never block.
///
/// Transport calls (setPaused(), seek(), setSpeed(), ...) are asynchronous:
/// they return at once. The requested value shows in its getter at once
/// (paused(), speed(), mute(), position() for a seek), so a query right after
/// a command agrees with it; what the core does next (reaching the end,
/// finishing a seek) arrives through drain(). The only calls that wait are
/// loadSync() and seekSync(), and both wait no longer than they are given,
/// keeping the windows painted but handling no input meanwhile.
///
/// Video: the engine draws through one renderer at a time (a video surface,
/// which builds libmpv's render context on renderHandle() and tells the engine
/// through the renderer calls below). A file may be loaded before any
/// renderer exists; it then plays without video (audio and clock run
/// normally, videoSize() is already known from the container) and its video
/// appears as soon as a renderer is ready. Callers need not care about the
/// order. The engine knows its renderer only as a QObject and speaks to it
/// through signals (rendererRevoked(), videoActiveChanged(), redrawNeeded()).
///
/// Audio goes to the system's default output; a machine without a sound
/// device plays silently instead of failing.
///
/// Requires a QApplication (or QGuiApplication) to exist: the constructor
/// sets LC_NUMERIC to "C", which libmpv demands.
class MediaEngine final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MediaEngine)

public:
    enum class LoadResult {
        Loaded,   ///< the file is loaded; cached values describe it
        Failed,   ///< not a playable file (or no engine); nothing is loaded
        TimedOut, ///< no answer in time; the attempt is abandoned, nothing is loaded
    };

    /// Why a file stopped being loaded, as given by endFile().
    enum EndReason {
        EndEof = 0,      ///< played to the end (only without keep-open; ours keeps files open)
        EndStopped = 2,  ///< unload(), or replaced by another load
        EndQuit = 3,     ///< the core is shutting down
        EndError = 4,    ///< the file failed to load or to play on
        EndRedirect = 5, ///< the file was a playlist or a redirect
    };

    /// Creates and initialises the core. On failure isValid() is false and
    /// every call is a harmless no-op (loads report Failed).
    explicit MediaEngine(QObject *parent = nullptr);
    /// Unbinds the surface (it then draws black) and destroys the core.
    ~MediaEngine() override;

    /// True when the core was created and initialised.
    bool isValid() const { return m_handle != nullptr; }
    /// Text of the last failure (core creation, load), empty when none.
    QString lastError() const { return m_lastError; }

    /// Loads `path`, replacing any loaded file, and waits at most `timeoutMs`
    /// for the result. Only regular files are opened; anything else fails at
    /// once. While it waits the windows keep painting, but no user input,
    /// timer, command-channel message or drop is handled inside (WaitGuard);
    /// queued calls between engines still run. Loaded: the file is loaded,
    /// paused when `startPaused`, at position 0, and fileLoaded() has been
    /// emitted. Failed / TimedOut: nothing is loaded and lastError() says why;
    /// loadFailed() is not emitted for a synchronous load.
    LoadResult loadSync(const QString &path, int timeoutMs, bool startPaused = true);

    /// Starts loading `path`, replacing any loaded file, and returns at once.
    /// Later exactly one of fileLoaded() or loadFailed() follows, unless
    /// another load or unload() supersedes this one first.
    void loadAsync(const QString &path, bool startPaused = true);

    /// Closes the loaded file (if any). Cached values return to "nothing
    /// loaded" at once.
    void unload();

    /// Pauses or resumes; paused() follows at once. Resuming at the end of
    /// the media does nothing: the file stays paused at its end until a seek
    /// moves it away.
    void setPaused(bool paused);
    /// Seeks to `seconds` from the start, clamped to [0, duration()].
    /// `exact` lands on that very frame (slower); otherwise on the nearest
    /// key frame before it. No effect with nothing loaded. position() shows
    /// the target at once; seekFinished() follows when playback resumed there.
    void seek(double seconds, bool exact = true);
    /// seek(), then waits at most `timeoutMs` for it to finish, the way
    /// loadSync() waits. Returns true when it finished in time.
    bool seekSync(double seconds, bool exact, int timeoutMs);
    /// Waits at most `timeoutMs` until `done` holds, the way loadSync()
    /// waits; this engine's events and signals go on meanwhile. Returns the
    /// last value of `done`.
    bool waitFor(const std::function<bool()> &done, int timeoutMs);
    // Speed, mute, volume, keepAspect and videoEnabled are settings of the
    // engine: they carry over to the next file. The pause state is given
    // with each load.

    /// Playback speed factor, clamped to [0.01, 100]; audio keeps its pitch.
    void setSpeed(double factor);
    /// Mutes the engine's own audio (the system volume is not touched).
    void setMute(bool mute);
    /// Engine volume in percent, 0 to 100 (the system volume is not touched).
    void setVolume(double percent);
    /// Shows or hides the video track (the surface draws black while hidden).
    /// The wish is kept across loads.
    void setVideoEnabled(bool enabled);
    /// True: letterbox into the surface keeping the picture's shape; false:
    /// stretch to fill it.
    void setKeepAspect(bool keep);
    /// Sets any other mpv property asynchronously (name from MpvNames.h).
    /// Prefer the typed setters: their getters and signals stay in step.
    /// Returns false when the value type cannot be passed to mpv.
    bool setOption(const char *name, const QVariant &value);
    /// Reads any mpv property directly (a short blocking call into the core;
    /// prefer the cached getters). Invalid QVariant when unavailable.
    QVariant readProperty(const char *name) const;

    bool isLoaded() const { return m_loaded; }
    /// True between loadAsync() and fileLoaded()/loadFailed().
    bool isLoading() const { return m_loading; }
    /// Absolute path of the loaded (or loading) file; empty when none.
    QString path() const { return m_path; }
    /// Playback position in seconds, within [0, duration()]; 0 with nothing
    /// loaded. At the end of the media it equals duration() (unless the
    /// data ended short, see endedShort()); after an exact
    /// seek it is the target until playback moves on.
    double position() const { return m_position; }
    /// Length in seconds; 0 with nothing loaded or when unknown.
    double duration() const { return m_duration; }
    bool paused() const { return m_paused; }
    double speed() const { return m_speed; }
    bool mute() const { return m_mute; }
    double volume() const { return m_volume; }
    /// True while the position rests at the end of the media (keep-open).
    bool eofReached() const { return m_eofReached; }
    /// True while the media rests at an end its data reached well before
    /// duration() (a cut or half-downloaded file); position() is then where
    /// the data ran out, not the length.
    bool endedShort() const { return m_eofReached && m_endedShort; }
    bool seekable() const { return m_seekable; }
    /// True while a seek is in progress.
    bool seeking() const { return m_seeking; }
    /// The loaded file has a video track (cover art does not count).
    bool hasVideo() const { return m_hasVideo; }
    bool hasAudio() const { return m_hasAudio; }
    /// Frames per second of the video track as its container states them;
    /// 0 without video or when not stated.
    double videoFps() const { return m_videoFps; }
    /// Size of the picture in pixels as shown (display aspect applied when
    /// known); empty without video.
    QSize videoSize() const { return m_videoSize; }
    bool videoEnabled() const { return m_videoWanted; }
    bool keepAspect() const { return m_keepAspect; }
    /// True while the core has a running video output (a picture of the
    /// loaded file can be drawn).
    bool videoActive() const { return m_videoActive; }

    // Sound and subtitle tracks. The core picks the tracks to play at each
    // load (the default-flagged ones); a subtitle file beside the video with
    // the same base name ("movie.srt" beside "movie.mp4") loads as a track.

    /// The loaded file's sound and subtitle tracks in the core's order, with
    /// the ones that play now marked; empty with nothing loaded. A choice
    /// made with the calls below shows here at once; tracksChanged() follows
    /// every change.
    MediaTracks tracks() const { return m_tracks; }
    /// Plays sound track `id` of tracks(); nothing when there is no such
    /// track.
    void selectAudioTrack(int id);
    /// Shows subtitle track `id` of tracks(); 0 shows none, also when the
    /// file flags one as its default. Nothing for an id there is no track of.
    void selectSubtitleTrack(int id);

    // The renderer binding, for the video surface.

    /// The core a renderer builds its render context on; nullptr when the
    /// engine is not valid. The renderer must free that context when
    /// rendererRevoked() names it, before it returns.
    mpv_handle *renderHandle() const { return m_handle; }
    /// Makes `renderer` the one that draws this engine. A different renderer
    /// bound before is revoked first (rendererRevoked()).
    void attachRenderer(QObject *renderer);
    /// The bound renderer's context exists (true) or is about to be freed
    /// (false); the engine moves its video output to it or off it.
    void setRendererReady(bool ready);
    /// `renderer` lets go of this engine; nothing when it is not the bound one.
    void detachRenderer(QObject *renderer);
    /// The renderer drawing this engine, or nullptr.
    QObject *renderer() const { return m_renderer.data(); }

public Q_SLOTS:
    /// Reads every pending mpv event and updates caches and signals.
    /// Called by the wakeup path; calling it directly is harmless.
    void drain();

Q_SIGNALS:
    /// A file started loading (loadSync() and loadAsync() emit it before
    /// they return or wait). A renderer made in answer takes the file's
    /// video from its first picture: the core makes the file's video only
    /// after the engine's events were next taken.
    void loadStarted();
    void fileLoaded();
    void loadFailed(const QString &reason);
    /// A loaded file stopped being loaded; `reason` is an EndReason value.
    void endFile(int reason);
    void positionChanged(double seconds);
    void durationChanged(double seconds);
    void pausedChanged(bool paused);
    void speedChanged(double factor);
    void muteChanged(bool mute);
    void eofReachedChanged(bool eof);
    void videoSizeChanged(const QSize &size);
    /// tracks() changed: another file, a track added, another one chosen.
    void tracksChanged();
    /// A seek was handed to the core; seekFinished() follows when it is done.
    void seekStarted();
    /// Playback (re)started after a load or a seek. With video, the first
    /// picture at the new place has been handed to the renderer and drawn
    /// by then: the core waits for that before it restarts.
    void seekFinished();
    /// The core's video output started (true) or stopped (false) running.
    void videoActiveChanged(bool active);
    /// What the renderer shows changed without a new frame (the aspect
    /// setting): it should draw again now.
    void redrawNeeded();
    /// `renderer` must free its render context now and let go of the engine:
    /// the engine is being destroyed, or another renderer takes it over.
    void rendererRevoked(QObject *renderer);

private:
    static void onWakeup(void *ctx);
    void handleEvent(const void *event);
    void handleEndFile(const void *data);
    void handlePlaybackRestart();
    void handleSetReply(quint64 reply);
    void handlePropertyChange(const void *event);
    /// Takes a change of a setting that outlives a file; false when
    /// `observed` is no such setting.
    bool takeSettingChange(quint64 observed, const void *prop);
    void takeFileValueChange(quint64 observed, const void *prop);
    bool pumpUntil(const std::function<bool()> &done, int timeoutMs);
    quint64 startLoad(const QString &path, bool startPaused);
    void finishLoad(bool ok, const QString &reason);
    void refreshAfterLoad();
    void readTracks();
    void closeCurrent();
    void resetCaches();
    void stopCore();
    void applyVideoTrack(bool sync);
    void applyVideoOutput(bool sync);
    /// Gives the core `value` for `name` unless `applied` says it has it;
    /// true when it was given.
    bool applyOnce(const char *name, const char *value, const char *&applied, bool sync);
    /// Makes the core rebuild the loaded file's video from where it stands.
    void restartVideoChain();
    void setCachedPosition(double seconds);
    void setCachedDuration(double seconds);
    void setCachedPaused(bool paused);
    void setCachedSpeed(double factor);
    void setCachedMute(bool mute);
    void setCachedEof(bool eof);
    void setCachedVideoSize(const QSize &size);
    void setVideoActive(bool active);
    /// Takes the core's "track-list" as tracks().
    void takeTrackList(const QVariant &list);
    void selectTrack(MediaTrack::Kind kind, int id);

    mpv_handle *m_handle = nullptr;
    std::atomic<bool> m_drainQueued{false};
    QPointer<QObject> m_renderer;
    bool m_renderReady = false;
    // Last "vid" value given to the core, so that repeated wishes do not
    // make it rebuild the video chain.
    const char *m_appliedVid = nullptr;
    // Last video output given to the core ("null" until a renderer exists).
    const char *m_appliedVo = nullptr;
    // The core has a running video output (a picture can be drawn).
    bool m_videoActive = false;
    QString m_lastError;

    // Load bookkeeping: the playlist entry id of the load in flight, so that
    // events of a replaced file are not taken for the new one.
    quint64 m_loadSerial = 0;
    qint64 m_loadingEntry = -1;
    qint64 m_loadedEntry = -1;
    qint64 m_currentEntry = -1;
    bool m_syncLoad = false;
    bool m_loading = false;
    bool m_loaded = false;
    bool m_seekPending = false;
    // Our asynchronous sets of these settings not yet answered by the core.
    int m_pendingPause = 0;
    int m_pendingSpeed = 0;
    int m_pendingMute = 0;
    // The video output changed while a file was loading.
    bool m_restartAfterLoad = false;
    // The loading file's decoders and outputs are made (or being made): the
    // core went on from the point where a load waits for our events.
    bool m_videoChainMade = false;
    bool m_seekExact = false;
    double m_seekTarget = 0;
    // The position shown is the last exact seek target, not mpv's clock.
    bool m_positionPinned = false;

    QString m_path;
    double m_position = 0;
    double m_duration = 0;
    bool m_paused = false;
    double m_speed = 1;
    bool m_mute = false;
    double m_volume = 100;
    bool m_eofReached = false;
    bool m_endedShort = false;
    bool m_seekable = false;
    bool m_seeking = false;
    bool m_hasVideo = false;
    bool m_hasAudio = false;
    double m_videoFps = 0;
    QSize m_videoSize;
    bool m_videoWanted = true;
    bool m_keepAspect = true;
    MediaTracks m_tracks;
    // Our track choices not yet answered by the core: until they are, the
    // core's list shows the choice before them.
    int m_pendingTrackSets = 0;
};
