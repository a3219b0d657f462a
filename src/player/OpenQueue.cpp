#include "player/OpenQueue.h"

#include <QMetaObject>

#include <utility>

void OpenQueue::push(const OpenRequest &request)
{
    if (m_stopped)
        return;
    m_pending.push_back(request);
    schedule();
}

void OpenQueue::offer(const OpenRequest &request)
{
    if (m_stopped)
        return;
    m_pending.push_back(request);
    if (m_pending.size() == 1)
        drain();
}

void OpenQueue::release(Handler handler)
{
    m_handler = std::move(handler);
    schedule();
}

void OpenQueue::resume()
{
    drain();
}

void OpenQueue::stop()
{
    m_stopped = true;
    m_pending.clear();
}

std::deque<OpenRequest> OpenQueue::stopAndTake()
{
    m_stopped = true;
    return std::exchange(m_pending, {});
}

void OpenQueue::schedule()
{
    // Queued, so that a request never runs inside its sender (a socket's
    // read handler, a D-Bus call before its reply).
    if (m_handler && !m_running && !m_pending.empty())
        QMetaObject::invokeMethod(this, &OpenQueue::drain, Qt::QueuedConnection);
}

void OpenQueue::drain()
{
    if (!m_handler || isBusy())
        return;
    m_running = true;
    struct Idle {
        bool &running;
        ~Idle() { running = false; }
    } idle{m_running};
    while (!m_pending.empty() && !m_stopped) {
        // The handler's own opening ends before the next; anything else that
        // keeps the program busy ends with a resume().
        if (m_busy && m_busy())
            return;
        const OpenRequest request = m_pending.front();
        m_pending.pop_front();
        m_handler(request);
    }
}
