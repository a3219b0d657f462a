#include "platform/dde/InstanceChannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Whether `folder` exists (or could be made) as a real folder that only
/// `uid` can enter.
bool privateFolder(const QString &folder, unsigned uid)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st = {};
    if (::lstat(path.constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == uid && (st.st_mode & 077) == 0;
}

/// Whether the session's runtime folder is the user's alone: a real folder
/// that they own and nobody else can write to (some containers make it
/// world-writable).
bool trustedRuntimeFolder(const QString &folder, unsigned uid)
{
    struct stat st = {};
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == uid && (st.st_mode & 022) == 0;
}

QString canonicalExecutable(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
}

} // namespace

std::optional<ChannelAddress> channelAddress(const QString &executablePath, const QString &runtimeDir,
                                             const QString &tempDir, unsigned uid, const QString &cacheDir)
{
    QString folder;
    if (!runtimeDir.isEmpty() && trustedRuntimeFolder(runtimeDir, uid)) {
        folder = runtimeDir;
    } else {
        const QString own = QStringLiteral("kovaplex-%1").arg(uid);
        for (const QString &root : {tempDir, cacheDir}) {
            if (root.isEmpty())
                continue;
            QDir().mkpath(root);
            const QString candidate = QDir(root).filePath(own);
            if (privateFolder(candidate, uid)) {
                folder = candidate;
                break;
            }
        }
        if (folder.isEmpty())
            return std::nullopt;
    }
    // A digest keeps the socket's path short (a local socket's path is
    // limited to about 100 bytes) whatever the executable's path is.
    const QByteArray digest =
        QCryptographicHash::hash(canonicalExecutable(executablePath).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    const QString stem = QStringLiteral("kovaplex-%1-%2").arg(uid).arg(QString::fromLatin1(digest));
    const QDir dir(folder);
    return ChannelAddress{folder, dir.filePath(stem + QStringLiteral(".lock")),
                          dir.filePath(stem + QStringLiteral(".sock"))};
}

std::optional<ChannelAddress> ownChannelAddress()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
        cache = QDir::home().filePath(QStringLiteral(".cache"));
    return channelAddress(QStringLiteral("/proc/self/exe"), qEnvironmentVariable("XDG_RUNTIME_DIR"),
                          QDir::tempPath(), ::geteuid(), cache);
}

std::optional<qint64> lockHolder(const QString &lockPath)
{
    QFile file(lockPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const qint64 pid = file.read(32).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0)
        return std::nullopt;
    return pid;
}

bool isProcessStopped(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) S ...": the name may hold anything, so read after its end.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size())
        return false;
    const char state = line.at(close + 2);
    return state == 'T' || state == 't';
}

void InstanceLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_held = false;
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

InstanceLock::Result InstanceLock::tryAcquire(const QString &lockPath)
{
    if (m_held)
        return Result::Acquired;
    if (m_fd < 0) {
        // Close-on-exec: a program the player starts (a web browser) must
        // not keep the lock after the player ends.
        m_fd =
            ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd < 0) {
            std::fprintf(stderr, "Kovaplex: cannot open the instance lock %s: %s\n", qUtf8Printable(lockPath),
                         std::strerror(errno));
            return Result::Unavailable;
        }
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return Result::HeldByOther;
        std::fprintf(stderr, "Kovaplex: cannot lock %s: %s\n", qUtf8Printable(lockPath),
                     std::strerror(errno));
        return Result::Unavailable;
    }
    m_held = true;
    // The holder's process number, for a person looking at the folder.
    const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
    if (::ftruncate(m_fd, 0) == 0) [[maybe_unused]]
        const ssize_t written = ::pwrite(m_fd, pid.constData(), static_cast<size_t>(pid.size()), 0);
    return Result::Acquired;
}
