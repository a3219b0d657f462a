// What playing costs: Kovaplex next to the mpv command-line player showing
// the same clip at the same size: the 720p clip in a 640 x 480 video area,
// and a 1080p and a 4K clip in a 960 x 720 one.
//
// Each run starts a fresh process, waits for its first frame, lets it settle
// for a second and then measures, over the next seconds of playback, the CPU
// time the process uses (all threads) per second of media, and its peak
// resident memory. Runs alternate between the two players; medians and their
// ratios are printed. On the first clip each player is then paused (Kovaplex
// by its pause key "J", mpv through its JSON IPC) and measured, played again
// and minimised through the window manager and measured once more: a paused
// player should cost nothing, and a hidden one should not pay for pictures
// nobody sees.
//
// Needs an X display and a sound server (scripts/bench.sh provides both) and
// a window manager for the minimised state (bench.sh starts openbox).
// Usage: playback_cpu_bench [--runs N] [--seconds S] [--binary KOVAPLEX]
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
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

/// One clip at one video size; `idleStates` also measures paused and
/// minimised.
struct Case {
    const char *label;
    const char *clipName;
    int videoWidth;
    bool idleStates;
};
constexpr Case Cases[] = {
    {"720p at 640 px", "hd720.mp4", 640, true},
    {"1080p at 960 px", "skip1080.mp4", 960, false},
    {"4K at 960 px", "uhd2160.mp4", 960, false},
};

struct Sample {
    double cpuPerMediaSecond = 0;
    double peakMiB = 0;
    double cpuPerPausedSecond = 0;
    double cpuPerMinimisedSecond = 0;
};

