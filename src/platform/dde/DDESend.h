#pragma once

#include "platform/dde/HandOffFrame.h"

#include <QString>

#include <functional>

/// How long DDESend() may wait, in milliseconds.
struct SendLimits {
    /// Retrying the connection while the running instance is still starting
    /// (no socket yet, or nobody accepting).
    int connectMs = 5000;
    /// For the answer once the command is written. The server answers on
    /// receipt, so this covers only a running instance whose event loop has
    /// not started yet.
    int answerMs = 10000;
    /// Between two connection attempts.
    int retryIntervalMs = 10;
};

/// How a hand-off failed, for the caller's next step.
enum class SendFailure {
    None,
    /// Surely not taken: nobody listens, or the running instance closed the
    /// connection without an answer (it is closing). Worth trying again.
    NotTaken,
    /// Sent, but no answer came in time: the running instance does not
    /// answer (stopped, or hung); it may still run the command later.
    NoAnswer,
    /// The socket belongs to another user: nothing was sent.
    WrongPeer,
    /// Anything else (a command too long, a broken answer, a system error).
    Other,
};

/// Hands `SendStr` (the command) and `activationToken` to the instance
/// listening at `socketPath`, and returns the server item's text that it
/// answers with, or, when anything fails, the error's description ("the
/// running player does not answer" ...). Never throws; every wait is
/// bounded by `limits`. `keepTrying` is asked before each further connection
/// attempt; returning false gives up at once (the caller found the running
/// instance gone). Any thread; needs no Qt application object.
/// The peer's user is checked before anything is sent: only a server of
/// the effective user is ever told a file name.
/// @param failed set to whether the result is an error description.
/// @param failure set to how it failed (None when it did not).
QString DDESend(const QString &SendStr, const QString &socketPath, const QString &activationToken,
                bool *failed = nullptr, const SendLimits &limits = {},
                const std::function<bool()> &keepTrying = {}, SendFailure *failure = nullptr);
