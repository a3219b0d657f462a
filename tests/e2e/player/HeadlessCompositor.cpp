#include "HeadlessCompositor.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

HeadlessCompositor::HeadlessCompositor()
    : m_socket(QStringLiteral("kovaplex-test-%1").arg(QCoreApplication::applicationPid()))
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return;
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("weston"),
                    {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--use-pixman"),
                     QStringLiteral("--width=1280"), QStringLiteral("--height=1024"),
                     QStringLiteral("--socket=") + m_socket, QStringLiteral("--no-config"),
                     QStringLiteral("--idle-time=0")});
    const QString socketPath = QDir(runtime).filePath(m_socket);
    m_ready =
        m_process.waitForStarted(10000) &&
        waitUntil([&] { return m_process.state() == QProcess::Running && QFileInfo::exists(socketPath); },
                  10000);
}

HeadlessCompositor::~HeadlessCompositor()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString HeadlessCompositor::log()
{
    return QString::fromUtf8(m_process.readAll());
}
