#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <functional>

/// Where a file to open came from.
enum class OpenSource {
    CommandLine, ///< this start's own command line
    SecondStart, ///< a later start handed its command line over
    Drop,        ///< dropped on the window
    OpenUri,     ///< the desktop's media controls (MPRIS OpenUri)
};

/// One file to open, whatever brought it.
struct OpenRequest {
    /// As given: a command line (quotes are Play's to remove) or a path.
    QString fileName;
    /// The activation token of the start that sent it (lets the window
    /// system bring the window forward); empty for the others.
    QString activationToken;
    OpenSource source = OpenSource::CommandLine;
    /// The hand-off's number for a second start, 0 otherwise.
    quint64 sequence = 0;
};

/// The one way in for files: requests from every source wait here and are
/// opened one at a time, in the order they came.
///
/// Nothing is opened before release() (the start-up's own opening, which
/// may ask whether to resume, comes first), nor while the program is busy:
/// opening a file (which includes asking whether to resume, in a box with
/// its own event loop) or closing. The handler is never re-entered. A
/// request that finds the queue released, idle and empty may be opened at
/// once with offer(); push() always goes through the event loop. Whoever
/// ends the busy state calls resume(). GUI thread only.
class OpenQueue final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OpenQueue)

public:
    using Handler = std::function<void(const OpenRequest &)>;

    explicit OpenQueue(QObject *parent = nullptr)
        : QObject(parent)
    {}

    /// Adds a request; it is opened soon, from the event loop, when released
    /// and not busy.
    void push(const OpenRequest &request);
    /// Opens the request now when nothing waits and the program is not busy;
    /// else queues it behind the others.
    void offer(const OpenRequest &request);
    /// From now on requests go to `handler`, the held ones first.
    void release(Handler handler);
    bool isReleased() const { return static_cast<bool>(m_handler); }
    /// What says the program is busy; nothing opens while it answers true.
    void setBusy(std::function<bool()> busy) { m_busy = std::move(busy); }
    bool isBusy() const { return m_running || (m_busy && m_busy()); }
    /// The busy state has ended: what waits is opened now, one at a time.
    void resume();
    /// Drops what is held and opens nothing more (the program is closing).
    void stop();
    /// Opens nothing more and gives what is held, oldest first.
    std::deque<OpenRequest> stopAndTake();

    std::size_t pendingCount() const { return m_pending.size(); }

private:
    void schedule();
    void drain();

    std::deque<OpenRequest> m_pending;
    Handler m_handler;
    std::function<bool()> m_busy;
    bool m_running = false;
    bool m_stopped = false;
};
