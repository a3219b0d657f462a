#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
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

std::optional<QString> runProbeWithoutSound(const char *probeVariable, const QByteArray &alsaConfig,
                                            int timeoutMs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("asound.conf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(alsaConfig) != alsaConfig.size())
        return std::nullopt;
    file.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(probeVariable), QStringLiteral("1"));
    env.insert(QStringLiteral("ALSA_CONFIG_PATH"), path);
    // And no sound server either, should the plugin look for one.
    env.insert(QStringLiteral("PULSE_SERVER"), dir.filePath(QStringLiteral("no-server")));
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.start(QCoreApplication::applicationFilePath(), {});
    if (!probe.waitForFinished(timeoutMs))
        return std::nullopt;
    return QString::fromUtf8(probe.readAllStandardOutput());
}

QString pressButton(QWidget &window, const QString &caption)
{
    QString shown;
    for (const QLabel *label : window.findChildren<QLabel *>())
        shown += label->text();
    for (QPushButton *button : window.findChildren<QPushButton *>()) {
        if (button->text() == caption) {
            button->click();
            return shown;
        }
    }
    window.close();
    return shown;
}
