#include "mpris/MprisService.h"

#include "mpris/MprisAdaptors.h"
#include "mpris/MprisRules.h"
#include "playback/ClassPlayerDummy.h"
#include "player/PlayerCommands.h"
#include "player/fmPlayer.h"
#include "util/RuntimeError.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
constexpr int CheckIntervalMs = 250;
// A position this far from where playing on would have taken it is a jump.
constexpr double JumpSeconds = 1.0;

// While a modal box is open (the resume question inside Play) the window
// takes no command: it would run inside the call that asked.
bool windowTakesCommands()
{
    return QApplication::activeModalWidget() == nullptr;
}

} // namespace

MprisService::MprisService(fmPlayer &player, QObject *parent)
    : QObject(parent)
    , m_player(player)
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
    m_lastPosition = static_cast<double>(position()) / 1e6;
    m_sinceLastPosition.start();
    connect(&m_checkTimer, &QTimer::timeout, this, &MprisService::check);
    m_checkTimer.start(CheckIntervalMs);
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
        if (m_player.isMinimized())
            m_player.setWindowState(m_player.windowState() & ~Qt::WindowMinimized);
        m_player.show();
        m_player.raise();
        m_player.activateWindow();
    });
}

void MprisService::quit()
{
    // After the reply: the close step ends the event loop.
    QTimer::singleShot(0, &m_player, [this] { m_player.runCommand(Command{PlayerCommand::Exit, 0}); });
}

bool MprisService::hasFile() const
{
    return !m_player.player().FileName().isEmpty();
}

QString MprisService::playbackStatus() const
{
    QString status = QStringLiteral("Stopped");
    runGuarded("PlaybackStatus",
               [&] { status = playbackStatusOf(hasFile(), hasFile() ? m_player.player().PlayState() : 0); });
    return status;
}

QVariantMap MprisService::metadata() const
{
    QVariantMap metadata;
    runGuarded("Metadata", [&] {
        const ClassPlayerDummy &player = m_player.player();
        metadata = trackMetadata(trackId(), player.FileName(), hasFile() ? player.Duration() : 0);
    });
    return metadata;
}

qlonglong MprisService::position() const
{
    qlonglong position = 0;
    runGuarded("Position", [&] {
        if (hasFile())
            position = toMicroseconds(m_player.player().CurrentPosition());
    });
    return position;
}

double MprisService::rate() const
{
    double rate = 1.0;
    runGuarded("Rate", [&] {
        if (hasFile())
            rate = m_player.player().Rate();
    });
    return rate;
}

bool MprisService::canSeek() const
{
    bool can = false;
    runGuarded("CanSeek", [&] { can = hasFile() && m_player.player().Duration() > 0; });
    return can;
}

void MprisService::transport(const char *tag)
{
    for (int index = 0; index < TransportCount; ++index) {
        if (std::strcmp(TransportButtons[static_cast<std::size_t>(index)].tag, tag) == 0) {
            m_player.runCommand(Command{PlayerCommand::Transport, index});
            break;
        }
    }
    check();
}

void MprisService::play()
{
    if (!windowTakesCommands())
        return;
    if (playbackStatus() != QLatin1String("Playing"))
        transport("Play");
}

void MprisService::pause()
{
    if (!windowTakesCommands())
        return;
    // The pause button toggles; only a playing file is paused.
    if (playbackStatus() == QLatin1String("Playing"))
        transport("Pause");
}

void MprisService::playPause()
{
    if (!windowTakesCommands())
        return;
    if (playbackStatus() == QLatin1String("Playing"))
        transport("Pause");
    else
        transport("Play");
}

void MprisService::stop()
{
    if (!windowTakesCommands())
        return;
    if (hasFile())
        transport("Stop");
}

void MprisService::seek(qlonglong offsetUs)
{
    if (!windowTakesCommands() || !canSeek())
        return;
    runGuarded("Seek", [&] {
        ClassPlayerDummy &player = m_player.player();
        if (const std::optional<double> target =
                seekTarget(player.CurrentPosition(), offsetUs, player.Duration()))
            player.setCurrentPosition(*target);
        else
            transport("Stop");
    });
    check();
}

void MprisService::setPosition(const QDBusObjectPath &trackId, qlonglong positionUs)
{
    if (!windowTakesCommands() || !canSeek() || trackId.path() != this->trackId())
        return;
    runGuarded("SetPosition", [&] {
        ClassPlayerDummy &player = m_player.player();
        if (isValidSetPosition(positionUs, player.Duration()))
            player.setCurrentPosition(static_cast<double>(positionUs) / 1e6);
    });
    check();
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
    if (m_opener) {
        // Queued with the files of later starts: played in order, and only
        // once the program has no question open.
        m_opener(*file);
        return;
    }
    // After the reply: Play may ask the resume question in a modal box.
    QTimer::singleShot(0, &m_player, [this, name = *file] {
        if (windowTakesCommands())
            m_player.Play(name);
    });
}

QString MprisService::trackId() const
{
    return QStringLiteral("/org/kovaplex/Kovaplex/track/%1").arg(m_trackNumber);
}

MprisService::Snapshot MprisService::snapshot() const
{
    return {playbackStatus(), metadata(), canSeek()};
}

bool MprisService::noteTrack()
{
    const QString file = m_player.player().FileName();
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
    const bool wasPlaying = m_last.status == QLatin1String("Playing");
    QVariantMap changed;
    if (now.status != m_last.status)
        changed.insert(QStringLiteral("PlaybackStatus"), now.status);
    if (now.metadata != m_last.metadata)
        changed.insert(QStringLiteral("Metadata"), now.metadata);
    if (now.canSeek != m_last.canSeek)
        changed.insert(QStringLiteral("CanSeek"), now.canSeek);
    if (newTrack) {
        changed.insert(QStringLiteral("CanPlay"), hasFile());
        changed.insert(QStringLiteral("CanPause"), hasFile());
    }
    m_last = now;
    if (!changed.isEmpty())
        announce(changed);

    // Playing moves the position on at the rate; anything else is a jump.
    const double position = static_cast<double>(this->position()) / 1e6;
    const double elapsed = m_sinceLastPosition.restart() / 1000.0;
    const double expected = m_lastPosition + (wasPlaying ? elapsed * rate() : 0.0);
    if (newTrack || std::abs(position - expected) > JumpSeconds)
        Q_EMIT seeked(toMicroseconds(position));
    m_lastPosition = position;
}

void MprisService::announce(const QVariantMap &changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << PlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}
