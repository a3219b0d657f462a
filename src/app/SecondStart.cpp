#include "app/SecondStart.h"

#include "app/StartupSteps.h"
#include "platform/dde/DDESend.h"
#include "platform/dde/InstanceChannel.h"

#include <cstdio>

QString ownActivationToken()
{
    const QString wayland = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return wayland.isEmpty() ? qEnvironmentVariable("DESKTOP_STARTUP_ID") : wayland;
}

bool handedOverToRunningInstance(InstanceLock &lock, const ChannelAddress &address,
                                 const QString &commandLine, const QString &workingDir)
{
    if (lock.tryAcquire(address.lockPath) != InstanceLock::Result::HeldByOther)
        return false;
    bool failed = false;
    const QString reply = DDESend(
        absoluteCommandLine(commandLine, workingDir), address.socketPath, ownActivationToken(), &failed,
        SendLimits{}, [&] { return lock.tryAcquire(address.lockPath) == InstanceLock::Result::HeldByOther; });
    if (!failed)
        return true;
    // The running instance ended while this start waited: take its place,
    // with this start's own command line.
    if (lock.tryAcquire(address.lockPath) == InstanceLock::Result::Acquired)
        return false;
    std::fprintf(stderr, "Kovaplex: could not hand the file over to the running instance: %s\n",
                 qUtf8Printable(reply));
    return true;
}
