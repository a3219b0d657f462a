#include "platform/media/MediaEngine.h"

#include "platform/media/MpvNames.h"
#include "platform/media/WaitGuard.h"
#include "util/FileNames.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVariantList>
#include <QVariantMap>

#include <mpv/client.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <utility>

namespace {

// reply_userdata of observed properties and of the commands whose replies
// we read; 0 is left for requests whose reply nobody needs.
enum Observed : quint64 {
    ObsTimePos = 1,
    ObsDuration,
    ObsPause,
    ObsSpeed,
    ObsMute,
    ObsVolume,
    ObsEofReached,
    ObsSeekable,
    ObsSeeking,
    ObsVideoParams,
    ObsTrackList,
    ObsAid,
    ObsSid,
};
constexpr quint64 SeekReply = 100;
// Replies of our own sets of the settings the cache follows.
constexpr quint64 SetPauseReply = 101;
constexpr quint64 SetSpeedReply = 102;
constexpr quint64 SetMuteReply = 103;
constexpr quint64 SetTrackReply = 104;
constexpr quint64 PreloadedHook = 105;

constexpr double MinSpeed = 0.01;
constexpr double MaxSpeed = 100.0;
// Granularity of bounded waits: short enough that a deadline is met closely
// and the window repaints smoothly meanwhile.
constexpr int PumpSliceMs = 15;
// How far before its stated length a file may end and still count as played
// to the end (beside one frame): audio packets and rounding.
constexpr double EndSlackSeconds = 1.0;

QVariant nodeToVariant(const mpv_node *node)
{
    switch (node->format) {
    case MPV_FORMAT_STRING: return QString::fromUtf8(node->u.string);
    case MPV_FORMAT_FLAG: return node->u.flag != 0;
    case MPV_FORMAT_INT64: return QVariant::fromValue<qlonglong>(node->u.int64);
    case MPV_FORMAT_DOUBLE: return node->u.double_;
    case MPV_FORMAT_NODE_ARRAY: {
        QVariantList list;
        for (int i = 0; i < node->u.list->num; ++i)
            list.append(nodeToVariant(&node->u.list->values[i]));
        return list;
    }
    case MPV_FORMAT_NODE_MAP: {
        QVariantMap map;
        for (int i = 0; i < node->u.list->num; ++i)
            map.insert(QString::fromUtf8(node->u.list->keys[i]), nodeToVariant(&node->u.list->values[i]));
        return map;
    }
    default: return {};
    }
}

/// The sound and subtitle tracks of the core's "track-list".
MediaTracks tracksFromList(const QVariantList &list)
{
    MediaTracks tracks;
    for (const QVariant &entry : list) {
        const QVariantMap node = entry.toMap();
        const QString type = node.value(QString::fromLatin1(MpvKey::Type)).toString();
        MediaTrack track;
        if (type == QLatin1String(MpvKey::TypeAudio))
            track.kind = MediaTrack::Kind::Audio;
        else if (type == QLatin1String(MpvKey::TypeSub))
            track.kind = MediaTrack::Kind::Subtitle;
        else
            continue;
        track.id = node.value(QString::fromLatin1(MpvKey::Id)).toInt();
        track.language = node.value(QString::fromLatin1(MpvKey::Lang)).toString();
        track.title = node.value(QString::fromLatin1(MpvKey::Title)).toString();
        track.isDefault = node.value(QString::fromLatin1(MpvKey::Default)).toBool();
        track.selected = node.value(QString::fromLatin1(MpvKey::Selected)).toBool();
        track.external = node.value(QString::fromLatin1(MpvKey::External)).toBool();
        if (track.id > 0)
            tracks.append(track);
    }
    return tracks;
}

QSize sizeFromVideoParams(const QVariantMap &params)
{
    // "dw"/"dh" carry the display aspect; "w"/"h" are the coded size.
    QSize size(params.value(QStringLiteral("dw")).toInt(), params.value(QStringLiteral("dh")).toInt());
    if (size.isEmpty())
        size = QSize(params.value(QString::fromLatin1(MpvKey::W)).toInt(),
                     params.value(QString::fromLatin1(MpvKey::H)).toInt());
    return size.isEmpty() ? QSize() : size;
}

bool setOptionString(mpv_handle *h, const char *name, const char *value)
{
    return mpv_set_option_string(h, name, value) >= 0;
}

QString errorText(int error)
{
    return QString::fromUtf8(mpv_error_string(error));
}

// Probes that cannot succeed are not made: each failed one prints its
// failure on stderr from inside a library, for every file.

/// Hardware decoding only where a GPU device exists; elsewhere the CUDA
/// and VDPAU probes only complain.
const char *hardwareDecoding()
{
    static const char *const choice = [] {
        const bool render = !QDir(QStringLiteral("/dev/dri"))
                                 .entryList({QStringLiteral("renderD*")}, QDir::System | QDir::Files)
                                 .isEmpty();
        return render || QFileInfo::exists(QStringLiteral("/dev/nvidiactl")) ? MpvVal::AutoSafe : MpvVal::No;
    }();
    return choice;
}

/// mpv tries PipeWire first; without a PipeWire server running, PulseAudio
/// and ALSA go first and the rest follow (the trailing comma).
const char *audioOutputs()
{
    static const char *const choice = [] {
        QString dir = qEnvironmentVariable("PIPEWIRE_RUNTIME_DIR");
        if (dir.isEmpty())
            dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
        QString remote = qEnvironmentVariable("PIPEWIRE_REMOTE");
        if (remote.isEmpty())
            remote = QStringLiteral("pipewire-0");
        const bool pipewire = !dir.isEmpty() && QFileInfo::exists(QDir(dir).filePath(remote));
        return pipewire ? nullptr : "pulse,alsa,";
    }();
    return choice;
}

/// The core's options before it starts: ours only, nothing of the user's
/// mpv setup.
void setStartOptions(mpv_handle *h)
{
    // Nothing from the user's mpv setup may leak in: no config files, no
    // scripts, no key bindings, no terminal output.
    const std::pair<const char *, const char *> options[] = {
        {MpvOpt::Config, MpvVal::No},
        {MpvOpt::Ytdl, MpvVal::No},
        {MpvOpt::LoadStatsOverlay, MpvVal::No},
        {MpvOpt::LoadOsdConsole, MpvVal::No},
        {MpvOpt::LoadAutoProfiles, MpvVal::No},
        {MpvOpt::InputDefaultBindings, MpvVal::No},
        {MpvOpt::InputBuiltinBindings, MpvVal::No},
        {MpvOpt::InputVoKeyboard, MpvVal::No},
        {MpvOpt::Osc, MpvVal::No},
        {MpvOpt::Terminal, MpvVal::No},
        {MpvOpt::OsdLevel, "0"},
        {MpvOpt::Hwdec, hardwareDecoding()},
        {MpvOpt::Idle, MpvVal::Yes},
        // The end of the media leaves the file loaded and paused there.
        {MpvOpt::KeepOpen, MpvVal::Yes},
        // No renderer yet: the video runs into a dormant output, so that a
        // file without sound still has a clock, until a surface binds.
        {MpvOpt::Vo, MpvVal::Null},
        {MpvOpt::AudioFallbackToNull, MpvVal::Yes},
        {MpvOpt::AudioPitchCorrection, MpvVal::Yes},
        // A subtitle file named as the video ("movie.srt", "movie.ja.ass")
        // is one of its tracks; other names in the folder are not.
        {MpvOpt::SubAuto, MpvVal::Exact},
        // A track chosen for one file is that file's: the next one starts
        // with the tracks it flags itself.
        {MpvOpt::ResetOnNextFile, "aid,sid"},
        // The core hands each picture over when it is due, so the renderer
        // draws it at once and never waits inside a draw (which would hold
        // the whole window, and the core's events, until the picture's time).
        {MpvOpt::VideoTimingOffset, "0"},
    };
    for (const auto &[name, value] : options) {
        // Options missing from an older libmpv are not worth failing over.
        setOptionString(h, name, value);
    }
    if (const char *outputs = audioOutputs())
        setOptionString(h, MpvOpt::Ao, outputs);
    // The renderer loads the hardware decoders' interops on its own.
    if (hardwareDecoding() == MpvVal::No)
        setOptionString(h, MpvOpt::GpuHwdecInterop, MpvVal::No);
    // libva reports its informational lines unless told otherwise.
    if (!qEnvironmentVariableIsSet("LIBVA_MESSAGING_LEVEL"))
        qputenv("LIBVA_MESSAGING_LEVEL", "1");
}

/// The properties whose changes drain() caches.
void observeProperties(mpv_handle *h)
{
    mpv_observe_property(h, ObsTimePos, MpvProp::TimePos, MPV_FORMAT_DOUBLE);
    mpv_observe_property(h, ObsDuration, MpvProp::Duration, MPV_FORMAT_DOUBLE);
    mpv_observe_property(h, ObsPause, MpvProp::Pause, MPV_FORMAT_FLAG);
    mpv_observe_property(h, ObsSpeed, MpvProp::Speed, MPV_FORMAT_DOUBLE);
    mpv_observe_property(h, ObsMute, MpvProp::Mute, MPV_FORMAT_FLAG);
    mpv_observe_property(h, ObsVolume, MpvProp::Volume, MPV_FORMAT_DOUBLE);
    mpv_observe_property(h, ObsEofReached, MpvProp::EofReached, MPV_FORMAT_FLAG);
    mpv_observe_property(h, ObsSeekable, MpvProp::Seekable, MPV_FORMAT_FLAG);
    mpv_observe_property(h, ObsSeeking, MpvProp::Seeking, MPV_FORMAT_FLAG);
    mpv_observe_property(h, ObsVideoParams, MpvProp::VideoParams, MPV_FORMAT_NODE);
    mpv_observe_property(h, ObsTrackList, MpvProp::TrackList, MPV_FORMAT_NODE);
    // A switch of tracks may come without a new list; it is read then.
    mpv_observe_property(h, ObsAid, MpvProp::Aid, MPV_FORMAT_NONE);
    mpv_observe_property(h, ObsSid, MpvProp::Sid, MPV_FORMAT_NONE);
}

} // namespace

