#pragma once

#include "platform/dde/HandOffFrame.h"

#include <QObject>

#include <deque>
#include <functional>
#include <utility>

/// The commands handed over by later starts, run one at a time, in the order
/// they arrived, on the GUI thread.
///
/// Commands are held until release(): the running instance takes them from
/// the moment it holds the instance lock, but runs them only once its own
/// start-up (which may ask the resume question) has finished. The handler
/// is never re-entered: a command that arrives while the handler runs (its
/// resume question runs a nested event loop) waits until it has returned.
/// Commands also wait while the hold condition says so (the program's own
/// message box asks the user something: a Play started elsewhere, by a drop,
/// may be waiting on its resume question). Runs happen from the event
/// loop, never inside the caller of push().
class CommandQueue final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommandQueue)

public:
    using Handler = std::function<void(const HandOff &, quint64 sequence)>;

    explicit CommandQueue(QObject *parent = nullptr)
        : QObject(parent)
    {}

    /// Adds a command; runs it soon when released and idle.
    void push(const HandOff &handOff, quint64 sequence);
    /// From now on commands go to `handler`, the held ones first.
    void release(Handler handler);
    /// While `hold` returns true no command starts; it is asked again every
    /// `recheckMs` while commands wait.
    void setHoldCondition(std::function<bool()> hold, int recheckMs = 100);
    /// Drops what is held and runs nothing more (the program is closing).
    void stop();
    /// Runs nothing more and gives what is held, oldest first.
    std::deque<std::pair<HandOff, quint64>> stopAndTake();

    std::size_t pendingCount() const { return m_pending.size(); }
    bool isRunning() const { return m_running; }

private:
    void schedule();
    void drain();

    std::deque<std::pair<HandOff, quint64>> m_pending;
    Handler m_handler;
    std::function<bool()> m_hold;
    int m_recheckMs = 100;
    bool m_running = false;
    bool m_stopped = false;
};
