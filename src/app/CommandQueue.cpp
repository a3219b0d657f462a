#include "app/CommandQueue.h"

#include <QMetaObject>

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

void CommandQueue::stop()
{
    m_stopped = true;
    m_pending.clear();
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
        const auto [handOff, sequence] = m_pending.front();
        m_pending.pop_front();
        m_handler(handOff, sequence);
    }
}