MediaEngine::MediaEngine(QObject *parent)
    : QObject(parent)
{
    // Qt resets the C locale when the application object is built; libmpv
    // refuses to run unless numbers are formatted the "C" way.
    std::setlocale(LC_NUMERIC, "C");

    mpv_handle *h = mpv_create();
    if (!h) {
        m_lastError = QStringLiteral("mpv_create failed");
        return;
    }

    setStartOptions(h);

    const int initError = mpv_initialize(h);
    if (initError < 0) {
        m_lastError = QStringLiteral("mpv_initialize failed: ") + errorText(initError);
        mpv_terminate_destroy(h);
        return;
    }

    observeProperties(h);
    // Each load waits here until its events are taken, so that an output
    // chosen meanwhile is the one its video starts on.
    mpv_hook_add(h, PreloadedHook, MpvHook::Preloaded, 0);

    m_handle = h;
    m_appliedVid = MpvVal::Auto;
    m_appliedVo = MpvVal::Null;
    mpv_set_wakeup_callback(h, &MediaEngine::onWakeup, this);
}

MediaEngine::~MediaEngine()
{
    // The renderer must go before the core it belongs to.
    if (m_renderer)
        Q_EMIT rendererRevoked(m_renderer);
    if (!m_handle)
        return;
    // After this returns no wakeup is in flight; a drain() already queued
    // is discarded together with this object.
    mpv_set_wakeup_callback(m_handle, nullptr, nullptr);
    mpv_terminate_destroy(m_handle);
    m_handle = nullptr;
}

