#pragma once

#include <QString>

#include <optional>

struct ChannelAddress;
class InstanceLock;

/// The activation token of this start (XDG_ACTIVATION_TOKEN on Wayland,
/// else DESKTOP_STARTUP_ID on X11), empty without one.
QString ownActivationToken();

/// Decides whether this start is a second one, before anything heavy
/// exists. Takes `lock` when it is free: this start is then the running
/// instance and the result is nothing. When a live instance holds it, hands
/// `commandLine` (a relative file name made absolute against `workingDir`)
/// and this start's activation token over, retrying while that instance is
/// still starting or is closing, and returns the exit status this process
/// should end with now, having written nothing: 0 when the command was
/// taken, 1 when it was not (said on stderr: the running player is stopped
/// or does not answer, or the channel is another user's). When the holder
/// ends or lets the lock go while this start waits (it is closing), this
/// start takes the lock and becomes the running instance (nothing).
std::optional<int> handedOverToRunningInstance(InstanceLock &lock, const ChannelAddress &address,
                                               const QString &commandLine, const QString &workingDir);
