#include "app/CommandQueue.h"

#include <QMetaObject>
#include <QTimer>

void CommandQueue::push(const HandOff &handOff, quint64 sequence)
{
    if (m_stopped)
        return;
    m_pending.emplace_back(handOff, sequence);
    schedule();
}

void CommandQueue::release(Handler handler)
{
    m_handler = std::move(handler);
    schedule();
}

void CommandQueue::setHoldCondition(std::function<bool()> hold, int recheckMs)
{
    m_hold = std::move(hold);
    m_recheckMs = recheckMs;
}

void CommandQueue::stop()
{
    m_stopped = true;
    m_pending.clear();
}

std::deque<std::pair<HandOff, quint64>> CommandQueue::stopAndTake()
{
    m_stopped = true;
    return std::exchange(m_pending, {});
}

void CommandQueue::schedule()
{
    // Queued, so that a command never runs inside the socket's read handler.
    if (m_handler && !m_running && !m_pending.empty())
        QMetaObject::invokeMethod(this, &CommandQueue::drain, Qt::QueuedConnection);
}

void CommandQueue::drain()
{
    if (m_running || !m_handler)
        return;
    m_running = true;
    struct Idle {
        bool &running;
        ~Idle() { running = false; }
    } idle{m_running};
    while (!m_pending.empty() && !m_stopped) {
        if (m_hold && m_hold()) {
            // Nothing announces the end of the hold; look again soon.
            QTimer::singleShot(m_recheckMs, this, &CommandQueue::drain);
            return;
        }
        const auto [handOff, sequence] = m_pending.front();
        m_pending.pop_front();
        m_handler(handOff, sequence);
    }
}