void MediaEngine::onWakeup(void *ctx)
{
    // Runs on an mpv thread: only queue one drain() on ours, however many
    // wakeups come before it runs.
    auto *self = static_cast<MediaEngine *>(ctx);
    if (!self->m_drainQueued.exchange(true))
        QMetaObject::invokeMethod(self, &MediaEngine::drain, Qt::QueuedConnection);
}

void MediaEngine::drain()
{
    m_drainQueued.store(false);
    if (!m_handle)
        return;
    for (;;) {
        mpv_event *event = mpv_wait_event(m_handle, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(event);
        if (!m_handle)
            break;
    }
}

bool MediaEngine::pumpUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (!m_handle)
        return done();
    QDeadlineTimer deadline(std::max(0, timeoutMs));
    // The window goes on painting meanwhile, and nothing that could call
    // back into the waiting caller runs.
    const WaitGuard guard;
    while (!done()) {
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            return done();
        const double slice = std::min<qint64>(remaining, PumpSliceMs) / 1000.0;
        mpv_event *event = mpv_wait_event(m_handle, slice);
        if (event->event_id != MPV_EVENT_NONE)
            handleEvent(event);
        if (!done() && QCoreApplication::instance())
            QCoreApplication::processEvents(WaitGuard::flags());
    }
    return true;
}

void MediaEngine::handleEvent(const void *rawEvent)
{
    const auto *event = static_cast<const mpv_event *>(rawEvent);
    switch (event->event_id) {
    case MPV_EVENT_START_FILE:
        m_currentEntry = static_cast<const mpv_event_start_file *>(event->data)->playlist_entry_id;
        break;
    case MPV_EVENT_FILE_LOADED:
        // Only the load we asked for last counts; an abandoned or replaced
        // one may still report in.
        if (m_loading && (m_loadingEntry < 0 || m_currentEntry == m_loadingEntry)) {
            m_loadedEntry = m_currentEntry;
            finishLoad(true, {});
        }
        break;
    case MPV_EVENT_END_FILE: handleEndFile(event->data); break;
    case MPV_EVENT_PLAYBACK_RESTART: handlePlaybackRestart(); break;
    case MPV_EVENT_HOOK: {
        // Only the load we asked for last counts: the hook of a replaced one
        // may still come in before the new file starts. Unknown, it counts
        // (a video made too early for us is rebuilt and seeked, as ever).
        if (m_loading && (m_loadingEntry < 0 || m_currentEntry == m_loadingEntry))
            m_videoChainMade = true;
        mpv_hook_continue(m_handle, static_cast<const mpv_event_hook *>(event->data)->id);
        break;
    }
    case MPV_EVENT_SET_PROPERTY_REPLY: handleSetReply(event->reply_userdata); break;
    case MPV_EVENT_COMMAND_REPLY:
        // A seek the core refused (not seekable, ...) never restarts
        // playback, so nobody may wait for it.
        if (event->reply_userdata == SeekReply && event->error < 0 && m_seekPending) {
            m_seekPending = false;
            m_seeking = false;
            const QVariant pos = readProperty(MpvProp::TimePos);
            if (pos.isValid())
                setCachedPosition(pos.toDouble());
        }
        break;
    case MPV_EVENT_PROPERTY_CHANGE: handlePropertyChange(event); break;
    case MPV_EVENT_SHUTDOWN:
        // Nothing of ours asks the core to quit; should it happen anyway,
        // behave as an engine with nothing loaded.
        if (m_loaded) {
            resetCaches();
            Q_EMIT endFile(EndQuit);
        }
        break;
    default: break;
    }
}

