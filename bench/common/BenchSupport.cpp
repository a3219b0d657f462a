#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <ctime>

QString benchMediaDir(int argc, char **argv)
{
    std::setlocale(LC_NUMERIC, "C");
    return argc > 1 ? QString::fromLocal8Bit(argv[1]) : qEnvironmentVariable("KOVAPLEX_TEST_MEDIA");
}

bool spinUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    return true;
}

namespace {

/// A memory field ("VmHWM", "VmRSS") of /proc/<pid>/status, in MiB.
double statusMiB(qint64 pid, const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = field + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

} // namespace

double peakResidentMiB(qint64 pid)
{
    return statusMiB(pid, "VmHWM");
}

double residentMiB(qint64 pid)
{
    return statusMiB(pid, "VmRSS");
}

double cpuSeconds(qint64 pid)
{
    // The process's CPU clock counts nanoseconds, threads that have ended
    // included; /proc's counters only whole ticks (10 ms), too coarse for a
    // paused player.
    clockid_t clock = 0;
    timespec used{};
    if (clock_getcpuclockid(static_cast<pid_t>(pid), &clock) != 0 || clock_gettime(clock, &used) != 0)
        return 0;
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

KovaplexCopy::KovaplexCopy(const QString &binary, const QByteArray &iniText)
    : m_iniText(iniText)
{
    const QString copy = QDir(m_dir.path()).filePath(QStringLiteral("Kovaplex"));
    if (!m_dir.isValid() || !QFile::copy(binary, copy) || !resetSettings())
        return;
    m_program = copy;
}

bool KovaplexCopy::resetSettings() const
{
    QFile ini(QDir(m_dir.path()).filePath(QStringLiteral("Kovaplex.ini")));
    return ini.open(QIODevice::WriteOnly | QIODevice::Truncate) && ini.write(m_iniText) == m_iniText.size() &&
           ini.flush();
}

ProgramUnderTest programUnderTest(const char *bench, const QStringList &args, const QString &defaultClip,
                                  const QString &defaultBinary, const QByteArray &iniText)
{
    ProgramUnderTest out;
    out.clip = QFileInfo(argumentAfter(args, QStringLiteral("--clip"), defaultClip)).absoluteFilePath();
    const QString binary = argumentAfter(args, QStringLiteral("--binary"), defaultBinary);
    if (!QFileInfo::exists(out.clip) || !QFileInfo::exists(binary)) {
        std::fprintf(stderr, "%s: missing %s\n", bench,
                     qPrintable(QFileInfo::exists(out.clip) ? binary : out.clip));
        return out;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "%s: needs an X display (run it through scripts/bench.sh)\n", bench);
        return out;
    }
    out.copy = std::make_unique<KovaplexCopy>(binary, iniText);
    if (out.copy->program().isEmpty()) {
        std::fprintf(stderr, "%s: cannot copy %s\n", bench, qPrintable(binary));
        return out;
    }
    out.ok = true;
    return out;
}

BenchPlayer kovaplexPlayer(const KovaplexCopy &copy, const QString &clip)
{
    QProcessEnvironment traced = QProcessEnvironment::systemEnvironment();
    traced.insert(QStringLiteral("KOVAPLEX_TRACE"), QStringLiteral("1"));
    return {"Kovaplex", copy.program(), {clip}, "] first frame drawn", traced, [&copy] {
                if (!copy.resetSettings())
                    std::fprintf(stderr, "Kovaplex: its settings file could not be written anew\n");
            }};
}

BenchPlayer mpvPlayer(const QString &clip, const QStringList &extra)
{
    QStringList arguments{QStringLiteral("--no-config"), QStringLiteral("--vo=gpu"),
                          QStringLiteral("--gpu-sw"), QStringLiteral("--msg-level=all=warn,cplayer=v"),
                          QStringLiteral("--force-window=immediate")};
    arguments << extra << clip;
    return {"mpv",
            QStringLiteral("mpv"),
            arguments,
            "first video frame after restart shown",
            QProcessEnvironment::systemEnvironment(),
            {}};
}

bool startUntilFirstFrame(QProcess &process, const BenchPlayer &player, int timeoutMs, QByteArray *output)
{
    QElapsedTimer clock;
    if (player.beforeStart)
        player.beforeStart();
    clock.start();
    process.setProcessEnvironment(player.environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(player.program, player.arguments);
    if (!process.waitForStarted(5000))
        return false;
    QByteArray seen;
    while (clock.elapsed() < timeoutMs && process.state() == QProcess::Running) {
        process.waitForReadyRead(20);
        seen += process.readAll();
        if (seen.contains(player.firstFrameMarker)) {
            if (output)
                *output = seen;
            return true;
        }
    }
    process.kill();
    process.waitForFinished(5000);
    return false;
}

void drainOutput(QProcess &process, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms && process.state() == QProcess::Running) {
        process.waitForReadyRead(50);
        process.readAll();
    }
}

bool waitForOutput(QProcess &process, const QByteArray &marker, int timeoutMs)
{
    QByteArray seen;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs && process.state() == QProcess::Running) {
        process.waitForReadyRead(5);
        seen += process.readAll();
        if (seen.contains(marker))
            return true;
    }
    return false;
}

namespace {

QStringList outputLines(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

bool focusKovaplexWindow(qint64 pid)
{
    const QStringList windows =
        outputLines(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--pid", QString::number(pid)});
    for (const QString &id : windows) {
        if (outputLines(QStringLiteral("xdotool"), {"getwindowname", id}).value(0) !=
            QLatin1String("Kovaplex"))
            continue;
        outputLines(QStringLiteral("xdotool"), {"windowfocus", "--sync", id});
        outputLines(QStringLiteral("xdotool"), {"mousemove", "--window", id, "20", "20"});
        return true;
    }
    return false;
}

bool minimiseWindowsOf(qint64 pid)
{
    if (qEnvironmentVariableIsEmpty("KOVAPLEX_TEST_WM"))
        return false;
    const QStringList windows =
        outputLines(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--pid", QString::number(pid)});
    for (const QString &id : windows)
        outputLines(QStringLiteral("xdotool"), {"windowminimize", "--sync", id});
    return !windows.isEmpty();
}

bool pressKey(unsigned long keysym)
{
    static Display *const display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    const KeyCode code = XKeysymToKeycode(display, keysym);
    if (!code)
        return false;
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XFlush(display);
    return true;
}

MpvIpc::MpvIpc() = default;
MpvIpc::~MpvIpc() = default;

bool MpvIpc::connectTo(const QString &socketPath)
{
    m_socket = std::make_unique<QLocalSocket>();
    m_socket->connectToServer(socketPath);
    return m_socket->waitForConnected(5000);
}

bool MpvIpc::send(const QByteArray &json)
{
    if (!m_socket)
        return false;
    m_socket->write(json + '\n');
    return m_socket->waitForBytesWritten(1000);
}

BenchPlayer mpvPlayerWithIpc(const QString &clip, const QString &socketPath, const QStringList &extra)
{
    return mpvPlayer(clip, extra + QStringList{QStringLiteral("--input-ipc-server=") + socketPath});
}
