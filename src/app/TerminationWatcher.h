#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

/// Runs the main window's close step when the session ends the program from
/// outside, so the resume record and the window's settings are saved just as
/// when the user closes the window.
///
/// Watches SIGTERM, SIGHUP and SIGINT through a self-pipe (the signal
/// handler only writes the signal's number; the close step runs later on the
/// GUI thread, from the event loop), and the desktop session's request to
/// save before logout. The close step runs at most once, whichever asks
/// first. One watcher at a time; it restores the previous signal handlers
/// when destroyed. GUI thread only.
class TerminationWatcher final : public QObject {
    Q_OBJECT
public:
    /// Installs the signal handlers and connects the session's requests.
    explicit TerminationWatcher(std::function<void()> closeStep, QObject *parent = nullptr);
    ~TerminationWatcher() override;
    Q_DISABLE_COPY_MOVE(TerminationWatcher)

    /// Whether the signal handlers are in place (false when the pipe could
    /// not be made or another watcher exists).
    bool isWatchingSignals() const { return m_notifier != nullptr; }

    /// Runs the close step unless it ran already; `reason` is noted on
    /// stderr ("SIGTERM", "session end" ...).
    void requestClose(const char *reason);

    /// Whether the close step has been run by this watcher.
    bool hasClosed() const { return m_closed; }

private:
    void readSignals();

    std::function<void()> m_closeStep;
    QSocketNotifier *m_notifier = nullptr;
    bool m_closed = false;
};
