#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>

QString testMediaDir()
{
    return QString::fromLocal8Bit(qgetenv("KOVAPLEX_TEST_MEDIA"));
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
