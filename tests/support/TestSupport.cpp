#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>

QString testMediaDir()
{
    const QString named = qEnvironmentVariable("KOVAPLEX_TEST_MEDIA");
    return named.isEmpty() ? QStringLiteral(KOVAPLEX_TEST_MEDIA_DEFAULT) : named;
}

QString testBinaryDir()
{
    const QString named = qEnvironmentVariable("KOVAPLEX_BINARY_DIR");
    return named.isEmpty() ? QStringLiteral(KOVAPLEX_BINARY_DIR_DEFAULT) : named;
}

QString testMedia(const QString &name)
{
    return QDir(testMediaDir()).filePath(name);
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}
