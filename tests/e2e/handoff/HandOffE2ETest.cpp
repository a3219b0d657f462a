// Later starts of the real program hand their command lines to the running
// instance: what arrives is played, in order, whatever the running instance
// is doing; and nothing else that reaches its socket changes anything.
#include "ProgramRun.h"
#include "X11Close.h"

#include "TestSupport.h"
#include "platform/dde/DDESend.h"
#include "platform/dde/InstanceChannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Run as another user by the refusal test: hands one command to the socket
// named in the variable, prints the outcome and ends before any test.
const bool g_strangerProbe = [] {
    const QByteArray socket = qgetenv("KOVAPLEX_HANDOFF_PROBE");
    if (socket.isEmpty())
        return false;
    bool failed = false;
    const QString reply = DDESend(QStringLiteral("stranger"), QString::fromLocal8Bit(socket), QString(),
                                  &failed, SendLimits{2000, 5000, 10});
    std::printf("%s: %s\n", failed ? "failed" : "answered", qUtf8Printable(reply));
    std::fflush(stdout);
    std::_Exit(0);
}();

constexpr int Bound = 30000;

class HandOffE2E : public ProgramCopyTest {
protected:
    void SetUp() override
    {
        ProgramCopyTest::SetUp();
        // A launcher's token only where a test gives one.
        m_options.environment = {
            {"XDG_RUNTIME_DIR", m_runtime.path()}, {"DESKTOP_STARTUP_ID", ""}, {"XDG_ACTIVATION_TOKEN", ""}};
    }

    /// A first instance without a file, once it takes commands.
    std::unique_ptr<ProgramRun> startServing(const QStringList &args = {})
    {
        auto first = std::make_unique<ProgramRun>(m_binary, args, m_options);
        EXPECT_TRUE(first->waitFor([&] { return first->sawLine("] commands served"); }, Bound))
            << "the first instance did not finish starting";
        return first;
    }

    /// Starts the program again from `workingDir` and expects it to end at
    /// once with 0 (the lock is held, so this is a second start).
    void secondStart(const QStringList &args, const QString &workingDir = QString(),
                     const QString &startupId = QString())
    {
        ProgramRun::Options options = m_options;
        options.workingDir = workingDir.isEmpty() ? m_dir.path() : workingDir;
        options.environment << std::pair<QString, QString>("DESKTOP_STARTUP_ID", startupId);
        ProgramRun second(m_binary, args, options);
        ASSERT_TRUE(second.waitForExit(Bound)) << "the second start did not end";
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_FALSE(second.sawLine("] application ready")) << "the second start built the application";
    }

    ChannelAddress address() const
    {
        return *channelAddress(m_binary, m_runtime.path(), QDir::tempPath(), ::geteuid());
    }

    QTemporaryDir m_runtime;
    ProgramRun::Options m_options;
};

