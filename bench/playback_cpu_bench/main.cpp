// What playing costs: Kovaplex next to the mpv command-line player showing
// the same 720p clip at the same size (a 640 x 480 video area).
//
// Each run starts a fresh process, waits for its first frame, lets it settle
// for a second and then measures, over the next seconds of playback, the CPU
// time the process uses (all threads) per second of media, and its peak
// resident memory. Runs alternate between the two players; medians and their
// ratios are printed. Then each player is paused (Kovaplex by its pause key
// "J", mpv through its JSON IPC) and the CPU it uses per second of wall time
// while paused is measured the same way: a paused player should cost nothing.
//
// Needs an X display and a sound server (scripts/bench.sh provides both).
// Usage: playback_cpu_bench [--runs N] [--seconds S] [--clip FILE] [--binary KOVAPLEX]
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <X11/keysym.h>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

constexpr int StartTimeoutMs = 30000;
constexpr int SettleMs = 1000;

struct Sample {
    double cpuPerMediaSecond;
    double peakMiB;
    double cpuPerPausedSecond;
};

/// The process's CPU seconds per wall second over the next `seconds`.
double cpuPerSecond(QProcess &process, int seconds)
{
    const double cpuBefore = cpuSeconds(process.processId());
    QElapsedTimer wall;
    wall.start();
    drainOutput(process, seconds * 1000);
    return (cpuSeconds(process.processId()) - cpuBefore) / (wall.nsecsElapsed() / 1e9);
}

/// Plays `player`, measures it, then pauses it with `pause` (given the
/// process; true once it is paused) and measures it paused.
std::optional<Sample> runOnce(const BenchPlayer &player, int seconds,
                              const std::function<bool(QProcess &)> &pause)
{
    QProcess process;
    if (!startUntilFirstFrame(process, player, StartTimeoutMs)) {
        std::fprintf(stderr, "%s: no first frame within %d ms\n", player.name, StartTimeoutMs);
        return std::nullopt;
    }
    drainOutput(process, SettleMs);
    // The clip plays at normal speed, so wall seconds are media seconds.
    const double playing = cpuPerSecond(process, seconds);
    const double peak = peakResidentMiB(process.processId());
    std::optional<double> paused;
    if (process.state() == QProcess::Running && pause(process)) {
        drainOutput(process, SettleMs);
        paused = cpuPerSecond(process, seconds);
    }
    const bool alive = process.state() == QProcess::Running;
    process.kill();
    process.waitForFinished(5000);
    if (!alive || !paused) {
        std::fprintf(stderr, "%s: %s\n", player.name, alive ? "could not be paused" : "ended while playing");
        return std::nullopt;
    }
    return Sample{playing, peak, *paused};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = std::max(1, argumentAfter(args, "--runs", "3").toInt());
    const int seconds = std::clamp(argumentAfter(args, "--seconds", "10").toInt(), 1, 25);
    // The video area 640 pixels wide (480 high at the window's 4:3).
    const ProgramUnderTest program = programUnderTest("playback_cpu_bench", args, KOVAPLEX_DEFAULT_CLIP,
                                                      KOVAPLEX_BINARY, "[Setting]\r\nVideoSize=640\r\n");
    if (!program.ok)
        return 2;
    const QString &clip = program.clip;
    BenchPlayer kovaplex = kovaplexPlayer(program.copy->program(), clip);
    kovaplex.environment.insert(QStringLiteral("KOVAPLEX_TRACE_VALUES"), QStringLiteral("1"));
    const auto pauseKovaplex = [](QProcess &process) {
        return focusKovaplexWindow(process.processId()) && pressKey(XK_j) &&
               waitForOutput(process, "] status: Paused", StartTimeoutMs);
    };
    // The same video area in mpv's window, the picture letterboxed in it.
    QTemporaryDir ipcDir;
    const QString ipcPath = ipcDir.filePath(QStringLiteral("mpv.sock"));
    const BenchPlayer mpv = mpvPlayerWithIpc(clip, ipcPath, {"--geometry=640x480", "--no-keepaspect-window"});
    const auto pauseMpv = [&ipcPath](QProcess &) {
        MpvIpc ipc;
        return ipc.connectTo(ipcPath) && ipc.send(R"({"command":["set_property","pause",true]})");
    };

    std::vector<double> kCpu, kMem, kPaused, mCpu, mMem, mPaused;
    for (int i = 0; i < runs; ++i) {
        // Alternating, so a busy moment of the shared machine hits both.
        if (const auto s = runOnce(kovaplex, seconds, pauseKovaplex)) {
            kCpu.push_back(s->cpuPerMediaSecond * 100);
            kMem.push_back(s->peakMiB);
            kPaused.push_back(s->cpuPerPausedSecond * 100);
        }
        if (const auto s = runOnce(mpv, seconds, pauseMpv)) {
            mCpu.push_back(s->cpuPerMediaSecond * 100);
            mMem.push_back(s->peakMiB);
            mPaused.push_back(s->cpuPerPausedSecond * 100);
        }
    }
    if (kCpu.empty() || mCpu.empty()) {
        std::fprintf(stderr, "playback_cpu_bench: a player never played\n");
        return 1;
    }
    const double kc = median(kCpu), km = median(kMem), mc = median(mCpu), mm = median(mMem);
    std::printf("playback_cpu_bench: %s at a 640 x 480 video area, %d s per run, medians of %zu/%zu runs\n",
                qPrintable(QFileInfo(clip).fileName()), seconds, kCpu.size(), mCpu.size());
    std::printf("  %-16s %26s %22s\n", "", "CPU per second of media", "peak resident memory");
    std::printf("  %-16s %23.1f %% %18.1f MiB\n", "Kovaplex", kc, km);
    std::printf("  %-16s %23.1f %% %18.1f MiB\n", "mpv (baseline)", mc, mm);
    std::printf("  %-16s %24.2f x %20.2f x   (aim: 1.00 x and 1.10 x)\n", "ratio", kc / mc, km / mm);
    const double kp = median(kPaused), mp = median(mPaused);
    std::printf("  %-16s %26s\n", "", "CPU per second while paused");
    std::printf("  %-16s %23.2f %%\n", "Kovaplex", kp);
    std::printf("  %-16s %23.2f %%\n", "mpv (baseline)", mp);
    // The kernel counts CPU time in ticks (10 ms): below one tick per run a
    // player reads as 0, and a ratio means nothing.
    if (mp > 0)
        std::printf("  %-16s %24.2f x   (aim: 1.00 x)\n", "ratio", kp / mp);
    else
        std::printf("  %-16s %26s\n", "ratio", kp > 0 ? "mpv below one tick" : "both below one tick");
    return 0;
}
