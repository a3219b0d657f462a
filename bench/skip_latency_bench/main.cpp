// How long a skip takes to show: Kovaplex's +10 s skip key next to the mpv
// command-line player's `seek 10`, on the same clip at the same video size.
//
// Each player is started once on the clip (1080p H.264 with a key frame
// every 2 s; scripts/bench.sh makes it) and left to play for a second. Then,
// N times: the bench presses the skip key "V" in Kovaplex's window through
// XTest, or writes {"command":["seek",10]} to mpv's JSON IPC socket, and
// measures from just before that until the player reports the first frame
// at the new place drawn (Kovaplex's "seek drawn" trace value, printed when
// the seek has restarted playback, which the core does only once that frame
// is drawn; mpv's verbose "first video frame after restart shown", printed
// just before its restart). Between skips each
// player plays on for a moment, as a user would watch. Medians are printed.
//
// Needs an X display (scripts/bench.sh runs it under scripts/test-env.sh).
// Usage: skip_latency_bench [--skips N] [--clip FILE] [--binary KOVAPLEX]

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <X11/keysym.h>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int StartTimeoutMs = 30000;
constexpr int SkipTimeoutMs = 5000;
constexpr int WatchMs = 400;

/// Measures `skips` skips, each started by `skip()` and done when the
/// process prints `marker`.
std::vector<double> measureSkips(QProcess &process, int skips, const QByteArray &marker,
                                 const std::function<bool()> &skip, const char *name)
{
    std::vector<double> ms;
    for (int i = 0; i < skips; ++i) {
        drainOutput(process, WatchMs);
        QElapsedTimer clock;
        clock.start();
        if (!skip()) {
            std::fprintf(stderr, "%s: could not send skip %d\n", name, i + 1);
            break;
        }
        if (!waitForOutput(process, marker, SkipTimeoutMs)) {
            std::fprintf(stderr, "%s: skip %d showed no frame within %d ms\n", name, i + 1, SkipTimeoutMs);
            break;
        }
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    return ms;
}

std::vector<double> kovaplexSkips(const KovaplexCopy &program, const QString &clip, int skips)
{
    BenchPlayer player = kovaplexPlayer(program, clip);
    player.environment.insert(QStringLiteral("KOVAPLEX_TRACE_VALUES"), QStringLiteral("1"));
    QProcess process;
    std::vector<double> ms;
    if (!startUntilFirstFrame(process, player, StartTimeoutMs))
        std::fprintf(stderr, "Kovaplex: no first frame within %d ms\n", StartTimeoutMs);
    else if (!focusKovaplexWindow(process.processId()))
        std::fprintf(stderr, "Kovaplex: its window could not be focused\n");
    else
        ms = measureSkips(
            process, skips, "] seek drawn: ", [] { return pressKey(XK_v); }, "Kovaplex");
    process.kill();
    process.waitForFinished(5000);
    return ms;
}

/// mpv's skips with `seekCommand`, a JSON IPC command line.
std::vector<double> mpvSkips(const QString &clip, int skips, const QByteArray &seekCommand)
{
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("mpv.sock"));
    const BenchPlayer player =
        mpvPlayerWithIpc(clip, socketPath, {"--geometry=640x480", "--no-keepaspect-window"});
    QProcess process;
    MpvIpc ipc;
    std::vector<double> ms;
    if (!startUntilFirstFrame(process, player, StartTimeoutMs))
        std::fprintf(stderr, "mpv: no first frame within %d ms\n", StartTimeoutMs);
    else if (!ipc.connectTo(socketPath))
        std::fprintf(stderr, "mpv: no IPC socket\n");
    else
        ms = measureSkips(
            process, skips, "first video frame after restart shown", [&] { return ipc.send(seekCommand); },
            "mpv");
    process.kill();
    process.waitForFinished(5000);
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int skips = std::max(1, argumentAfter(args, "--skips", "30").toInt());
    // The same 640 x 480 video area in both players.
    const ProgramUnderTest program = programUnderTest("skip_latency_bench", args, KOVAPLEX_DEFAULT_CLIP,
                                                      KOVAPLEX_BINARY, "[Setting]\r\nVideoSize=640\r\n");
    if (!program.ok)
        return 2;
    // mpv's own "seek 10" lands on a key frame; "exact" decodes on to the
    // very time, as a skip of Kovaplex does: both are shown.
    const QByteArray mpvSeek = R"({"command":["seek",10]})";
    const QByteArray mpvExactSeek = R"({"command":["seek",10,"relative+exact"]})";
    // Alternating halves, so a busy moment of the shared machine hits all.
    std::vector<double> k, m, e;
    for (const int half : {skips / 2, skips - skips / 2}) {
        for (double v : kovaplexSkips(*program.copy, program.clip, half))
            k.push_back(v);
        for (double v : mpvSkips(program.clip, half, mpvSeek))
            m.push_back(v);
        for (double v : mpvSkips(program.clip, half, mpvExactSeek))
            e.push_back(v);
    }
    if (k.empty() || m.empty() || e.empty()) {
        std::fprintf(stderr, "skip_latency_bench: a player never showed a skip\n");
        return 1;
    }
    const double km = median(k), mm = median(m), em = median(e);
    std::printf("skip_latency_bench: %s, +10 s skips, 640 x 480 video area, medians of %zu/%zu/%zu skips\n",
                qPrintable(QFileInfo(program.clip).fileName()), k.size(), m.size(), e.size());
    std::printf("  %-22s %30s\n", "", "skip to first frame drawn");
    std::printf("  %-22s %27.1f ms\n", "Kovaplex (V key)", km);
    std::printf("  %-22s %27.1f ms\n", "mpv (seek 10)", mm);
    std::printf("  %-22s %27.1f ms\n", "mpv (seek 10 exact)", em);
    std::printf("  %-22s %28.2f x   (aim: 1.00 x)\n", "ratio to seek 10", km / mm);
    std::printf("  %-22s %28.2f x\n", "ratio to seek 10 exact", km / em);
    return 0;
}
