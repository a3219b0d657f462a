#include "ProgramRun.h"

#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

QStringList run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(15000);
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

QRect clientRect(const QString &window)
{
    int x = 0, y = 0, width = 0, height = 0, found = 0;
    for (const QString &line : run("xwininfo", {"-id", window})) {
        const QString value = line.section(':', 1).trimmed();
        if (line.contains("Absolute upper-left X:"))
            x = value.toInt(), ++found;
        else if (line.contains("Absolute upper-left Y:"))
            y = value.toInt(), ++found;
        else if (line.trimmed().startsWith("Width:"))
            width = value.toInt(), ++found;
        else if (line.trimmed().startsWith("Height:"))
            height = value.toInt(), ++found;
    }
    return found == 4 ? QRect(x, y, width, height) : QRect();
}

std::optional<int> positionOf(const QString &timeText)
{
    static const QRegularExpression time(QStringLiteral("^(\\d+):(\\d\\d):(\\d\\d)"));
    const auto m = time.match(timeText);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toInt();
}

ProgramRun::ProgramRun(const QString &binary, const QStringList &args, const Options &options)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KOVAPLEX_TRACE", "1");
    env.insert("KOVAPLEX_TRACE_VALUES", "1");
    for (const auto &[name, value] : options.environment) {
        if (value.isEmpty())
            env.remove(name);
        else
            env.insert(name, value);
    }
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    if (!options.workingDir.isEmpty())
        m_process.setWorkingDirectory(options.workingDir);
    m_process.start(binary, args);
    m_process.waitForStarted(10000);
    m_pid = m_process.processId();
}

ProgramRun::~ProgramRun()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    if (::testing::Test::HasFailure())
        std::fprintf(stderr, "--- program output ---\n%s\n", qPrintable(m_lines.join('\n')));
}

bool ProgramRun::waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        pump(50);
    }
    return true;
}

bool ProgramRun::sawLine(const QString &fragment) const
{
    for (const QString &line : m_lines)
        if (line.contains(fragment))
            return true;
    return false;
}

int ProgramRun::lineOf(const QString &fragment) const
{
    for (int i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].contains(fragment))
            return i;
    return -1;
}

int ProgramRun::countLines(const QString &fragment) const
{
    return static_cast<int>(std::count_if(m_lines.cbegin(), m_lines.cend(),
                                          [&](const QString &line) { return line.contains(fragment); }));
}

QStringList ProgramRun::traced(const QString &name) const
{
    const QString marker = QStringLiteral("] ") + name + QStringLiteral(": ");
    QStringList out;
    for (const QString &line : m_lines) {
        const int at = line.indexOf(marker);
        if (at >= 0 && line.startsWith(QLatin1String("[kovaplex +")))
            out << line.mid(at + marker.size());
    }
    return out;
}

bool ProgramRun::waitForValue(const QString &name, const QString &value, int ms)
{
    return waitFor([&] { return traced(name).contains(value); }, ms);
}

std::optional<int> ProgramRun::lastPosition() const
{
    const QStringList texts = timeTexts();
    return texts.isEmpty() ? std::nullopt : positionOf(texts.last());
}

QStringList ProgramRun::visibleWindows() const
{
    // The video and the panel's pictures are native child windows that carry
    // the program's pid and title too; only top-level windows count here: the
    // root's children, or, under a window manager that reparents them into
    // frames, the windows it manages (those with WM_STATE).
    QSet<qulonglong> rootChildren;
    static const QRegularExpression child(QStringLiteral("^\\s+(0x[0-9a-f]+)\\s"));
    for (const QString &line : run("xwininfo", {"-root", "-children"})) {
        const QRegularExpressionMatch m = child.match(line);
        if (m.hasMatch())
            rootChildren.insert(m.captured(1).toULongLong(nullptr, 16));
    }
    QStringList topLevel;
    for (const QString &id : run("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid())})) {
        if (rootChildren.contains(id.toULongLong()) ||
            run("xprop", {"-id", id, "WM_STATE"}).join(' ').contains(QLatin1String("window state")))
            topLevel << id;
    }
    return topLevel;
}

bool ProgramRun::waitForExit(int ms)
{
    return waitFor([this] { return m_process.state() == QProcess::NotRunning; }, ms);
}

void ProgramRun::pump(int ms)
{
    m_process.waitForReadyRead(ms);
    m_pending += m_process.readAll();
    int nl;
    while ((nl = m_pending.indexOf('\n')) >= 0) {
        m_lines << QString::fromUtf8(m_pending.left(nl));
        m_pending.remove(0, nl + 1);
    }
}

void ProgramCopyTest::SetUp()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs the test display (scripts/test-env.sh)";
    const QString built = QDir(testBinaryDir()).filePath("Kovaplex");
    ASSERT_TRUE(QFileInfo::exists(built)) << qPrintable(built);
    m_binary = m_dir.filePath("Kovaplex");
    ASSERT_TRUE(QFile::copy(built, m_binary));
}

void ProgramCopyTest::writeSettings(const QByteArray &text)
{
    QFile ini(m_dir.filePath("Kovaplex.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(ini.fileName());
    ASSERT_EQ(ini.write(text), text.size());
}
