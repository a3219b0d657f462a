#include "platform/dde/CommandServer.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

/// The peer's user, from the kernel; nothing when it cannot be told.
std::optional<unsigned> peerUser(int fd)
{
    ucred credentials = {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return std::nullopt;
    return credentials.uid;
}

QString systemError(const char *what, int error)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(error)));
}

// Failures of accept() that concern only the connection being taken, or
// that pass: the listening socket itself is sound.
bool passingAcceptError(int error)
{
    switch (error) {
    case EAGAIN:
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
    case EPERM:
    case ENOBUFS:
    case ENOMEM: return true;
    default: return false;
    }
}

} // namespace

/// One connection: its socket, the notifier that watches it and what it
/// has sent so far.
struct CommandServer::Connection {
    int fd = -1;
    QSocketNotifier *notifier = nullptr;
    FrameReader reader;
    bool answered = false;
};

CommandServer::CommandServer(QObject *parent)
    : QObject(parent)
    , m_retry(new QTimer(this))
    , m_allowedUid(::geteuid())
{
    // Only when accept() found no file descriptor and no connection could be
    // dropped for one: look again a little later rather than spin.
    m_retry->setSingleShot(true);
    m_retry->setInterval(100);
    connect(m_retry, &QTimer::timeout, this, [this] {
        if (m_notifier)
            m_notifier->setEnabled(true);
    });
}

CommandServer::~CommandServer()
{
    // The socket file stays: after close() it may be another instance's.
    const Connections open = std::move(m_connections);
    m_connections.clear();
    for (const auto &connection : open) {
        delete connection->notifier;
        ::close(connection->fd);
    }
    closeListener();
}

bool CommandServer::listen(const QString &socketPath)
{
    m_path = socketPath;
    m_nativePath = QFile::encodeName(socketPath);
    m_closed = false;
    return openListener();
}

bool CommandServer::openListener()
{
    closeListener();
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (m_nativePath.size() >= static_cast<qsizetype>(sizeof address.sun_path)) {
        m_error = QStringLiteral("the channel's path is too long: %1").arg(m_path);
        return false;
    }
    std::memcpy(address.sun_path, m_nativePath.constData(), static_cast<size_t>(m_nativePath.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        m_error = systemError("making the socket", errno);
        return false;
    }
    // A file left by an instance that ended without removing it; the lock
    // the caller holds says that nobody listens there.
    ::unlink(m_nativePath.constData());
    // The folder is the user's own already; the socket is closed to others
    // too, for a folder shared more widely than it should be.
    const mode_t mask = ::umask(0077);
    const int bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    const int error = errno;
    ::umask(mask);
    if (bound != 0 || ::listen(fd, SOMAXCONN) != 0) {
        m_error = systemError(bound != 0 ? "binding the socket" : "listening", bound != 0 ? error : errno);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_notifier = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CommandServer::onAcceptable);
    return true;
}

void CommandServer::closeListener()
{
    m_retry->stop();
    delete m_notifier;
    m_notifier = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void CommandServer::close()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_fd >= 0)
        ::unlink(m_nativePath.constData());
    closeListener();
    // Commands already answered are the program's; the others were never
    // taken and their starts must learn so now.
    const Connections open = m_connections;
    for (const auto &connection : open) {
        if (!connection->answered)
            refuse(connection, QStringLiteral("closing"));
    }
}

void CommandServer::onAcceptable()
{
    // A bounded batch, so that a flood of connections cannot hold the event
    // loop; the notifier fires again for the rest.
    for (int i = 0; i < 64 && m_fd >= 0; ++i) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            take(fd);
            continue;
        }
        const int error = errno;
        if (error == EAGAIN || error == EWOULDBLOCK)
            return;
        if (error == EMFILE || error == ENFILE) {
            // Make room at the peers' cost, never at the channel's.
            if (dropOldest(QStringLiteral("no file descriptor left")))
                continue;
            m_notifier->setEnabled(false);
            m_retry->start();
            return;
        }
        if (passingAcceptError(error))
            continue;
        // The listening socket itself is broken: a new one at the same path.
        const QString reason = systemError("accepting", error);
        if (openListener())
            Q_EMIT relistened(reason);
        return;
    }
}