/// How one player is driven: paused, played again (given the process; true
/// once done).
struct Driver {
    std::function<bool(QProcess &)> pause;
    std::function<bool(QProcess &)> resume;
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

/// Paused, then playing again and minimised; false when a step failed.
bool measureIdleStates(QProcess &process, const Driver &driver, int seconds, Sample &sample)
{
    if (!driver.pause(process))
        return false;
    drainOutput(process, SettleMs);
    sample.cpuPerPausedSecond = cpuPerSecond(process, seconds);
    if (!driver.resume(process) || !minimiseWindowsOf(process.processId()))
        return false;
    drainOutput(process, SettleMs);
    sample.cpuPerMinimisedSecond = cpuPerSecond(process, seconds);
    return true;
}

std::optional<Sample> runOnce(const BenchPlayer &player, int seconds, const Driver *idle)
{
    QProcess process;
    if (!startUntilFirstFrame(process, player, StartTimeoutMs)) {
        std::fprintf(stderr, "%s: no first frame within %d ms\n", player.name, StartTimeoutMs);
        return std::nullopt;
    }
    drainOutput(process, SettleMs);
    Sample sample;
    // The clip plays at normal speed, so wall seconds are media seconds.
    sample.cpuPerMediaSecond = cpuPerSecond(process, seconds);
    sample.peakMiB = peakResidentMiB(process.processId());
    const bool idleMeasured =
        !idle || (process.state() == QProcess::Running && measureIdleStates(process, *idle, seconds, sample));
    const bool alive = process.state() == QProcess::Running;
    process.kill();
    process.waitForFinished(5000);
    if (!alive || !idleMeasured) {
        std::fprintf(stderr, "%s: %s\n", player.name,
                     alive ? "could not be paused, played again or minimised" : "ended while playing");
        return std::nullopt;
    }
    return sample;
}

struct Medians {
    std::vector<double> cpu, mem, paused, minimised;
    void add(const Sample &s)
    {
        cpu.push_back(s.cpuPerMediaSecond * 100);
        mem.push_back(s.peakMiB);
        paused.push_back(s.cpuPerPausedSecond * 100);
        minimised.push_back(s.cpuPerMinimisedSecond * 100);
    }
};

/// One line of an idle state.
void printIdle(const char *state, double kovaplex, double mpv)
{
    std::printf("  %-16s %23.3f %% %12.3f %%   ", state, kovaplex, mpv);
    if (mpv > 0)
        std::printf("%.2f x (aim: 1.00 x)\n", kovaplex / mpv);
    else
        std::printf("%s\n", kovaplex > 0 ? "mpv used none" : "neither used any");
}

bool runCase(const Case &c, const QStringList &args, int runs, int seconds)
{
    const QString defaultClip = QDir(qEnvironmentVariable("KOVAPLEX_TEST_MEDIA")).filePath(c.clipName);
    const QByteArray ini = "[Setting]\r\nVideoSize=" + QByteArray::number(c.videoWidth) + "\r\n";
    const ProgramUnderTest program =
        programUnderTest("playback_cpu_bench", args, defaultClip, KOVAPLEX_BINARY, ini);
    if (!program.ok)
        return false;
    BenchPlayer kovaplex = kovaplexPlayer(*program.copy, program.clip);
    kovaplex.environment.insert(QStringLiteral("KOVAPLEX_TRACE_VALUES"), QStringLiteral("1"));
    const auto pressAndWait = [](unsigned long key, const QByteArray &status) {
        return [key, status](QProcess &process) {
            return focusKovaplexWindow(process.processId()) && pressKey(key) &&
                   waitForOutput(process, "] status: " + status, StartTimeoutMs);
        };
    };
    const Driver kovaplexDriver{pressAndWait(XK_j, "Paused"), pressAndWait(XK_j, "Playing")};

    // The same video area in mpv's window, the picture letterboxed in it.
    QTemporaryDir ipcDir;
    const QString ipcPath = ipcDir.filePath(QStringLiteral("mpv.sock"));
    const QString geometry = QStringLiteral("--geometry=%1x%2").arg(c.videoWidth).arg(c.videoWidth * 3 / 4);
    const BenchPlayer mpv = mpvPlayerWithIpc(program.clip, ipcPath, {geometry, "--no-keepaspect-window"});
    const auto setPause = [&ipcPath](bool paused) {
        return [&ipcPath, paused](QProcess &) {
            MpvIpc ipc;
            return ipc.connectTo(ipcPath) &&
                   ipc.send(paused ? R"({"command":["set_property","pause",true]})"
                                   : R"({"command":["set_property","pause",false]})");
        };
    };
    const Driver mpvDriver{setPause(true), setPause(false)};

    Medians k, m;
    for (int i = 0; i < runs; ++i) {
        // Alternating, so a busy moment of the shared machine hits both.
        if (const auto s = runOnce(kovaplex, seconds, c.idleStates ? &kovaplexDriver : nullptr))
            k.add(*s);
        if (const auto s = runOnce(mpv, seconds, c.idleStates ? &mpvDriver : nullptr))
            m.add(*s);
    }
    if (k.cpu.empty() || m.cpu.empty()) {
        std::fprintf(stderr, "playback_cpu_bench: %s: a player never played\n", c.label);
        return false;
    }
    const double kc = median(k.cpu), km = median(k.mem), mc = median(m.cpu), mm = median(m.mem);
    std::printf("playback_cpu_bench: %s (%s), %d s per run, medians of %zu/%zu runs\n", c.label,
                qPrintable(QFileInfo(program.clip).fileName()), seconds, k.cpu.size(), m.cpu.size());
    std::printf("  %-16s %26s %22s\n", "", "CPU per second of media", "peak resident memory");
    std::printf("  %-16s %23.1f %% %18.1f MiB\n", "Kovaplex", kc, km);
    std::printf("  %-16s %23.1f %% %18.1f MiB\n", "mpv (baseline)", mc, mm);
    std::printf("  %-16s %24.2f x %20.2f x   (aim: 1.00 x and 1.10 x)\n", "ratio", kc / mc, km / mm);
    if (c.idleStates) {
        std::printf("  %-16s %25s %14s\n", "CPU per second", "Kovaplex", "mpv");
        printIdle("paused", median(k.paused), median(m.paused));
        printIdle("minimised", median(k.minimised), median(m.minimised));
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = std::max(1, argumentAfter(args, "--runs", "3").toInt());
    const int seconds = std::clamp(argumentAfter(args, "--seconds", "8").toInt(), 1, 18);
    bool ok = true;
    for (const Case &c : Cases)
        ok = runCase(c, args, runs, seconds) && ok;
    return ok ? 0 : 1;
}