TEST_F(HandOffE2E, SecondStartsHandTheirCommandLinesOverAndEachIsPlayed)
{
    const QString work = m_dir.filePath("work dir");
    ASSERT_TRUE(QDir().mkpath(work));
    // "Play" is no command word here: it is a file of that name. (Each file
    // is opened once: a file left part-way would ask the resume question.)
    ASSERT_TRUE(QFile::copy(testMedia("clip.mp4"), QDir(work).filePath("Play")));
    const QString odd = QStringLiteral("名前 with \"quote\".avi");
    ASSERT_TRUE(QFile::copy(testMedia("clip.avi"), QDir(work).filePath(odd)));

    auto first = startServing();
    const struct {
        QStringList args;
        QString opened; // the file the running instance then holds
    } cases[] = {
        {{"Play"}, QDir(work).filePath("Play")},
        {{}, QString()},
        // Quotes stay on the way; Play removes the surrounding pair.
        {{"\"" + odd + "\""}, QDir(work).filePath(odd)},
        // Qt's options are not Qt's here.
        {{"-reverse"}, QDir(work).filePath("-reverse")},
        {{testMedia("tone.wav")}, testMedia("tone.wav")},
    };
    int sequence = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(qPrintable(c.args.join(' ')));
        // The launcher's token travels with the command; the running
        // instance ends the launch feedback.
        StartupInfoListener launchFeedback;
        const QString startupId = QStringLiteral("handoff-%1_TIME%1").arg(sequence + 1);
        secondStart(c.args, work, startupId);
        const QString expected = QString::number(++sequence) + ' ' + c.opened;
        ASSERT_TRUE(first->waitForValue("dde executed", expected, Bound))
            << qPrintable(first->traced("dde executed").join('\n'));
        EXPECT_EQ(launchFeedback.next(Bound), "remove: ID=\"" + startupId.toStdString() + "\"");
        if (sequence == 1) {
            // The handed-over file really plays.
            ASSERT_TRUE(first->waitFor([&] { return first->lastPosition().value_or(0) >= 1; }, Bound))
                << "the handed-over file did not play";
        }
    }
    // The running instance keeps the places of what it plays as it plays;
    // the window's place is stored only by a close, which nobody made.
    QFile ini(m_dir.filePath("Kovaplex.ini"));
    if (ini.open(QIODevice::ReadOnly))
        EXPECT_FALSE(ini.readAll().contains("[Window]")) << "someone closed and wrote the settings";
}

TEST_F(HandOffE2E, AStartDuringTheResumeQuestionIsAnsweredAtOnceAndPlaysAfterIt)
{
    const QString remembered = testMedia("long.mp4");
    const QString next = testMedia("clip.mp4");
    writeSettings("[Files]\r\n" + remembered.toUtf8() + "=30,90\r\n");
    ProgramRun first(m_binary, {remembered}, m_options);
    QStringList windows;
    ASSERT_TRUE(first.waitFor([&] { return !(windows = first.visibleWindows()).isEmpty(); }, Bound))
        << "no resume question";
    ASSERT_FALSE(first.sawLine("] commands served"));

    // Answered while the question is still open, and held.
    secondStart({next});
    ASSERT_TRUE(first.waitForValue("dde received", "1 " + next, Bound));
    EXPECT_FALSE(first.sawLine("] commands served"));
    EXPECT_TRUE(first.traced("dde executed").isEmpty());

    run("xdotool", {"windowfocus", "--sync", windows.first()});
    run("xdotool", {"key", "--clearmodifiers", "space"});
    ASSERT_TRUE(first.waitForValue("dde executed", "1 " + next, Bound));
}

TEST_F(HandOffE2E, AMinimisedInstanceIsRestoredBeforeItPlays)
{
    // Minimising needs a window manager; the test display has none of its own.
    QProcess manager;
    manager.start("openbox", {"--sm-disable"});
    ASSERT_TRUE(manager.waitForStarted(10000)) << "openbox is needed (scripts/install-deps.sh)";
    ASSERT_TRUE(waitUntil(
        [] {
            return !run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).join("").contains("not found");
        },
        Bound));

    auto first = startServing();
    QStringList windows;
    ASSERT_TRUE(first->waitFor([&] { return !(windows = first->visibleWindows()).isEmpty(); }, Bound));
    run("xdotool", {"windowminimize", "--sync", windows.first()});
    ASSERT_TRUE(first->waitFor([&] { return first->visibleWindows().isEmpty(); }, Bound)) << "not minimised";

    secondStart({testMedia("clip.mp4")});
    EXPECT_TRUE(first->waitForValue("dde executed", "1 " + testMedia("clip.mp4"), Bound));
    EXPECT_TRUE(first->waitFor([&] { return !first->visibleWindows().isEmpty(); }, Bound)) << "not restored";

    manager.kill();
    manager.waitForFinished(5000);
}

