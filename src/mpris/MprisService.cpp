#include "mpris/MprisService.h"

#include "mpris/MprisAdaptors.h"
#include "mpris/MprisRules.h"
#include "playback/PlaybackSession.h"
#include "util/RuntimeError.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTimer>

#include <cstdio>

namespace {

const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
} // namespace

MprisService::MprisService(PlaybackSession &session, MprisHooks hooks, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_hooks(std::move(hooks))
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    if (!bus.registerObject(ObjectPath, this))
        return;
    // A second player on the same session (another user's instance channel,
    // a test) takes the name MPRIS foresees for more than one instance.
    const QString name = QStringLiteral("org.mpris.MediaPlayer2.kovaplex");
    for (const QString &candidate :
         {name, name + QStringLiteral(".instance") + QString::number(QApplication::applicationPid())}) {
        if (bus.interface()
                ->registerService(candidate, QDBusConnectionInterface::DontQueueService,
                                  QDBusConnectionInterface::DontAllowReplacement)
                .value() == QDBusConnectionInterface::ServiceRegistered) {
            m_busName = candidate;
            break;
        }
    }
    if (m_busName.isEmpty()) {
        std::fprintf(stderr,
                     "Kovaplex: the media keys cannot reach this window (no MPRIS name on the bus).\n");
        bus.unregisterObject(ObjectPath);
        return;
    }
    noteTrack();
    m_last = snapshot();
    connect(&m_session, &PlaybackSession::fileChanged, this, &MprisService::check);
    connect(&m_session, &PlaybackSession::playStateChanged, this, &MprisService::check);
    connect(&m_session, &PlaybackSession::ticked, this, &MprisService::check);
    connect(&m_session, &PlaybackSession::volumeChanged, this, [this](std::int32_t level) {
        announce({{QStringLiteral("Volume"), volumeOfLevel(level)}});
    });
    connect(&m_session, &PlaybackSession::seekDone, this,
            [this](double position) { Q_EMIT seeked(toMicroseconds(position)); });
}

MprisService::~MprisService()
{
    if (m_busName.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(ObjectPath);
    bus.unregisterService(m_busName);
}

void MprisService::raise()
{
    runGuarded("Raise", [this] {
        if (m_hooks.raise)
            m_hooks.raise();
    });
}

void MprisService::quit()
{
    // After the reply: the close step ends the event loop.
    if (m_hooks.quit)
        QTimer::singleShot(0, this, [this] { m_hooks.quit(); });
}

bool MprisService::hasFile() const
{
    return !m_session.fileName().isEmpty();
}

QString MprisService::playbackStatus() const
{
    QString status = QStringLiteral("Stopped");
    runGuarded("PlaybackStatus",
               [&] { status = playbackStatusOf(hasFile(), hasFile() ? m_session.playState() : 0); });
    return status;
}

QVariantMap MprisService::metadata() const
{
    QVariantMap metadata;
    runGuarded("Metadata", [&] {
        metadata = trackMetadata(trackId(), m_session.fileName(), hasFile() ? m_session.duration() : 0);
    });
    return metadata;
}

qlonglong MprisService::position() const
{
    qlonglong position = 0;
    runGuarded("Position", [&] {
        if (hasFile())
            position = toMicroseconds(m_session.position());
    });
    return position;
}

double MprisService::rate() const
{
    double rate = 1.0;
    runGuarded("Rate", [&] {
        if (hasFile())
            rate = m_session.rate();
    });
    return rate;
}

bool MprisService::canSeek() const
{
    bool can = false;
    runGuarded("CanSeek", [&] { can = hasFile() && m_session.duration() > 0; });
    return can;
}

double MprisService::volume() const
{
    double volume = 0;
    runGuarded("Volume", [&] { volume = volumeOfLevel(m_session.volume()); });
    return volume;
}

void MprisService::setVolume(double volume)
{
    runGuarded("Volume", [&] { m_session.setVolume(levelOfVolume(volume)); });
}

void MprisService::transport(Transport action)
{
    runGuarded("BtState_Click", [this, action] { m_session.transport(action); });
}

void MprisService::play()
{
    if (!takesCommands())
        return;
    if (playbackStatus() != QLatin1String("Playing"))
        transport(Transport::Play);
}

void MprisService::pause()
{
    if (!takesCommands())
        return;
    // The pause button toggles; only a playing file is paused.
    if (playbackStatus() == QLatin1String("Playing"))
        transport(Transport::Pause);
}

void MprisService::playPause()
{
    if (!takesCommands())
        return;
    if (playbackStatus() == QLatin1String("Playing"))
        transport(Transport::Pause);
    else
        transport(Transport::Play);
}

void MprisService::stop()
{
    if (!takesCommands())
        return;
    if (hasFile())
        transport(Transport::Stop);
}

void MprisService::seek(qlonglong offsetUs)
{
    if (!takesCommands() || !canSeek())
        return;
    runGuarded("Seek", [&] {
        if (const std::optional<double> target =
                seekTarget(m_session.position(), offsetUs, m_session.duration()))
            m_session.seek(*target);
        else
            transport(Transport::Stop);
    });
}

void MprisService::setPosition(const QDBusObjectPath &trackId, qlonglong positionUs)
{
    if (!takesCommands() || !canSeek() || trackId.path() != this->trackId())
        return;
    runGuarded("SetPosition", [&] {
        if (isValidSetPosition(positionUs, m_session.duration()))
            m_session.seek(static_cast<double>(positionUs) / 1e6);
    });
}

void MprisService::openUri(const QString &uri)
{
    const std::optional<QString> file = localFileOfUri(uri);
    if (!file) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::NotSupported,
                           QStringLiteral("Kovaplex opens local files (file://) only"));
        return;
    }
    // The desktop is told at once when there is nothing to open, rather
    // than a success for a file that never plays.
    if (const QString problem = openableFileProblem(*file); !problem.isEmpty()) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::InvalidArgs, problem);
        return;
    }
    // Queued with the files of later starts and drops: played in order, and
    // only once the program has no question open.
    if (m_hooks.open)
        m_hooks.open(*file);
}

QString MprisService::trackId() const
{
    return QStringLiteral("/org/kovaplex/Kovaplex/track/%1").arg(m_trackNumber);
}

MprisService::Snapshot MprisService::snapshot() const
{
    double length = 0;
    runGuarded("Metadata", [&] { length = hasFile() ? m_session.duration() : 0; });
    return {playbackStatus(), length, canSeek()};
}

bool MprisService::noteTrack()
{
    const QString file = m_session.fileName();
    if (file == m_trackFile)
        return false;
    m_trackFile = file;
    ++m_trackNumber;
    return true;
}

void MprisService::check()
{
    const bool newTrack = noteTrack();
    const Snapshot now = snapshot();
    QVariantMap changed;
    if (now.status != m_last.status)
        changed.insert(QStringLiteral("PlaybackStatus"), now.status);
    if (newTrack || now.length != m_last.length)
        changed.insert(QStringLiteral("Metadata"), metadata());
    if (now.canSeek != m_last.canSeek)
        changed.insert(QStringLiteral("CanSeek"), now.canSeek);
    if (newTrack) {
        changed.insert(QStringLiteral("CanPlay"), hasFile());
        changed.insert(QStringLiteral("CanPause"), hasFile());
    }
    m_last = now;
    if (!changed.isEmpty())
        announce(changed);
    // Another file starts at its own place: a jump for the followers.
    if (newTrack)
        Q_EMIT seeked(position());
}

void MprisService::announce(const QVariantMap &changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << PlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}
