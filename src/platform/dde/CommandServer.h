#pragma once

#include "platform/dde/HandOffFrame.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <list>
#include <memory>

class QSocketNotifier;
class QTimer;

/// The running instance's end of the channel: a local socket that takes one
/// hand-off per connection from later starts of the same program.
///
/// Each connection may send one frame. A connection is dropped without
/// effect when its peer is another user, when it announces a frame over the
/// cap, when its frame is not a hand-off, or when it has not sent a whole
/// frame within the connection time limit. A whole hand-off is answered at
/// once with the item text (empty) and then announced by commandReceived():
/// the answer never waits for what the program does with the command.
///
/// The server keeps listening whatever its peers do: at most
/// connectionLimit() connections are open at once (a new one drops the
/// oldest unanswered one), an accept that fails for want of file
/// descriptors drops the oldest one too, and any other failure of the
/// listening socket makes a new one at the same path. GUI thread only.
class CommandServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommandServer)

public:
    explicit CommandServer(QObject *parent = nullptr);
    ~CommandServer() override;

    /// Listens at `socketPath`, replacing a socket file left there by an
    /// instance that ended without removing it. The caller must hold the
    /// instance lock, which proves that nobody else listens there.
    /// @return false, with the reason in errorString(), when it cannot listen.
    bool listen(const QString &socketPath);
    QString errorString() const { return m_error; }
    bool isListening() const { return m_fd >= 0; }

    /// Stops answering for good: the socket file goes (while the caller
    /// still holds the lock, so it is ours), and connections that have not
    /// been answered are closed without an answer, so that their starts
    /// know their command was not taken.
    void close();

    /// The user whose connections are taken (the effective user by default).
    void setAllowedUser(unsigned uid) { m_allowedUid = uid; }
    /// How long a connection may take to send its frame, ms.
    void setConnectionTimeLimit(int ms) { m_timeLimitMs = ms; }
    /// How many connections may be open at once.
    void setConnectionLimit(int limit) { m_connectionLimit = limit; }
    int connectionLimit() const { return m_connectionLimit; }
    int openConnections() const { return static_cast<int>(m_connections.size()); }

Q_SIGNALS:
    /// A whole hand-off arrived and was answered. `sequence` counts the
    /// commands received, from 1.
    void commandReceived(const HandOff &handOff, quint64 sequence);
    /// A connection was dropped without effect; `reason` says why.
    void connectionRefused(const QString &reason);
    /// The listening socket failed and was made anew (`reason` says why).
    void relistened(const QString &reason);

private:
    struct Connection;
    using Connections = std::list<std::shared_ptr<Connection>>;

    bool openListener();
    void closeListener();
    void onAcceptable();
    void take(int fd);
    void onReadyRead(const std::shared_ptr<Connection> &connection);
    void refuse(std::shared_ptr<Connection> connection, const QString &reason);
    void forget(std::shared_ptr<Connection> connection);
    bool dropOldest(const QString &reason);

    QString m_path;
    QByteArray m_nativePath;
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_retry = nullptr;
    Connections m_connections;
    QString m_error;
    unsigned m_allowedUid;
    int m_timeLimitMs = 5000;
    int m_connectionLimit = 64;
    quint64 m_received = 0;
    bool m_closed = false;
};