TEST_F(HandOffE2E, AThousandHandOffsInARowAllArriveInOrder)
{
    auto first = startServing();
    const QString socket = address().socketPath;
    QStringList expected;
    for (int i = 1; i <= 1000; ++i) {
        const QString name = QStringLiteral("/nonexistent/ハンドオフ %1.mp4").arg(i, 4, 10, QLatin1Char('0'));
        bool failed = false;
        const QString reply = DDESend(name, socket, QString(), &failed);
        ASSERT_FALSE(failed) << i << ": " << qPrintable(reply);
        first->pump(0);
        expected << QString::number(i) + ' ' + name;
    }
    ASSERT_TRUE(first->waitForValue("dde executed", expected.last(), 120000))
        << qPrintable(first->traced("dde executed").mid(0, 3).join('\n'));
    EXPECT_EQ(first->traced("dde received"), expected);
    EXPECT_EQ(first->traced("dde executed"), expected);
}

TEST_F(HandOffE2E, TwoStartsAtOnceGiveOneRunningInstanceEvenAfterAKill)
{
    // Each round's running instance is killed with SIGKILL, so every later
    // round also starts over a lock file and a socket left behind.
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        ProgramRun a(m_binary, {}, m_options);
        ProgramRun b(m_binary, {}, m_options);
        ASSERT_TRUE(waitUntil(
            [&] {
                a.pump(0);
                b.pump(0);
                return !a.isRunning() || !b.isRunning();
            },
            Bound))
            << "nobody ended";
        ProgramRun &second = a.isRunning() ? b : a;
        ProgramRun &running = a.isRunning() ? a : b;
        EXPECT_EQ(second.exitCode(), 0);
        ASSERT_TRUE(running.waitForValue("dde executed", "1 ", Bound)) << "the other start was not received";
        EXPECT_TRUE(running.isRunning());
        ::kill(static_cast<pid_t>(running.pid()), SIGKILL);
        ASSERT_TRUE(running.waitForExit(Bound));
    }
}

TEST_F(HandOffE2E, OtherUsersOversizedFramesAndGarbageChangeNothing)
{
    // Reachable by another user for once, so that the server's own check is
    // what refuses them.
    ASSERT_EQ(::chmod(QFile::encodeName(m_runtime.path()).constData(), 0711), 0);
    auto first = startServing();
    const QString socketPath = address().socketPath;
    ASSERT_EQ(::chmod(QFile::encodeName(socketPath).constData(), 0777), 0);

    QProcess stranger;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KOVAPLEX_HANDOFF_PROBE", socketPath);
    stranger.setProcessEnvironment(env);
    stranger.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                               QCoreApplication::applicationFilePath()});
    ASSERT_TRUE(stranger.waitForFinished(Bound));
    EXPECT_TRUE(stranger.readAllStandardOutput().startsWith("failed:")) << "another user was answered";
    ASSERT_TRUE(first->waitForValue("dde refused", "1 connection from user 65534", Bound));

    QRandomGenerator random(14);
    QByteArray noise(4096, '\0');
    random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    QByteArray notACommand = noise.left(200).replace('\0', 'x');
    notACommand.prepend(QByteArray::fromHex("000000c8"));
    const struct {
        QByteArray bytes;
        QString refusal;
    } cases[] = {
        {QByteArray::fromHex("ffffffff") + "more", "2 oversized frame"},
        {QByteArray::fromHex("00010001") + noise, "3 oversized frame"},
        {notACommand, "4 not a command"},
    };
    for (const auto &c : cases) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        ASSERT_TRUE(socket.waitForConnected(Bound));
        socket.write(c.bytes);
        socket.flush();
        EXPECT_TRUE(first->waitForValue("dde refused", c.refusal, Bound)) << qPrintable(c.refusal);
        EXPECT_TRUE(socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(Bound));
    }
    // A frame cut short: the connection ends and nothing happens.
    {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        ASSERT_TRUE(socket.waitForConnected(Bound));
        socket.write(QByteArray::fromHex("00000010") + "short");
        socket.flush();
    }

    bool failed = false;
    DDESend(QStringLiteral("after"), socketPath, QString(), &failed);
    ASSERT_FALSE(failed);
    ASSERT_TRUE(first->waitForValue("dde executed", "1 after", Bound));
    EXPECT_EQ(first->traced("dde received"), QStringList{"1 after"});
}

