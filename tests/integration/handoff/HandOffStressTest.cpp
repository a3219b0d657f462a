// Starts of the program racing the close of the running instance and its
// SIGKILL at random moments, over the real lock, channel, second-start and
// close code (HandOffService) in small processes without a window: every
// start's file is played by some instance, except those that an instance
// acknowledged right before it was killed (counted on their own), and no
// lock or socket left behind ever stops a later start.
#include "app/HandOffService.h"
#include "app/SecondStart.h"
#include "platform/dde/InstanceChannel.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

const char *const DirVariable = "KOVAPLEX_STRESS_DIR";
const char *const FileVariable = "KOVAPLEX_STRESS_FILE";
const char *const LifeVariable = "KOVAPLEX_STRESS_LIFE";

/// One line appended to the shared log; appends of one write never mix.
void logLine(const QString &dir, const QString &line)
{
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    const int fd =
        ::open(QFile::encodeName(dir + "/log").constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    [[maybe_unused]] const ssize_t written =
        ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
    ::close(fd);
}

std::optional<ChannelAddress> stressAddress(const QString &dir)
{
    return channelAddress(QStringLiteral("/proc/self/exe"), dir, QDir::tempPath(), ::geteuid());
}

/// An instance of the program as far as the hand-off goes: it becomes the
/// first instance or hands its file over, "plays" (logs) its own file and
/// every command it runs, and closes after its life time, as the program's
/// close step does.
void startInstance(const QString &dir, const QString &file, int lifeMs)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(DirVariable, dir);
    environment.insert(FileVariable, file);
    environment.insert(LifeVariable, QString::number(lifeMs));
    QProcess process;
    process.setProgram(QStringLiteral("/proc/self/exe"));
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.startDetached();
}

[[noreturn]] void runInstance()
{
    const QString dir = qEnvironmentVariable(DirVariable);
    const QString file = qEnvironmentVariable(FileVariable);
    const int lifeMs = qEnvironmentVariableIntValue(LifeVariable);
    const QString pid = QString::number(::getpid());
    logLine(dir, "start " + file + " " + pid);
    const std::optional<ChannelAddress> address = stressAddress(dir);
    if (!address) {
        logLine(dir, "failed " + file + " no address");
        std::_Exit(1);
    }
    InstanceLock lock;
    if (const std::optional<int> status = handedOverToRunningInstance(lock, *address, file, "/")) {
        logLine(dir, (*status == 0 ? "handed " : "failed ") + file);
        std::_Exit(*status);
    }
    int argc = 1;
    char name[] = "stress-instance";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    HandOffService service(lock);
    QObject::connect(
        &service.server(), &CommandServer::commandReceived, &app,
        [&](const HandOff &handOff, quint64) { logLine(dir, "acked " + handOff.command + " " + pid); });
    if (!service.listen(address->socketPath))
        logLine(dir, "nolisten " + pid);
    logLine(dir, "first " + pid);
    logLine(dir, "played " + file);
    service.queue().release([&](const OpenRequest &request) { logLine(dir, "played " + request.fileName); });
    QTimer::singleShot(lifeMs, &app, [&] {
        service.stopAnswering();
        // The rest of the close step runs the event loop for a while (the
        // engines close; a box may say the settings could not be saved):
        // whatever arrives meanwhile must not be answered as taken.
        QEventLoop closeStep;
        QTimer::singleShot(lifeMs / 2, &closeStep, &QEventLoop::quit);
        closeStep.exec();
        // (the settings are written here)
        service.handOver([&](const HandOff &handOff) {
            logLine(dir, "restarted " + handOff.command);
            startInstance(dir, handOff.command, lifeMs);
        });
        app.quit();
    });
    app.exec();
    logLine(dir, "closed " + pid);
    std::_Exit(0);
}

const bool g_instance = [] {
    if (qEnvironmentVariableIsSet(DirVariable))
        runInstance();
    return false;
}();

struct Tally {
    int rounds = 0;
    int starts = 0;
    int playedByTheirFirstStart = 0; // became the first instance
    int handedAndPlayed = 0;
    int restartedAndPlayed = 0;
    int lostToAKill = 0;   // acknowledged, then the instance was killed
    int killedOwnFile = 0; // the start itself was killed before it played
    int kills = 0;
    QStringList lost;
    QStringList failed;
};

int stressRounds()
{
    const int fromEnvironment = qEnvironmentVariableIntValue("KOVAPLEX_STRESS_ROUNDS");
    return fromEnvironment > 0 ? fromEnvironment : 200;
}