void MediaEngine::handleEndFile(const void *data)
{
    const auto *end = static_cast<const mpv_event_end_file *>(data);
    if (m_loading && end->playlist_entry_id == m_loadingEntry) {
        QString reason;
        if (end->reason == MPV_END_FILE_REASON_ERROR)
            reason = errorText(end->error);
        else if (end->reason == MPV_END_FILE_REASON_REDIRECT)
            reason = QStringLiteral("not a media file (a playlist or a link)");
        else
            reason = QStringLiteral("loading was interrupted");
        // A playlist would go on to play its entries; we open one file.
        if (end->reason == MPV_END_FILE_REASON_REDIRECT)
            stopCore();
        finishLoad(false, reason);
    } else if (m_loaded && end->playlist_entry_id == m_loadedEntry) {
        if (end->reason == MPV_END_FILE_REASON_ERROR)
            m_lastError = errorText(end->error);
        resetCaches();
        Q_EMIT endFile(static_cast<int>(end->reason));
    }
}

void MediaEngine::handlePlaybackRestart()
{
    if (!m_loaded)
        return;
    if (m_seekPending) {
        m_seekPending = false;
        m_seeking = false;
        if (m_seekExact && m_paused) {
            // Paused after playing, mpv's audio clock reports the position
            // less what the sound device still held when it stopped. An exact
            // seek landed on its target, so that is the position until
            // playback moves on.
            m_positionPinned = true;
            setCachedPosition(m_seekTarget);
        } else {
            const QVariant pos = readProperty(MpvProp::TimePos);
            if (pos.isValid())
                setCachedPosition(pos.toDouble());
        }
    }
    Q_EMIT seekFinished();
}

void MediaEngine::handleSetReply(quint64 reply)
{
    // Until the core has taken our value, what it reports of that setting is
    // older than our wish; once it has, its own word counts.
    switch (reply) {
    case SetPauseReply:
        if (m_pendingPause > 0 && --m_pendingPause == 0) {
            const QVariant paused = readProperty(MpvProp::Pause);
            if (paused.isValid())
                setCachedPaused(paused.toBool());
        }
        break;
    case SetSpeedReply:
        if (m_pendingSpeed > 0 && --m_pendingSpeed == 0) {
            const QVariant speed = readProperty(MpvProp::Speed);
            if (speed.isValid())
                setCachedSpeed(speed.toDouble());
        }
        break;
    case SetMuteReply:
        if (m_pendingMute > 0 && --m_pendingMute == 0) {
            const QVariant mute = readProperty(MpvProp::Mute);
            if (mute.isValid())
                setCachedMute(mute.toBool());
        }
        break;
    case SetTrackReply:
        if (m_pendingTrackSets > 0 && --m_pendingTrackSets == 0 && m_loaded)
            takeTrackList(readProperty(MpvProp::TrackList));
        break;
    default: break;
    }
}

namespace {

/// An observed property's new value as the type it was observed as; "none"
/// (the property has no value now) reads as 0 or false.
struct ObservedValue {
    const mpv_event_property *prop;
    bool none() const { return prop->format == MPV_FORMAT_NONE; }
    double asDouble() const { return none() ? 0.0 : *static_cast<double *>(prop->data); }
    bool asFlag() const { return none() ? false : *static_cast<int *>(prop->data) != 0; }
};

} // namespace

void MediaEngine::handlePropertyChange(const void *rawEvent)
{
    const auto *event = static_cast<const mpv_event *>(rawEvent);
    const auto *prop = static_cast<const mpv_event_property *>(event->data);
    // Settings that outlive a file are always taken; values of a file only
    // while it is ours: a load in flight or a replaced file must not
    // overwrite what refreshAfterLoad() read.
    if (!takeSettingChange(event->reply_userdata, prop) && m_loaded)
        takeFileValueChange(event->reply_userdata, prop);
}

bool MediaEngine::takeSettingChange(quint64 observed, const void *rawProp)
{
    const ObservedValue value{static_cast<const mpv_event_property *>(rawProp)};
    switch (observed) {
    case ObsPause:
        if (!value.none() && m_pendingPause == 0)
            setCachedPaused(value.asFlag());
        return true;
    case ObsSpeed:
        if (!value.none() && m_pendingSpeed == 0)
            setCachedSpeed(value.asDouble());
        return true;
    case ObsMute:
        if (!value.none() && m_pendingMute == 0)
            setCachedMute(value.asFlag());
        return true;
    case ObsVolume:
        if (!value.none())
            m_volume = value.asDouble();
        return true;
    default: return false;
    }
}

