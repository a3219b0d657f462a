#include "player/LatestSeek.h"

#include "platform/media/MediaEngine.h"

LatestSeek::LatestSeek(SeekFunction seek, QObject *parent)
    : QObject(parent)
    , m_seek(std::move(seek))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleTimeoutMs);
    connect(&m_settle, &QTimer::timeout, this, &LatestSeek::seekDone);
}

void LatestSeek::request(double seconds)
{
    if (m_inFlight) {
        m_waiting = seconds;
        return;
    }
    issue(seconds);
}

void LatestSeek::follow(MediaEngine *engine)
{
    if (engine == m_engine && (engine == nullptr || m_engineConnection))
        return;
    disconnect(m_engineConnection);
    m_engine = engine;
    if (engine)
        m_engineConnection = connect(engine, &MediaEngine::seekFinished, this, &LatestSeek::seekDone);
}

void LatestSeek::seekDone()
{
    m_settle.stop();
    m_inFlight = false;
    if (!m_waiting)
        return;
    const double next = *m_waiting;
    m_waiting.reset();
    issue(next);
}

void LatestSeek::forget()
{
    m_settle.stop();
    m_inFlight = false;
    m_waiting.reset();
}

void LatestSeek::issue(double seconds)
{
    m_inFlight = true;
    m_settle.start();
    m_seek(seconds);
}