void CommandServer::take(int fd)
{
    const std::optional<unsigned> uid = peerUser(fd);
    if (!uid || *uid != m_allowedUid) {
        ::close(fd);
        Q_EMIT connectionRefused(uid ? QStringLiteral("connection from user %1").arg(*uid)
                                     : QStringLiteral("connection of an unknown user"));
        return;
    }
    while (static_cast<int>(m_connections.size()) >= m_connectionLimit &&
           dropOldest(QStringLiteral("too many connections"))) {
    }
    auto connection = std::make_shared<Connection>();
    connection->fd = fd;
    connection->notifier = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
    m_connections.push_back(connection);
    const std::weak_ptr<Connection> weak = connection;
    connect(connection->notifier, &QSocketNotifier::activated, this, [this, weak] {
        if (const auto c = weak.lock())
            onReadyRead(c);
    });
    // Tied to the notifier, which goes with the connection.
    QTimer::singleShot(m_timeLimitMs, connection->notifier, [this, weak] {
        if (const auto c = weak.lock(); c && !c->answered)
            refuse(c, QStringLiteral("no whole command in time"));
    });
    // Bytes may have arrived with the connection.
    onReadyRead(connection);
}

void CommandServer::onReadyRead(const std::shared_ptr<Connection> &connection)
{
    // What has arrived, up to the frame cap (a peer that sends on and on is
    // refused at the cap rather than read for ever).
    char buffer[4096];
    bool ended = false;
    for (;;) {
        const ssize_t got = ::read(connection->fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (got <= 0) {
            // The peer has gone, or its socket failed: what it sent before
            // still counts.
            ended = true;
            break;
        }
        connection->reader.append(buffer, got);
        if (connection->reader.isBroken()) {
            refuse(connection, QStringLiteral("oversized frame"));
            return;
        }
    }
    const std::optional<QByteArray> frame = connection->reader.takeFrame();
    if (!frame) {
        if (connection->reader.isBroken())
            refuse(connection, QStringLiteral("oversized frame"));
        else if (ended)
            forget(connection);
        return;
    }
    const std::optional<HandOff> handOff = decodeHandOff(*frame);
    if (!handOff) {
        refuse(connection, QStringLiteral("not a command"));
        return;
    }
    connection->answered = true;
    // The item's text (the server keeps none): a few bytes into a socket
    // nothing was written to yet, so they go at once, and the connection
    // ends here. A peer that has gone meanwhile misses only the answer: its
    // command was whole, and runs.
    const QByteArray answer = encodeFrame(QByteArray());
    (void)::send(connection->fd, answer.constData(), static_cast<size_t>(answer.size()), MSG_NOSIGNAL);
    forget(connection);
    Q_EMIT commandReceived(*handOff, ++m_received);
}

void CommandServer::refuse(std::shared_ptr<Connection> connection, const QString &reason)
{
    forget(connection);
    Q_EMIT connectionRefused(reason);
}

void CommandServer::forget(std::shared_ptr<Connection> connection)
{
    const auto it = std::find(m_connections.begin(), m_connections.end(), connection);
    if (it == m_connections.end())
        return;
    m_connections.erase(it);
    // Off before its descriptor closes; deleted later, as this may run from
    // its own signal.
    connection->notifier->setEnabled(false);
    connection->notifier->deleteLater();
    ::close(connection->fd);
    connection->fd = -1;
    // A descriptor came free: accept again if that was what stopped it.
    if (m_retry->isActive()) {
        m_retry->stop();
        if (m_notifier)
            m_notifier->setEnabled(true);
    }
}

bool CommandServer::dropOldest(const QString &reason)
{
    const auto oldest = std::find_if(m_connections.begin(), m_connections.end(),
                                     [](const std::shared_ptr<Connection> &c) { return !c->answered; });
    if (oldest == m_connections.end())
        return false;
    refuse(*oldest, reason); // a copy of the pointer: refuse erases the element
    return true;
}