void MediaEngine::takeFileValueChange(quint64 observed, const void *rawProp)
{
    const auto *prop = static_cast<const mpv_event_property *>(rawProp);
    const ObservedValue value{prop};
    switch (observed) {
    case ObsTimePos:
        if (!value.none() && !m_positionPinned && !m_seekPending)
            setCachedPosition(value.asDouble());
        break;
    case ObsDuration:
        if (!value.none())
            setCachedDuration(value.asDouble());
        break;
    case ObsEofReached: setCachedEof(value.asFlag()); break;
    case ObsSeekable: m_seekable = value.asFlag(); break;
    // The core also "seeks" while it starts a file's video; only our own
    // seeks count.
    case ObsSeeking: m_seeking = m_seekPending && value.asFlag(); break;
    case ObsTrackList:
        if (!value.none())
            takeTrackList(nodeToVariant(static_cast<mpv_node *>(prop->data)));
        break;
    case ObsAid:
    case ObsSid: takeTrackList(readProperty(MpvProp::TrackList)); break;
    case ObsVideoParams:
        setVideoActive(!value.none());
        if (!value.none()) {
            const QSize size =
                sizeFromVideoParams(nodeToVariant(static_cast<mpv_node *>(prop->data)).toMap());
            if (!size.isEmpty())
                setCachedVideoSize(size);
        }
        break;
    default: break;
    }
}

MediaEngine::LoadResult MediaEngine::loadSync(const QString &path, int timeoutMs, bool startPaused)
{
    const quint64 serial = startLoad(path, startPaused);
    if (!m_loading)
        return m_loaded ? LoadResult::Loaded : LoadResult::Failed;
    m_syncLoad = true;
    pumpUntil([&] { return !m_loading || m_loadSerial != serial; }, timeoutMs);
    if (m_loadSerial != serial) // superseded by a load started from a signal handler
        return LoadResult::Failed;
    m_syncLoad = false;
    if (m_loading) {
        // Give up on it for good: its late events are ignored and the core
        // drops whatever it has opened so far.
        m_loading = false;
        m_loadingEntry = -1;
        m_path.clear();
        m_lastError = QStringLiteral("loading timed out");
        stopCore();
        return LoadResult::TimedOut;
    }
    return m_loaded ? LoadResult::Loaded : LoadResult::Failed;
}

void MediaEngine::loadAsync(const QString &path, bool startPaused)
{
    const quint64 serial = startLoad(path, startPaused);
    if (m_loading)
        return;
    // Refused before reaching the core: report it the same way as a core
    // failure, after the caller has returned and connected.
    const QString reason = m_lastError;
    QMetaObject::invokeMethod(
        this,
        [this, serial, reason] {
            if (m_loadSerial == serial && !m_loaded)
                Q_EMIT loadFailed(reason);
        },
        Qt::QueuedConnection);
}

quint64 MediaEngine::startLoad(const QString &path, bool startPaused)
{
    const quint64 serial = ++m_loadSerial;
    const bool busy = m_loaded || m_loading;
    closeCurrent();
    m_lastError.clear();
    m_syncLoad = false;
    // A refused file still closes the one before it, like a failed one.
    const auto refuse = [&](const QString &reason) {
        m_lastError = reason;
        if (busy)
            stopCore();
        return serial;
    };

    if (!m_handle) {
        m_lastError = QStringLiteral("no media engine");
        return serial;
    }
    // Only local files are played, by absolute path: a name must never be
    // taken for one of mpv's protocols ("lavfi://", "fd://", "memory://"...)
    // or option syntax, and a folder would be played as a playlist.
    // The name's own bytes (UTF-8 or not), and ".." left to the system.
    const FileStatus status = fileStatus(path);
    if (path.isEmpty() || !status.exists)
        return refuse(QStringLiteral("file not found"));
    // Only a regular file: a FIFO, a device or a socket may never deliver
    // a byte, and reading one would hold the caller for the whole wait.
    if (!status.regular)
        return refuse(QStringLiteral("not a regular file"));
    const QString absoluteName = absoluteFileName(path);
    const QByteArray absolute = encodeFileName(absoluteName);

    int flag = startPaused ? 1 : 0;
    mpv_set_property(m_handle, MpvProp::Pause, MPV_FORMAT_FLAG, &flag);
    setCachedPaused(startPaused);
    applyVideoTrack(true);

    const char *args[] = {MpvCmd::LoadFile, absolute.constData(), MpvCmd::LoadFileReplace, nullptr};
    mpv_node result;
    const int error = mpv_command_ret(m_handle, args, &result);
    if (error < 0)
        return refuse(errorText(error));
    const QVariantMap reply = nodeToVariant(&result).toMap();
    mpv_free_node_contents(&result);
    m_loadingEntry = reply.value(QStringLiteral("playlist_entry_id"), -1).toLongLong();
    m_path = absoluteName;
    m_loading = true;
    m_videoChainMade = false;
    // A renderer made now takes the file's video from its first picture:
    // the core opens the file meanwhile and waits for our events before it
    // makes the decoders and the output.
    Q_EMIT loadStarted();
    return serial;
}

