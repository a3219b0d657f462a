#include "platform/dde/CommandServer.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <memory>

#include <sys/socket.h>
#include <unistd.h>

namespace {

/// The peer's user, from the kernel; nothing when it cannot be told.
std::optional<unsigned> peerUser(const QLocalSocket *socket)
{
    ucred credentials = {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &length) != 0)
        return std::nullopt;
    return credentials.uid;
}

} // namespace

/// What one connection has sent so far; lives as long as its socket's
/// handlers.
struct CommandServer::Connection {
    FrameReader reader;
    bool answered = false;
};

CommandServer::CommandServer(QObject *parent)
    : QObject(parent)
    , m_allowedUid(::geteuid())
{}

CommandServer::~CommandServer() = default;

bool CommandServer::listen(const QString &socketPath)
{
    delete m_server;
    m_server = new QLocalServer(this);
    // The folder is the user's own already; this closes the socket itself
    // too, for a folder shared more widely than it should be.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath);
    if (!m_server->listen(socketPath)) {
        m_error = m_server->errorString();
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &CommandServer::onNewConnection);
    return true;
}

void CommandServer::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const std::optional<unsigned> uid = peerUser(socket);
        if (!uid || *uid != m_allowedUid) {
            refuse(socket, uid ? QStringLiteral("connection from user %1").arg(*uid)
                               : QStringLiteral("connection of an unknown user"));
            continue;
        }
        const auto connection = std::make_shared<Connection>();
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, connection] { onReadyRead(socket, *connection); });
        QTimer::singleShot(m_timeLimitMs, socket, [this, socket, connection] {
            if (!connection->answered)
                refuse(socket, QStringLiteral("no whole command in time"));
        });
        // Bytes may have arrived with the connection.
        if (socket->bytesAvailable() > 0)
            onReadyRead(socket, *connection);
    }
}

void CommandServer::onReadyRead(QLocalSocket *socket, Connection &connection)
{
    if (connection.answered) {
        socket->readAll(); // one command per connection; the rest is ignored
        return;
    }
    connection.reader.append(socket->readAll());
    if (connection.reader.isBroken()) {
        refuse(socket, QStringLiteral("oversized frame"));
        return;
    }
    const std::optional<QByteArray> frame = connection.reader.takeFrame();
    if (!frame) {
        if (connection.reader.isBroken())
            refuse(socket, QStringLiteral("oversized frame"));
        return;
    }
    const std::optional<HandOff> handOff = decodeHandOff(*frame);
    if (!handOff) {
        refuse(socket, QStringLiteral("not a command"));
        return;
    }
    connection.answered = true;
    // The item's text: the server keeps none.
    socket->write(encodeFrame(QByteArray()));
    socket->flush();
    socket->disconnectFromServer(); // after the answer has been written
    Q_EMIT commandReceived(*handOff, ++m_received);
}

void CommandServer::refuse(QLocalSocket *socket, const QString &reason)
{
    socket->abort();
    socket->deleteLater();
    Q_EMIT connectionRefused(reason);
}
