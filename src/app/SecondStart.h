#pragma once

#include <QString>

struct ChannelAddress;
class InstanceLock;

/// The activation token of this start (XDG_ACTIVATION_TOKEN on Wayland,
/// else DESKTOP_STARTUP_ID on X11), empty without one.
QString ownActivationToken();

/// Decides whether this start is a second one, before anything heavy
/// exists. Takes `lock` when it is free: this start is then the running
/// instance and the result is false. When a live instance holds it, hands
/// `commandLine` (a relative file name made absolute against `workingDir`)
/// and this start's activation token over, retrying for a few seconds while
/// that instance is still starting, and returns true: the process should end
/// now, with status 0, having written nothing. When the holder ends while
/// this start waits, this start takes the lock and becomes the running
/// instance (false). A hand-off that fails is reported on stderr.
bool handedOverToRunningInstance(InstanceLock &lock, const ChannelAddress &address,
                                 const QString &commandLine, const QString &workingDir);