/// Ends whatever instance still holds the channel's lock (one started anew
/// by a closing instance is no child of the test).
void endLockHolder(const ChannelAddress &address)
{
    if (const std::optional<qint64> holder = lockHolder(address.lockPath)) {
        if (*holder != ::getpid())
            ::kill(static_cast<pid_t>(*holder), SIGKILL);
    }
}

TEST_F(HandOffE2E, AStartRacingACloseIsPlayedByOneInstanceOrTheOther)
{
    // Too short for a resume record: a close during its play must not make
    // the next round ask the resume question.
    const QString clip = testMedia("tone.wav");
    QRandomGenerator random(19);
    int handed = 0, tookOver = 0, restarted = 0;
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        auto first = startServing();
        // The close comes at a random moment of the second start: before
        // it connects, while it is answered, while its file is run.
        auto second = std::make_unique<ProgramRun>(m_binary, QStringList{clip}, m_options);
        QElapsedTimer clock;
        clock.start();
        const qint64 moment = random.bounded(600);
        first->waitFor([&] { return clock.elapsed() >= moment; }, 1000);
        ::kill(static_cast<pid_t>(first->pid()), SIGTERM);
        ASSERT_TRUE(second->waitFor(
            [&] { return !second->isRunning() || !second->traced("opened").isEmpty(); }, Bound));
        if (second->isRunning()) {
            // It took over as the first instance and opened its own file.
            EXPECT_EQ(second->lastTraced("opened"), clip);
            ++tookOver;
        } else {
            EXPECT_EQ(second->exitCode(), 0) << "the start gave up";
            ASSERT_TRUE(first->waitForExit(Bound));
            first->pump(0);
            // Run: opened, or being opened when the close came (the close
            // then ends what had begun, as it would for any file).
            const int executing = first->lineOf("dde executing: 1 " + clip);
            const int closing = first->lineOf("closing on SIGTERM");
            const bool played = executing >= 0 && (closing < 0 || executing < closing);
            const bool restartedWithIt = first->traced("dde restarted").contains('"' + clip + '"') ||
                                         first->traced("dde restarted").contains(clip);
            EXPECT_TRUE(played || restartedWithIt) << "answered as taken, then dropped";
            played ? ++handed : ++restarted;
        }
        second.reset();
        first.reset();
        endLockHolder(address());
    }
    std::printf("a start racing a close, 50 rounds: %d handed over and played, %d took over, %d played by a "
                "restart\n",
                handed, tookOver, restarted);
}

TEST_F(HandOffE2E, AStartWhileTheSaveFailureBoxIsOpenBecomesTheFirstInstance)
{
    // The settings file is a link to a folder: the close cannot save and
    // says so in a box, which stays open.
    ASSERT_TRUE(QDir().mkdir(m_dir.filePath("folder")));
    ASSERT_TRUE(QFile::link(m_dir.filePath("folder"), m_dir.filePath("Kovaplex.ini")));
    auto first = startServing();
    // A process already gone has no pid: kill(0) would end this test's own
    // process group.
    ASSERT_GT(first->pid(), 0) << "the first instance did not live with its settings file a folder";
    ::kill(static_cast<pid_t>(first->pid()), SIGTERM);
    ASSERT_TRUE(first->waitFor([&] { return !first->traced("dde closed").isEmpty(); }, Bound));
    QStringList windows;
    ASSERT_TRUE(first->waitFor([&] { return !(windows = first->visibleWindows()).isEmpty(); }, Bound))
        << "no box about the failed save";

    const QString clip = testMedia("clip.mp4");
    ProgramRun second(m_binary, {clip}, m_options);
    ASSERT_TRUE(second.waitForValue("opened", clip, Bound)) << "the start did not take over";
    EXPECT_TRUE(first->isRunning()) << "the box was gone already";
    EXPECT_TRUE(first->traced("dde received").isEmpty());
    EXPECT_TRUE(QFileInfo(m_dir.filePath("Kovaplex.ini")).isSymLink()) << "the link was replaced";
}

