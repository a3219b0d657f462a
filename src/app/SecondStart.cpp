#include "app/SecondStart.h"

#include "app/StartupSteps.h"
#include "platform/dde/DDESend.h"
#include "platform/dde/InstanceChannel.h"

#include <QElapsedTimer>

#include <cstdio>

QString ownActivationToken()
{
    const QString wayland = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return wayland.isEmpty() ? qEnvironmentVariable("DESKTOP_STARTUP_ID") : wayland;
}

std::optional<int> handedOverToRunningInstance(InstanceLock &lock, const ChannelAddress &address,
                                               const QString &commandLine, const QString &workingDir)
{
    const auto heldByOther = [&] {
        return lock.tryAcquire(address.lockPath) == InstanceLock::Result::HeldByOther;
    };
    if (!heldByOther())
        return std::nullopt;
    const QString command = absoluteCommandLine(commandLine, workingDir);
    // A player that a job-control stop or a debugger holds takes nothing
    // until it goes on; saying so is better than waiting for its answer.
    const std::optional<qint64> holder = lockHolder(address.lockPath);
    if (holder && isProcessStopped(*holder)) {
        std::fprintf(stderr,
                     "Kovaplex: the running player (process %lld) is stopped and does not answer; "
                     "the file was not handed over.\n",
                     static_cast<long long>(*holder));
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    constexpr qint64 NotTakenLimitMs = 10000;
    for (;;) {
        bool failed = false;
        SendFailure failure = SendFailure::None;
        const QString reply = DDESend(command, address.socketPath, ownActivationToken(), &failed,
                                      SendLimits{}, heldByOther, &failure);
        if (!failed)
            return 0;
        // The running instance ended, or let the lock go as it closes:
        // take its place, with this start's own command line.
        if (lock.tryAcquire(address.lockPath) == InstanceLock::Result::Acquired)
            return std::nullopt;
        // A closing instance stops answering before it lets the lock go;
        // this start's command was not taken, so try again.
        if (failure == SendFailure::NotTaken && clock.elapsed() < NotTakenLimitMs)
            continue;
        if (failure == SendFailure::NoAnswer && holder) {
            std::fprintf(stderr,
                         "Kovaplex: the running player (process %lld) does not answer; the file was not "
                         "handed over, unless it plays once that player goes on.\n",
                         static_cast<long long>(*holder));
        } else {
            std::fprintf(stderr, "Kovaplex: could not hand the file over to the running instance: %s\n",
                         qUtf8Printable(reply));
        }
        return 1;
    }
}
