// What playing costs: Kovaplex next to the mpv command-line player showing
// the same 720p clip at the same size (a 640 x 480 video area).
//
// Each run starts a fresh process, waits for its first frame, lets it settle
// for a second and then measures, over the next seconds of playback, the CPU
// time the process uses (all threads) per second of media, and its peak
// resident memory. Runs alternate between the two players; medians and their
// ratios are printed.
//
// Needs an X display and a sound server (scripts/bench.sh provides both).
// Usage: playback_cpu_bench [--runs N] [--seconds S] [--clip FILE] [--binary KOVAPLEX]
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>
#include <optional>

namespace {

constexpr int StartTimeoutMs = 30000;
constexpr int SettleMs = 1000;

struct Sample {
    double cpuPerMediaSecond;
    double peakMiB;
};

std::optional<Sample> runOnce(const BenchPlayer &player, int seconds)
{
    QProcess process;
    if (!startUntilFirstFrame(process, player, StartTimeoutMs)) {
        std::fprintf(stderr, "%s: no first frame within %d ms\n", player.name, StartTimeoutMs);
        return std::nullopt;
    }
    drainOutput(process, SettleMs);
    const qint64 pid = process.processId();
    const double cpuBefore = cpuSeconds(pid);
    QElapsedTimer wall;
    wall.start();
    drainOutput(process, seconds * 1000);
    const double cpu = cpuSeconds(pid) - cpuBefore;
    const double elapsed = wall.nsecsElapsed() / 1e9;
    const double peak = peakResidentMiB(pid);
    const bool alive = process.state() == QProcess::Running;
    process.kill();
    process.waitForFinished(5000);
    if (!alive) {
        std::fprintf(stderr, "%s: ended while playing\n", player.name);
        return std::nullopt;
    }
    // The clip plays at normal speed, so wall seconds are media seconds.
    return Sample{cpu / elapsed, peak};
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
    const BenchPlayer kovaplex = kovaplexPlayer(program.copy->program(), clip);
    // The same video area in mpv's window, the picture letterboxed in it.
    const BenchPlayer mpv = mpvPlayer(clip, {"--geometry=640x480", "--no-keepaspect-window"});

    std::vector<double> kCpu, kMem, mCpu, mMem;
    for (int i = 0; i < runs; ++i) {
        // Alternating, so a busy moment of the shared machine hits both.
        if (const auto s = runOnce(kovaplex, seconds)) {
            kCpu.push_back(s->cpuPerMediaSecond * 100);
            kMem.push_back(s->peakMiB);
        }
        if (const auto s = runOnce(mpv, seconds)) {
            mCpu.push_back(s->cpuPerMediaSecond * 100);
            mMem.push_back(s->peakMiB);
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
    std::printf("  %-16s %24.2f x %20.2f x   (aim: 1.15 x and 1.20 x)\n", "ratio", kc / mc, km / mm);
    return 0;
}