TEST_F(HandOffE2E, AStoppedPlayerIsSaidToBeStoppedAndGetsNothing)
{
    auto first = startServing();
    ASSERT_EQ(::kill(static_cast<pid_t>(first->pid()), SIGSTOP), 0);
    ProgramRun::Options options = m_options;
    options.workingDir = m_dir.path();
    {
        ProgramRun second(m_binary, {testMedia("clip.mp4")}, options);
        ASSERT_TRUE(second.waitForExit(Bound));
        EXPECT_EQ(second.exitCode(), 1);
        EXPECT_TRUE(second.sawLine("is stopped and does not answer"));
    }
    ASSERT_EQ(::kill(static_cast<pid_t>(first->pid()), SIGCONT), 0);
    // The next command is the first one that ever arrived.
    bool failed = false;
    DDESend(QStringLiteral("after"), address().socketPath, QString(), &failed);
    ASSERT_FALSE(failed);
    ASSERT_TRUE(first->waitForValue("dde executed", "1 after", Bound));
    EXPECT_EQ(first->traced("dde received"), QStringList{"1 after"});
}

TEST_F(HandOffE2E, IdleConnectionsBeyondTheFileLimitLeaveTheChannelOpen)
{
    // The running instance may open 256 files; far more peers connect and
    // never send.
    auto first =
        std::make_unique<ProgramRun>("prlimit", QStringList{"--nofile=256:256", m_binary}, m_options);
    ASSERT_TRUE(first->waitFor([&] { return first->sawLine("] commands served"); }, Bound));
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 600; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(address().socketPath);
        if (i % 50 == 0)
            first->pump(0);
    }
    ASSERT_TRUE(first->waitFor([&] { return first->traced("dde refused").size() >= 500; }, Bound))
        << first->traced("dde refused").size();
    secondStart({testMedia("clip.mp4")});
    EXPECT_TRUE(first->waitForValue("dde executed", "1 " + testMedia("clip.mp4"), Bound));
}

TEST_F(HandOffE2E, TheDesktopsOpenRequestWaitsForTheResumeQuestionAndAMissingFileIsAnError)
{
    const QString remembered = testMedia("long.mp4");
    const QString next = testMedia("clip.mp4");
    writeSettings("[Files]\r\n" + remembered.toUtf8() + "=30,90\r\n");
    auto first = startServing();
    QStringList before;
    ASSERT_TRUE(first->waitFor([&] { return !(before = first->visibleWindows()).isEmpty(); }, Bound));
    // A handed-over file that asks the resume question.
    secondStart({remembered});
    QString question;
    ASSERT_TRUE(first->waitFor(
        [&] {
            for (const QString &window : first->visibleWindows()) {
                if (!before.contains(window))
                    question = window;
            }
            return !question.isEmpty();
        },
        Bound))
        << "no question";

    const auto openUri = [&](const QString &uri) {
        QProcess call;
        call.start("gdbus",
                   {"call", "--session", "--dest", "org.mpris.MediaPlayer2.kovaplex", "--object-path",
                    "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Player.OpenUri", uri});
        EXPECT_TRUE(call.waitForFinished(Bound));
        first->pump(0);
        return call.exitCode();
    };
    EXPECT_EQ(openUri(QUrl::fromLocalFile(next).toString()), 0);
    EXPECT_NE(openUri(QUrl::fromLocalFile(m_dir.filePath("missing.mp4")).toString()), 0);
    EXPECT_NE(openUri(QUrl::fromLocalFile(next).toString() + "%00.txt"), 0);
    EXPECT_TRUE(first->traced("uri executed").isEmpty()) << "played during the question";

    run("xdotool", {"windowfocus", "--sync", question});
    run("xdotool", {"key", "--clearmodifiers", "space"});
    ASSERT_TRUE(first->waitForValue("uri executed", "0 " + next, Bound));
    EXPECT_EQ(first->traced("uri executed"), QStringList{"0 " + next});
}

} // namespace
