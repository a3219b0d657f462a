#include "app/HandOffService.h"

#include "platform/dde/InstanceChannel.h"

HandOffService::HandOffService(InstanceLock &lock, QObject *parent)
    : QObject(parent)
    , m_lock(lock)
{
    connect(&m_server, &CommandServer::commandReceived, &m_queue,
            [this](const HandOff &handOff, quint64 sequence) {
                m_queue.push({handOff.command, handOff.activationToken, OpenSource::SecondStart, sequence});
            });
}

bool HandOffService::listen(const QString &socketPath)
{
    return m_server.listen(socketPath);
}

void HandOffService::stopAnswering()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_server.close();
    m_left = m_queue.stopAndTake();
}

void HandOffService::handOver(const Restart &restart)
{
    if (m_handedOver)
        return;
    stopAnswering();
    m_handedOver = true;
    m_lock.release();
    // Each was answered as taken: it runs in a new instance rather than
    // not at all. An empty command asked only for the window, which is
    // closing as the user asked.
    for (const OpenRequest &request : std::exchange(m_left, {})) {
        if (request.source != OpenSource::Drop && !request.fileName.trimmed().isEmpty() && restart)
            restart(HandOff{request.fileName, request.activationToken});
    }
}