void MediaEngine::finishLoad(bool ok, const QString &reason)
{
    m_loading = false;
    m_loadingEntry = -1;
    if (!ok) {
        m_path.clear();
        m_lastError = reason;
        if (!m_syncLoad)
            Q_EMIT loadFailed(reason);
        return;
    }
    m_loaded = true;
    refreshAfterLoad();
    if (std::exchange(m_restartAfterLoad, false))
        restartVideoChain();
    Q_EMIT fileLoaded();
}

void MediaEngine::refreshAfterLoad()
{
    readTracks();
    const QVariant duration = readProperty(MpvProp::Duration);
    setCachedDuration(duration.isValid() ? duration.toDouble() : 0.0);
    const QVariant pos = readProperty(MpvProp::TimePos);
    setCachedPosition(pos.isValid() ? pos.toDouble() : 0.0);
    m_seekable = readProperty(MpvProp::Seekable).toBool();
    m_seeking = false;
    setCachedEof(readProperty(MpvProp::EofReached).toBool());
    const QVariant params = readProperty(MpvProp::VideoParams);
    setVideoActive(params.isValid());
    const QSize shown = sizeFromVideoParams(params.toMap());
    if (!shown.isEmpty())
        setCachedVideoSize(shown);
}

void MediaEngine::readTracks()
{
    m_hasVideo = false;
    m_hasAudio = false;
    m_videoFps = 0;
    QSize size;
    const QVariantList tracks = readProperty(MpvProp::TrackList).toList();
    for (const QVariant &entry : tracks) {
        const QVariantMap track = entry.toMap();
        const QString type = track.value(QString::fromLatin1(MpvKey::Type)).toString();
        if (type == QLatin1String(MpvKey::TypeAudio)) {
            m_hasAudio = true;
        } else if (type == QLatin1String(MpvKey::TypeVideo) &&
                   !track.value(QString::fromLatin1(MpvKey::Albumart)).toBool()) {
            // The container's size is known even while no video output runs.
            const QSize trackSize(track.value(QString::fromLatin1(MpvKey::DemuxW)).toInt(),
                                  track.value(QString::fromLatin1(MpvKey::DemuxH)).toInt());
            if (!m_hasVideo || track.value(QString::fromLatin1(MpvKey::Selected)).toBool()) {
                size = trackSize;
                const double fps = track.value(QString::fromLatin1(MpvKey::DemuxFps)).toDouble();
                m_videoFps = std::isfinite(fps) && fps > 0 ? fps : 0;
            }
            m_hasVideo = true;
        }
    }
    setCachedVideoSize(size.isEmpty() ? QSize() : size);
    takeTrackList(tracks);
}

void MediaEngine::closeCurrent()
{
    const bool wasLoaded = m_loaded;
    m_restartAfterLoad = false;
    m_loading = false;
    m_loadingEntry = -1;
    resetCaches();
    if (wasLoaded)
        Q_EMIT endFile(EndStopped);
}

void MediaEngine::resetCaches()
{
    m_loaded = false;
    m_loadedEntry = -1;
    m_seekPending = false;
    m_positionPinned = false;
    m_path.clear();
    m_seekable = false;
    m_seeking = false;
    m_hasVideo = false;
    m_hasAudio = false;
    m_videoFps = 0;
    setVideoActive(false);
    setCachedEof(false);
    setCachedPosition(0);
    setCachedDuration(0);
    setCachedVideoSize(QSize());
    m_pendingTrackSets = 0;
    takeTrackList(QVariant());
}

void MediaEngine::stopCore()
{
    if (!m_handle)
        return;
    // Synchronous: an asynchronous stop may run after a load issued next
    // and take that one down with it.
    const char *args[] = {MpvCmd::Stop, nullptr};
    mpv_command(m_handle, args);
}

void MediaEngine::unload()
{
    ++m_loadSerial;
    const bool busy = m_loaded || m_loading;
    closeCurrent();
    if (busy)
        stopCore();
}

void MediaEngine::setPaused(bool paused)
{
    if (!m_handle)
        return;
    int flag = paused ? 1 : 0;
    if (mpv_set_property_async(m_handle, SetPauseReply, MpvProp::Pause, MPV_FORMAT_FLAG, &flag) >= 0)
        ++m_pendingPause;
    // At the end of a kept-open file the core pauses again at once, so fast
    // that observers may never hear of the brief "playing"; don't claim it.
    if (!paused && m_loaded && m_eofReached)
        return;
    setCachedPaused(paused);
}

void MediaEngine::seek(double seconds, bool exact)
{
    if (!m_handle || !m_loaded || !std::isfinite(seconds))
        return;
    seconds = std::max(0.0, seconds);
    if (m_duration > 0)
        seconds = std::min(seconds, m_duration);
    const QByteArray target = QByteArray::number(seconds, 'f', 6);
    const char *args[] = {MpvCmd::Seek, target.constData(),
                          exact ? MpvCmd::SeekAbsoluteExact : MpvCmd::SeekAbsoluteKeyframes, nullptr};
    if (mpv_command_async(m_handle, SeekReply, args) < 0)
        return;
    m_seekPending = true;
    m_seekExact = exact;
    m_seekTarget = seconds;
    m_positionPinned = false;
    m_seeking = true;
    if (m_duration <= 0 || seconds < m_duration)
        setCachedEof(false);
    setCachedPosition(seconds);
    Q_EMIT seekStarted();
}

