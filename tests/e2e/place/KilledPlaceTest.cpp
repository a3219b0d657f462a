// The real program, killed with SIGKILL while it plays: the settings file
// it leaves is whole, and holds the clip's place within 15 seconds of where
// it was killed. scripts/kill-resume.sh runs many more rounds with longer
// plays (KOVAPLEX_KILL_ROUNDS, KOVAPLEX_KILL_SEED, KOVAPLEX_KILL_LONG).
#include "ProgramRun.h"

#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>
#include <random>

namespace {

// What the program must write back untouched around the clip's record.
const QByteArray Baseline = "\r\n[Window]\r\nMain.Left=1200\r\nMain.Top=900\r\n"
                            "\r\n[Setting]\r\nVideoSize=320\r\n"
                            "\r\n[Files]\r\n/media/a.mp4=12.5,600\r\n/media/b.mkv=300,1400\r\n";

int envNumber(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

// The file's lines, or an error when it cannot be whole: every line ends
// with CR LF and the text is Shift-JIS.
std::optional<QStringList> wholeLines(const QString &path, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = "no settings file";
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (!bytes.endsWith("\r\n")) {
        error = "the file ends inside a line";
        return std::nullopt;
    }
    QStringDecoder decode("Shift_JIS");
    const QString text = decode(bytes);
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

} // namespace

class KilledPlace : public ProgramCopyTest {};

TEST_F(KilledPlace, TheSettingsFileHoldsThePlaceWithinFifteenSecondsOfTheKill)
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "needs the test session bus (scripts/test-env.sh): seeks go through playerctl";
    const QString clip = testMedia("long.mp4"); // 90 s
    ASSERT_TRUE(QFileInfo::exists(clip));
    const int rounds = envNumber("KOVAPLEX_KILL_ROUNDS", 20);
    const unsigned seed = static_cast<unsigned>(envNumber("KOVAPLEX_KILL_SEED", 20261208));
    // Long rounds play from the start for up to this many seconds (to the
    // last seconds, where the close keeps no place); the others seek first.
    const bool longRounds = envNumber("KOVAPLEX_KILL_LONG", 0) != 0;
    std::mt19937 random(seed);
    const QString ini = m_dir.filePath("Kovaplex.ini");
    const QStringList baseline =
        QString::fromLatin1(Baseline).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);

    double largestLag = 0;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(QStringLiteral("round %1 of seed %2").arg(round).arg(seed).toStdString());
        writeSettings(Baseline);
        ProgramRun program(m_binary, {clip});
        const auto tracedPosition = [&] { return program.lastTraced("position").toDouble(); };
        ASSERT_TRUE(program.waitFor([&] { return tracedPosition() > 0; }, 60000)) << "it does not play";

        double target = 0;
        const bool fromStart = longRounds ? random() % 2 == 0 : round == 0;
        if (fromStart) {
            // Past the first save made while playing (15 s), in the short set.
            target =
                std::uniform_real_distribution<double>(longRounds ? 0.5 : 15.5, longRounds ? 89 : 19)(random);
        } else {
            const int seekTo = std::uniform_int_distribution<int>(5, 70)(random);
            run("playerctl", {"--player=kovaplex", "position", QString::number(seekTo)});
            // The seek is on the disk: what follows is a random moment after it.
            ASSERT_TRUE(program.waitFor(
                [&] { return program.lastTraced("settings saved").section(',', 0, 0).toDouble() >= seekTo; },
                10000))
                << "no save after the seek to " << seekTo;
            target = seekTo + std::uniform_real_distribution<double>(0.2, 3)(random);
        }
        ASSERT_TRUE(program.waitFor([&] { return tracedPosition() >= target; }, 120000))
            << "never reached " << target;
        const double killedAt = tracedPosition();
        ::kill(static_cast<pid_t>(program.pid()), SIGKILL);
        ASSERT_TRUE(program.waitForExit(10000));

        QString error;
        const std::optional<QStringList> lines = wholeLines(ini, error);
        ASSERT_TRUE(lines) << qPrintable(error);
        QStringList others;
        std::optional<double> kept;
        QString section;
        for (const QString &line : *lines) {
            if (line.startsWith('['))
                section = line;
            // The file's print beside its record is the fingerprints' own
            // business; here only the record counts.
            if (section == QLatin1String("[FileFingerprints]"))
                continue;
            if (section == QLatin1String("[Files]") && line.startsWith(clip + '=')) {
                const QStringList fields = line.mid(clip.size() + 1).split(',');
                ASSERT_EQ(fields.size(), 2) << qPrintable(line);
                EXPECT_EQ(fields[1].toDouble(), 90) << qPrintable(line);
                kept = fields[0].toDouble();
            } else if (!line.isEmpty()) {
                others << line;
            }
        }
        EXPECT_EQ(others, baseline) << "the rest of the file changed";
        if (kept) {
            EXPECT_GE(*kept, killedAt - 15) << "killed at " << killedAt;
            EXPECT_LE(*kept, killedAt + 1) << "killed at " << killedAt;
            EXPECT_LT(*kept, 80) << "a place the close keeps no longer";
        } else {
            // Never saved yet, or in the last 10 seconds, where the close
            // keeps no place either.
            EXPECT_TRUE(killedAt < 15 || killedAt > 80 - 1) << "no place kept; killed at " << killedAt;
        }
        if (kept)
            largestLag = std::max(largestLag, killedAt - *kept);
        if (longRounds)
            std::printf("round %d: killed at %.2f s, kept %s\n", round, killedAt,
                        kept ? qPrintable(QString::number(*kept)) : "none");
        if (HasFailure())
            return;
    }
    std::printf("%d rounds; the kept place was at most %.2f s behind the kill\n", rounds, largestLag);
}
