#pragma once

#include "platform/dde/HandOffFrame.h"

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

/// The running instance's end of the channel: a local socket that takes one
/// hand-off per connection from later starts of the same program.
///
/// Each connection may send one frame. A connection is dropped without
/// effect when its peer is another user, when it announces a frame over the
/// cap, when its frame is not a hand-off, or when it has not sent a whole
/// frame within the connection time limit. A whole hand-off is answered at
/// once with the item text (empty) and then announced by commandReceived():
/// the answer never waits for what the program does with the command.
/// GUI thread only.
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

    /// The user whose connections are taken (the effective user by default).
    void setAllowedUser(unsigned uid) { m_allowedUid = uid; }
    /// How long a connection may take to send its frame, ms.
    void setConnectionTimeLimit(int ms) { m_timeLimitMs = ms; }

Q_SIGNALS:
    /// A whole hand-off arrived and was answered. `sequence` counts the
    /// commands received, from 1.
    void commandReceived(const HandOff &handOff, quint64 sequence);
    /// A connection was dropped without effect; `reason` says why.
    void connectionRefused(const QString &reason);

private:
    struct Connection;
    void onNewConnection();
    void onReadyRead(QLocalSocket *socket, Connection &connection);
    void refuse(QLocalSocket *socket, const QString &reason);

    QLocalServer *m_server = nullptr;
    QString m_error;
    unsigned m_allowedUid;
    int m_timeLimitMs = 5000;
    quint64 m_received = 0;
};