bool MediaEngine::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    return pumpUntil(done, timeoutMs);
}

bool MediaEngine::seekSync(double seconds, bool exact, int timeoutMs)
{
    seek(seconds, exact);
    if (!m_seekPending)
        return false;
    const quint64 serial = m_loadSerial;
    return pumpUntil([&] { return !m_seekPending || m_loadSerial != serial; }, timeoutMs) &&
           m_loadSerial == serial;
}

void MediaEngine::setSpeed(double factor)
{
    if (!m_handle || !std::isfinite(factor))
        return;
    factor = std::clamp(factor, MinSpeed, MaxSpeed);
    if (mpv_set_property_async(m_handle, SetSpeedReply, MpvProp::Speed, MPV_FORMAT_DOUBLE, &factor) >= 0)
        ++m_pendingSpeed;
    setCachedSpeed(factor);
}

void MediaEngine::setMute(bool mute)
{
    if (!m_handle)
        return;
    int flag = mute ? 1 : 0;
    if (mpv_set_property_async(m_handle, SetMuteReply, MpvProp::Mute, MPV_FORMAT_FLAG, &flag) >= 0)
        ++m_pendingMute;
    setCachedMute(mute);
}

void MediaEngine::setVolume(double percent)
{
    if (!m_handle || !std::isfinite(percent))
        return;
    percent = std::clamp(percent, 0.0, 100.0);
    mpv_set_property_async(m_handle, 0, MpvProp::Volume, MPV_FORMAT_DOUBLE, &percent);
    m_volume = percent;
}

void MediaEngine::selectAudioTrack(int id)
{
    selectTrack(MediaTrack::Kind::Audio, id);
}

void MediaEngine::selectSubtitleTrack(int id)
{
    selectTrack(MediaTrack::Kind::Subtitle, id);
}

void MediaEngine::selectTrack(MediaTrack::Kind kind, int id)
{
    const bool audio = kind == MediaTrack::Kind::Audio;
    // Sound is never switched off here; subtitles are, with 0.
    if (!m_handle || !m_loaded || !(hasTrack(m_tracks, kind, id) || (!audio && id == 0)))
        return;
    const QByteArray value = id > 0 ? QByteArray::number(id) : QByteArray(MpvVal::No);
    const char *data = value.constData();
    if (mpv_set_property_async(m_handle, SetTrackReply, audio ? MpvOpt::Aid : MpvOpt::Sid, MPV_FORMAT_STRING,
                               &data) < 0)
        return;
    ++m_pendingTrackSets;
    MediaTracks chosen = m_tracks;
    for (MediaTrack &track : chosen) {
        if (track.kind == kind)
            track.selected = track.id == id;
    }
    if (chosen != m_tracks) {
        m_tracks = chosen;
        Q_EMIT tracksChanged();
    }
}

void MediaEngine::takeTrackList(const QVariant &list)
{
    // Until the core has taken our choice, its list shows the one before.
    if (m_pendingTrackSets > 0)
        return;
    const MediaTracks tracks = tracksFromList(list.toList());
    if (tracks != m_tracks) {
        m_tracks = tracks;
        Q_EMIT tracksChanged();
    }
}

void MediaEngine::setVideoEnabled(bool enabled)
{
    m_videoWanted = enabled;
    applyVideoTrack(false);
}

void MediaEngine::setKeepAspect(bool keep)
{
    if (!m_handle)
        return;
    int flag = keep ? 1 : 0;
    mpv_set_property_async(m_handle, 0, MpvOpt::KeepAspect, MPV_FORMAT_FLAG, &flag);
    m_keepAspect = keep;
    Q_EMIT redrawNeeded();
}

void MediaEngine::applyVideoTrack(bool sync)
{
    applyOnce(MpvOpt::Vid, m_videoWanted ? MpvVal::Auto : MpvVal::No, m_appliedVid, sync);
}

void MediaEngine::applyVideoOutput(bool sync)
{
    // The libmpv output draws through the surface's renderer; without one it
    // would fail and drop the video track for the rest of the file, so the
    // video goes to the null output meanwhile and keeps the clock running.
    // Before a loading file's video is made, the change is given at once,
    // so that the core has it when it goes on.
    const bool beforeVideo = m_loading && !m_videoChainMade;
    if (applyOnce(MpvOpt::Vo, m_renderReady ? MpvVal::Libmpv : MpvVal::Null, m_appliedVo,
                  sync || beforeVideo))
        restartVideoChain();
}

bool MediaEngine::applyOnce(const char *name, const char *value, const char *&applied, bool sync)
{
    // Repeated wishes must not make the core rebuild its video chain.
    if (!m_handle || applied == value)
        return false;
    applied = value;
    if (sync)
        mpv_set_property_string(m_handle, name, value);
    else
        mpv_set_property_async(m_handle, 0, name, MPV_FORMAT_STRING, &value);
    return true;
}