Tally runStress(int rounds, quint32 seed)
{
    QTemporaryDir runtime;
    const QString dir = runtime.path();
    const ChannelAddress address = *stressAddress(dir);
    QRandomGenerator random(seed);
    Tally tally;
    QSet<QString> killed;     // process numbers
    QSet<QString> killRounds; // file names of the rounds with a kill
    QStringList files;
    for (int round = 0; round < rounds; ++round) {
        const QString a = QStringLiteral("/stress/%1-a").arg(round);
        const QString b = QStringLiteral("/stress/%1-b").arg(round);
        files << a << b;
        // Short lives and a random gap between the starts, so that the
        // second start meets the first at every stage: starting, serving,
        // closing, gone.
        QElapsedTimer clock;
        clock.start();
        const auto until = [&](qint64 moment) { waitUntil([&] { return clock.elapsed() >= moment; }, 1000); };
        startInstance(dir, a, 10 + static_cast<int>(random.bounded(60)));
        until(random.bounded(80));
        startInstance(dir, b, 10 + static_cast<int>(random.bounded(60)));
        tally.starts += 2;
        if (random.bounded(3) == 0) {
            // A SIGKILL of whoever holds the lock, at a random moment.
            until(clock.elapsed() + random.bounded(60));
            // (The lock file names this test too, after its own probes.)
            const std::optional<qint64> holder = lockHolder(address.lockPath);
            if (holder && *holder != ::getpid()) {
                if (::kill(static_cast<pid_t>(*holder), SIGKILL) == 0) {
                    logLine(dir, "killed " + QString::number(*holder));
                    ++tally.kills;
                    killed << QString::number(*holder);
                    killRounds << a << b;
                }
            }
        }
        // The round ends when nobody holds the lock: every start has
        // played, handed over or failed, and every instance has closed.
        InstanceLock probe;
        const bool free = waitUntil(
            [&] {
                if (probe.tryAcquire(address.lockPath) != InstanceLock::Result::Acquired)
                    return false;
                probe.release();
                return true;
            },
            20000);
        if (!free) {
            tally.failed << QStringLiteral("round %1 never ended").arg(round);
            break;
        }
        ++tally.rounds;
    }
    // Restarts may still be on their way when the last round ended.
    const auto readLog = [&] {
        QFile log(dir + "/log");
        log.open(QIODevice::ReadOnly);
        return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    };
    QHash<QString, QString> fate; // file -> how it was played
    QSet<QString> acked, handed, restarted;
    QHash<QString, QStringList> startedBy; // file -> its starts' process numbers
    // file -> the instances serving when its start was told it was taken: a
    // restart of an earlier round may still serve in a later one.
    QHash<QString, QSet<QString>> handedTo;
    waitUntil(
        [&] {
            fate.clear();
            acked.clear();
            handed.clear();
            restarted.clear();
            startedBy.clear();
            handedTo.clear();
            QSet<QString> serving;
            const QStringList lines = readLog();
            for (int index = 0; index < lines.size(); ++index) {
                const QString &line = lines[index];
                const QString word = line.section(' ', 0, 0);
                const QString file = line.section(' ', 1, 1);
                if (word == "played")
                    fate.insert(file, "played");
                else if (word == "start")
                    startedBy[file] << line.section(' ', 2, 2);
                else if (word == "first")
                    serving << file; // the instance's process number
                else if (word == "closed" || word == "killed")
                    serving.remove(file);
                else if (word == "handed") {
                    handed << file;
                    handedTo.insert(file, serving);
                } else if (word == "acked" && killed.contains(line.section(' ', 2, 2)))
                    acked << file; // by an instance killed later
                else if (word == "restarted")
                    restarted << file;
                else if (word == "failed" && !tally.failed.contains(line))
                    tally.failed << line;
            }
            InstanceLock probe;
            const bool idle = probe.tryAcquire(address.lockPath) == InstanceLock::Result::Acquired;
            return idle && fate.size() >= files.size();
        },
        5000);
    for (const QString &file : files) {
        if (fate.contains(file)) {
            if (restarted.contains(file))
                ++tally.restartedAndPlayed;
            else if (handed.contains(file))
                ++tally.handedAndPlayed;
            else
                ++tally.playedByTheirFirstStart;
        } else if (handed.contains(file) &&
                   (acked.contains(file) || killRounds.contains(file) || handedTo[file].intersects(killed))) {
            // Taken by an instance that was killed before it could play it
            // (the kill may have come before it logged the answer).
            ++tally.lostToAKill;
        } else if (!handed.contains(file) &&
                   std::any_of(startedBy[file].cbegin(), startedBy[file].cend(),
                               [&](const QString &pid) { return killed.contains(pid); })) {
            ++tally.killedOwnFile;
        } else {
            tally.lost << file + (handed.contains(file) ? " (handed)" : "") +
                              (acked.contains(file) ? " (acked)" : "");
        }
    }
    return tally;
}

TEST(HandOffStress, StartsRacingClosesAndKillsNeverLoseAFile)
{
    const int rounds = stressRounds();
    const quint32 seed = static_cast<quint32>(qEnvironmentVariableIntValue("KOVAPLEX_STRESS_SEED"));
    const Tally tally = runStress(rounds, seed ? seed : 19);
    std::printf("hand-off stress: %d rounds, %d starts: %d played by their own start, %d handed over and "
                "played, %d played by a restart after a close, %d acknowledged by an instance killed "
                "right after, %d the start's own file when it was itself killed (%d kills), %d lost, %d "
                "failed\n",
                tally.rounds, tally.starts, tally.playedByTheirFirstStart, tally.handedAndPlayed,
                tally.restartedAndPlayed, tally.lostToAKill, tally.killedOwnFile, tally.kills,
                int(tally.lost.size()), int(tally.failed.size()));
    std::fflush(stdout);
    EXPECT_EQ(tally.rounds, rounds);
    EXPECT_TRUE(tally.lost.isEmpty()) << qPrintable(tally.lost.mid(0, 10).join('\n'));
    EXPECT_TRUE(tally.failed.isEmpty()) << qPrintable(tally.failed.mid(0, 10).join('\n'));
}

} // namespace
