// Whether memory holds over a long play: Kovaplex plays a three-hour file
// fast forward at 16 times (the "FastForward" key "G" pressed until the
// speed is 16) for some minutes; its resident memory is read every few
// seconds. Memory that grows with what was played is a leak: the memory at
// the end should stay within 5 % of what it was after the first minute.
// The mpv command-line player at --speed=16 on the same file gives the same
// two numbers as the baseline.
//
// Needs an X display and a sound server (scripts/bench.sh provides both).
// Usage: longplay_memory_bench [--minutes M] [--clip FILE] [--binary KOVAPLEX] [--no-baseline]
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <X11/keysym.h>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

constexpr int StartTimeoutMs = 30000;
constexpr int SampleMs = 5000;
constexpr int MinuteMs = 60000;
constexpr int Speed = 16;

struct Reading {
    double firstMinuteMiB = 0;
    double endMiB = 0;
    double peakMiB = 0;
};

/// Plays `player` for `minutes` after `speedUp` (true once at speed 16) and
/// reads its resident memory as it goes.
std::optional<Reading> run(const BenchPlayer &player, int minutes,
                           const std::function<bool(QProcess &)> &speedUp)
{
    QProcess process;
    if (!startUntilFirstFrame(process, player, StartTimeoutMs)) {
        std::fprintf(stderr, "%s: no first frame within %d ms\n", player.name, StartTimeoutMs);
        return std::nullopt;
    }
    if (!speedUp(process)) {
        std::fprintf(stderr, "%s: could not reach %d times\n", player.name, Speed);
        process.kill();
        process.waitForFinished(5000);
        return std::nullopt;
    }
    Reading reading;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < minutes * qint64(MinuteMs) && process.state() == QProcess::Running) {
        drainOutput(process, SampleMs);
        const double now = residentMiB(process.processId());
        if (clock.elapsed() <= MinuteMs + SampleMs / 2)
            reading.firstMinuteMiB = now;
        reading.endMiB = now;
    }
    reading.peakMiB = peakResidentMiB(process.processId());
    const bool alive = process.state() == QProcess::Running;
    process.kill();
    process.waitForFinished(5000);
    if (!alive) {
        std::fprintf(stderr, "%s: ended before %d minutes\n", player.name, minutes);
        return std::nullopt;
    }
    return reading;
}

void print(const char *name, const Reading &r)
{
    const double growth = r.endMiB / r.firstMinuteMiB;
    std::printf("  %-16s %14.1f MiB %12.1f MiB %10.3f x %12.1f MiB   %s\n", name, r.firstMinuteMiB, r.endMiB,
                growth, r.peakMiB, growth <= 1.05 ? "holds" : "GROWS (aim: within 5 %)");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int minutes = std::clamp(argumentAfter(args, "--minutes", "5").toInt(), 2, 60);
    const ProgramUnderTest program =
        programUnderTest("longplay_memory_bench", args, KOVAPLEX_DEFAULT_CLIP, KOVAPLEX_BINARY, {});
    if (!program.ok)
        return 2;
    BenchPlayer kovaplex = kovaplexPlayer(*program.copy, program.clip);
    kovaplex.environment.insert(QStringLiteral("KOVAPLEX_TRACE_VALUES"), QStringLiteral("1"));
    // Each press climbs the ladder 1, 2, 4, 8, 16 on a file that cannot scan.
    const auto fastForward = [](QProcess &process) {
        for (const char *rate : {"2", "4", "8", "16"}) {
            if (!focusKovaplexWindow(process.processId()) || !pressKey(XK_g) ||
                !waitForOutput(process, QByteArray("] rate: ") + rate, StartTimeoutMs))
                return false;
        }
        return true;
    };
    const std::optional<Reading> k = run(kovaplex, minutes, fastForward);
    std::optional<Reading> m;
    if (!args.contains(QStringLiteral("--no-baseline"))) {
        const BenchPlayer mpv = mpvPlayer(program.clip, {"--speed=16", "--geometry=640x480"});
        m = run(mpv, minutes, [](QProcess &) { return true; });
    }
    if (!k)
        return 1;
    std::printf("longplay_memory_bench: %s at %d x for %d minutes, resident memory\n",
                qPrintable(QFileInfo(program.clip).fileName()), Speed, minutes);
    std::printf("  %-16s %18s %16s %12s %16s\n", "", "after 1 minute", "at the end", "growth", "peak");
    print("Kovaplex", *k);
    if (m)
        print("mpv (baseline)", *m);
    return 0;
}