void MediaEngine::restartVideoChain()
{
    // The core rebuilds its video chain when the output changes under a
    // loaded file, and about one time in four that chain never gets its
    // first frame: the clock stands at the start, the sound stays corked,
    // and unpausing does nothing (a seek is the only way out). So every
    // such change is followed by a seek to where the file stands, queued
    // behind the change; a file still loading gets it once it is loaded,
    // unless its video was not made yet: then it starts on the new output.
    if (m_loading && !m_videoChainMade)
        return;
    if (m_loading) {
        m_restartAfterLoad = true;
        return;
    }
    if (m_loaded)
        seek(m_position, true);
}

bool MediaEngine::setOption(const char *name, const QVariant &value)
{
    if (!m_handle || !name)
        return false;
    switch (value.typeId()) {
    case QMetaType::Bool: {
        int flag = value.toBool() ? 1 : 0;
        return mpv_set_property_async(m_handle, 0, name, MPV_FORMAT_FLAG, &flag) >= 0;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        int64_t number = value.toLongLong();
        return mpv_set_property_async(m_handle, 0, name, MPV_FORMAT_INT64, &number) >= 0;
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        double number = value.toDouble();
        return mpv_set_property_async(m_handle, 0, name, MPV_FORMAT_DOUBLE, &number) >= 0;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QByteArray text = value.toString().toUtf8();
        const char *data = text.constData();
        return mpv_set_property_async(m_handle, 0, name, MPV_FORMAT_STRING, &data) >= 0;
    }
    default: return false;
    }
}

QVariant MediaEngine::readProperty(const char *name) const
{
    if (!m_handle || !name)
        return {};
    mpv_node node;
    if (mpv_get_property(m_handle, name, MPV_FORMAT_NODE, &node) < 0)
        return {};
    QVariant value = nodeToVariant(&node);
    mpv_free_node_contents(&node);
    return value;
}

void MediaEngine::setCachedPosition(double seconds)
{
    // At the end mpv reports the last frame's time; the media's end is the
    // length, and that is what callers compare against. A file whose data
    // ran out early keeps the place where it did.
    if (m_eofReached && m_duration > 0 && !m_endedShort)
        seconds = m_duration;
    // Streams that start a little late report negative times at the start.
    seconds = std::max(0.0, seconds);
    if (seconds != m_position) {
        m_position = seconds;
        Q_EMIT positionChanged(m_position);
    }
}

void MediaEngine::setCachedDuration(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    if (seconds != m_duration) {
        m_duration = seconds;
        Q_EMIT durationChanged(m_duration);
    }
}

void MediaEngine::setCachedPaused(bool paused)
{
    if (!paused)
        m_positionPinned = false;
    if (paused != m_paused) {
        m_paused = paused;
        Q_EMIT pausedChanged(m_paused);
    }
}

void MediaEngine::setCachedSpeed(double factor)
{
    if (factor != m_speed) {
        m_speed = factor;
        Q_EMIT speedChanged(m_speed);
    }
}

void MediaEngine::setCachedMute(bool mute)
{
    if (mute != m_mute) {
        m_mute = mute;
        Q_EMIT muteChanged(m_mute);
    }
}

void MediaEngine::setCachedEof(bool eof)
{
    if (eof == m_eofReached)
        return;
    m_eofReached = eof;
    m_endedShort = false;
    if (eof) {
        // The last frame starts at most a frame before the length; a cut
        // (truncated, half downloaded) file ends far before it.
        const QVariant reached = readProperty(MpvProp::TimePos);
        const double slack = EndSlackSeconds + (m_videoFps > 0 ? 1.0 / m_videoFps : 0.0);
        m_endedShort = reached.isValid() && m_duration > 0 && reached.toDouble() < m_duration - slack;
        setCachedPosition(m_endedShort ? reached.toDouble() : m_duration);
    }
    Q_EMIT eofReachedChanged(m_eofReached);
}

void MediaEngine::setCachedVideoSize(const QSize &size)
{
    if (size != m_videoSize) {
        m_videoSize = size;
        Q_EMIT videoSizeChanged(m_videoSize);
    }
}

void MediaEngine::setVideoActive(bool active)
{
    if (active == m_videoActive)
        return;
    m_videoActive = active;
    // A picture drawn before the video was known to run counted for nothing:
    // the renderer draws again when it starts.
    Q_EMIT videoActiveChanged(active);
}

void MediaEngine::attachRenderer(QObject *renderer)
{
    // One renderer per core: take the engine away from another one first.
    if (m_renderer && m_renderer != renderer)
        Q_EMIT rendererRevoked(m_renderer);
    m_renderer = renderer;
}

void MediaEngine::setRendererReady(bool ready)
{
    m_renderReady = ready;
    // Leaving the renderer must be done before it goes away, so wait for it;
    // taking it up can follow at the core's pace.
    applyVideoOutput(!ready);
}

void MediaEngine::detachRenderer(QObject *renderer)
{
    if (m_renderer != renderer)
        return;
    m_renderer = nullptr;
    m_renderReady = false;
    applyVideoOutput(true);
}
