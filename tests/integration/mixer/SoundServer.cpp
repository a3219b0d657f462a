#include "SoundServer.h"

#include "TestSupport.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>

namespace {
constexpr int kServerFull = 65536;
constexpr int kLevelFull = 65535;
} // namespace

QString pactl(const QString &server, const QStringList &arguments)
{
    QStringList all = arguments;
    if (!server.isEmpty())
        all = QStringList{QStringLiteral("-s"), server} + arguments;
    QProcess process;
    process.start(QStringLiteral("pactl"), all);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        ADD_FAILURE() << "pactl " << all.join(' ').toStdString() << ": "
                      << process.readAllStandardError().toStdString();
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

std::vector<int> sinkVolumes(const QString &server)
{
    const QString out = pactl(server, {QStringLiteral("get-sink-volume"), QStringLiteral("@DEFAULT_SINK@")});
    static const QRegularExpression channel(QStringLiteral(":\\s*(\\d+)\\s*/"));
    std::vector<int> volumes;
    for (auto it = channel.globalMatch(out); it.hasNext();)
        volumes.push_back(it.next().captured(1).toInt());
    return volumes;
}

void setSinkVolumes(const QStringList &volumes, const QString &server)
{
    pactl(server, QStringList{QStringLiteral("set-sink-volume"), QStringLiteral("@DEFAULT_SINK@")} + volumes);
}

int serverValueOf(int level)
{
    return int(std::lround(double(level) * kServerFull / kLevelFull));
}

int levelOf(int serverValue)
{
    return int(std::lround(double(serverValue) * kLevelFull / kServerFull));
}

PrivateSoundServer::PrivateSoundServer(const QString &folder)
    : m_folder(folder)
    , m_address(QStringLiteral("unix:") + QDir(folder).filePath(QStringLiteral("native")))
{}

PrivateSoundServer::~PrivateSoundServer()
{
    stop();
}

bool PrivateSoundServer::start()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_folder);
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), QDir(m_folder).filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("PULSE_STATE_PATH"), QDir(m_folder).filePath(QStringLiteral("state")));
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    const QString socket = m_address.mid(5);
    m_process.start(QStringLiteral("pulseaudio"),
                    {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                     QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                     QStringLiteral("--system=no"), QStringLiteral("--log-target=stderr"),
                     QStringLiteral("--log-level=error"), QStringLiteral("-L"),
                     QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + socket,
                     QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=private_null")});
    if (!m_process.waitForStarted(10000))
        return false;
    return waitUntil(
        [&] {
            QProcess probe;
            probe.start(QStringLiteral("pactl"), {QStringLiteral("-s"), m_address, QStringLiteral("info")});
            return probe.waitForFinished(5000) && probe.exitCode() == 0;
        },
        15000);
}

void PrivateSoundServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}
