#pragma once

#include <QString>

#include <optional>

/// Where the instances of one executable meet: a lock file and a local
/// socket, both named after the user and the executable's canonical path,
/// so that two copies of the program are two independent players and two
/// users never meet at all.
struct ChannelAddress {
    QString folder;
    QString lockPath;
    QString socketPath;
};

/// The address for `executablePath` (made canonical here) and the user
/// `uid`. The folder is `runtimeDir` (the session's XDG_RUNTIME_DIR) when
/// it is a folder owned by `uid` that nobody else may write to; else
/// "<tempDir>/kovaplex-<uid>", else "<cacheDir>/kovaplex-<uid>" (for when
/// another user made the first one), each created user-only and taken only
/// when it is a real folder owned by `uid` and closed to everyone else
/// (another user could otherwise hold our lock and listen at our socket,
/// and be told the user's file names). Nothing when none is.
std::optional<ChannelAddress> channelAddress(const QString &executablePath, const QString &runtimeDir,
                                             const QString &tempDir, unsigned uid,
                                             const QString &cacheDir = QString());

/// The address of the running program: its own executable, the session's
/// runtime folder, the effective user.
std::optional<ChannelAddress> ownChannelAddress();

/// The process number that the lock's holder wrote in the lock file;
/// nothing when there is none.
std::optional<qint64> lockHolder(const QString &lockPath);

/// Whether process `pid` is stopped (a job-control or debugger stop), so
/// that it cannot answer until it is continued.
bool isProcessStopped(qint64 pid);

/// Who may run while another instance is alive: one process holds the lock
/// file's lock; the kernel drops it when that process ends, however it ends,
/// so a lock file left by a killed instance never blocks the next start.
/// Not inherited by child processes.
class InstanceLock final {
public:
    enum class Result {
        Acquired,    ///< this process holds the lock now
        HeldByOther, ///< a live process holds it
        Unavailable, ///< the lock file cannot be opened (reason on stderr)
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    /// Tries once, without waiting. Once acquired it stays held until the
    /// object is destroyed, and later calls return Acquired at once.
    Result tryAcquire(const QString &lockPath);
    bool isHeld() const { return m_held; }
    /// Lets the lock go while the process still runs (it is closing): the
    /// next start then becomes the first instance.
    void release();

private:
    int m_fd = -1;
    bool m_held = false;
};
