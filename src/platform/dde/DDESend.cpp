#include "platform/dde/DDESend.h"

#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

struct Failure {
    QString description;
    SendFailure kind = SendFailure::Other;
};

/// Closes the socket whichever way the send ends.
class Socket final {
public:
    Socket()
        : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0))
    {}
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

QString systemError(const char *what, int error)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(error)));
}

int remainingMs(const QElapsedTimer &clock, int limitMs)
{
    return std::max<int>(0, limitMs - static_cast<int>(clock.elapsed()));
}

/// Waits for `events` on `fd` until the limit; false on time-out.
bool waitFor(int fd, short events, const QElapsedTimer &clock, int limitMs)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, remainingMs(clock, limitMs));
        if (n > 0)
            return true;
        if (n == 0)
            return false;
        if (errno != EINTR)
            throw Failure{systemError("waiting for the running instance", errno)};
    }
}

/// One connection attempt: true when connected, false when worth retrying.
bool tryConnect(int fd, const sockaddr_un &address, const QElapsedTimer &clock, int limitMs)
{
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
        return true;
    const int error = errno;
    switch (error) {
    case ENOENT:       // the running instance has not made its socket yet
    case ECONNREFUSED: // nobody listens: a stale socket, or not listening yet
    case EAGAIN:       // its queue of connections is full
        return false;
    case EINPROGRESS:
        if (!waitFor(fd, POLLOUT, clock, limitMs))
            return false;
        {
            int result = 0;
            socklen_t length = sizeof result;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &length);
            if (result == 0)
                return true;
            if (result == ECONNREFUSED || result == EAGAIN)
                return false;
            throw Failure{systemError("connecting to the running instance", result)};
        }
    default: throw Failure{systemError("connecting to the running instance", error)};
    }
}

void writeAll(int fd, const QByteArray &bytes, const QElapsedTimer &clock, int limitMs)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        // MSG_NOSIGNAL: a peer that went away must not end this process.
        const ssize_t n =
            ::send(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!waitFor(fd, POLLOUT, clock, limitMs))
                throw Failure{
                    QStringLiteral("the running player does not answer (it may be stopped or hung)"),
                    SendFailure::NoAnswer};
        } else if (n < 0 && (errno == EPIPE || errno == ECONNRESET)) {
            throw Failure{QStringLiteral("the running instance closed the connection without an answer"),
                          SendFailure::NotTaken};
        } else {
            throw Failure{systemError("sending to the running instance", errno)};
        }
    }
}

QByteArray readAnswer(int fd, const QElapsedTimer &clock, int limitMs)
{
    FrameReader reader;
    char buffer[4096];
    for (;;) {
        if (std::optional<QByteArray> frame = reader.takeFrame())
            return *frame;
        if (reader.isBroken())
            throw Failure{QStringLiteral("the running instance answered with an oversized frame")};
        if (!waitFor(fd, POLLIN, clock, limitMs))
            throw Failure{QStringLiteral("the running player does not answer (it may be stopped or hung)"),
                          SendFailure::NoAnswer};
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0)
            reader.append(buffer, n);
        else if (n == 0)
            throw Failure{QStringLiteral("the running instance closed the connection without an answer"),
                          SendFailure::NotTaken};
        else if (errno == ECONNRESET)
            throw Failure{QStringLiteral("the running instance closed the connection without an answer"),
                          SendFailure::NotTaken};
        else if (errno != EINTR && errno != EAGAIN)
            throw Failure{systemError("reading the answer", errno)};
    }
}

QString send(const QString &command, const QString &socketPath, const QString &token,
             const SendLimits &limits, const std::function<bool()> &keepTrying)
{
    const QByteArray payload = encodeHandOff({command, token});
    const QByteArray frame = encodeFrame(payload);
    if (payload.isEmpty() || frame.isEmpty())
        throw Failure{QStringLiteral("the command is too long or holds a NUL character")};

    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath);
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        throw Failure{QStringLiteral("the channel's path is too long: %1").arg(socketPath)};
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));

    QElapsedTimer clock;
    clock.start();
    for (;;) {
        Socket socket;
        if (socket.fd() < 0)
            throw Failure{systemError("making a socket", errno)};
        if (tryConnect(socket.fd(), address, clock, limits.connectMs)) {
            // Whoever listens at the path must be this user: another one
            // (a shared runtime folder) is told nothing.
            ucred peer = {};
            socklen_t length = sizeof peer;
            if (::getsockopt(socket.fd(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0)
                throw Failure{systemError("asking who listens", errno)};
            if (peer.uid != ::geteuid())
                throw Failure{QStringLiteral("the channel is held by another user (%1); nothing was sent")
                                  .arg(peer.uid),
                              SendFailure::WrongPeer};
            QElapsedTimer answerClock;
            answerClock.start();
            writeAll(socket.fd(), frame, answerClock, limits.answerMs);
            const QByteArray answer = readAnswer(socket.fd(), answerClock, limits.answerMs);
            if (!isValidUtf8(answer))
                throw Failure{QStringLiteral("the running instance answered with invalid text")};
            return QString::fromUtf8(answer);
        }
        if (remainingMs(clock, limits.connectMs) == 0 || (keepTrying && !keepTrying()))
            throw Failure{QStringLiteral("no running instance accepts commands"), SendFailure::NotTaken};
        ::usleep(static_cast<useconds_t>(
            std::min(limits.retryIntervalMs, remainingMs(clock, limits.connectMs)) * 1000));
    }
}

} // namespace

QString DDESend(const QString &SendStr, const QString &socketPath, const QString &activationToken,
                bool *failed, const SendLimits &limits, const std::function<bool()> &keepTrying,
                SendFailure *failure)
{
    if (failed)
        *failed = false;
    if (failure)
        *failure = SendFailure::None;
    try {
        return send(SendStr, socketPath, activationToken, limits, keepTrying);
    } catch (const Failure &error) {
        if (failed)
            *failed = true;
        if (failure)
            *failure = error.kind;
        return error.description;
    } catch (const std::exception &error) {
        if (failed)
            *failed = true;
        if (failure)
            *failure = SendFailure::Other;
        return QString::fromLocal8Bit(error.what());
    }
}
