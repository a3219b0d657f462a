// Start-up time and memory of Kovaplex next to the mpv command-line player.
//
// Each run starts a fresh process on the same clip and measures, from just
// before the start, the time until the process reports its first video frame
// drawn (Kovaplex's KOVAPLEX_TRACE milestone, mpv's verbose log line), then
// lets it play one more second and reads its peak resident memory (VmHWM).
// The process is then killed, so nothing is saved. Runs alternate between
// the two players after one unmeasured warm-up each; medians are printed.
//
// Needs an X display (scripts/bench.sh runs it under scripts/test-env.sh).
// Usage: startup_bench [--runs N] [--clip FILE] [--binary KOVAPLEX]

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

struct Sample {
    double firstFrameMs;
    double peakMiB;
    /// Kovaplex's own milestones: name and milliseconds since its start.
    std::vector<std::pair<QByteArray, double>> milestones;
};

// "[kovaplex +43.6ms] main window loaded" (values carry a ": " and are skipped).
void collectMilestones(const QByteArray &output, Sample &sample)
{
    for (const QByteArray &line : output.split('\n')) {
        const int close = line.indexOf("ms] ");
        if (!line.startsWith("[kovaplex +") || close < 0 || line.indexOf(": ", close) >= 0)
            continue;
        const double ms = line.mid(11, close - 11).toDouble();
        sample.milestones.emplace_back(line.mid(close + 4).trimmed(), ms);
    }
}

std::optional<Sample> runOnce(const BenchPlayer &player, int timeoutMs = 30000)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    QByteArray output;
    std::optional<double> firstFrame;
    if (startUntilFirstFrame(process, player, timeoutMs, &output))
        firstFrame = clock.nsecsElapsed() / 1e6;
    std::optional<Sample> sample;
    if (firstFrame) {
        // One second of playback, so the memory is that of a playing player.
        drainOutput(process, 1000);
        sample = Sample{*firstFrame, peakResidentMiB(process.processId()), {}};
        collectMilestones(output, *sample);
    } else {
        std::fprintf(stderr, "%s: no first frame within %d ms\n", player.name, timeoutMs);
    }
    process.kill();
    process.waitForFinished(5000);
    return sample;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = std::max(1, argumentAfter(args, "--runs", "7").toInt());
    // A private copy of the program, so its settings file (beside it) starts
    // empty and no resume question can appear. Shown video: without a stored
    // size the first start lays out the compact window with the video area
    // hidden.
    const ProgramUnderTest program = programUnderTest("startup_bench", args, KOVAPLEX_DEFAULT_CLIP,
                                                      KOVAPLEX_BINARY, "[Setting]\r\nVideoSize=320\r\n");
    if (!program.ok)
        return 2;
    const QString &clip = program.clip;
    const BenchPlayer kovaplex = kovaplexPlayer(*program.copy, clip);
    const BenchPlayer mpv = mpvPlayer(clip);

    std::vector<double> kTime, kMem, mTime, mMem;
    std::vector<std::pair<QByteArray, std::vector<double>>> steps; // in order of appearance
    runOnce(kovaplex); // warm-up: page cache, font cache, shader cache
    runOnce(mpv);
    for (int i = 0; i < runs; ++i) {
        if (const auto s = runOnce(kovaplex)) {
            kTime.push_back(s->firstFrameMs);
            kMem.push_back(s->peakMiB);
            for (const auto &[name, ms] : s->milestones) {
                auto it = std::find_if(steps.begin(), steps.end(),
                                       [&name = name](const auto &step) { return step.first == name; });
                if (it == steps.end())
                    it = steps.insert(steps.end(), {name, {}});
                it->second.push_back(ms);
            }
        }
        if (const auto s = runOnce(mpv)) {
            mTime.push_back(s->firstFrameMs);
            mMem.push_back(s->peakMiB);
        }
    }
    if (kTime.empty() || mTime.empty()) {
        std::fprintf(stderr, "startup_bench: a player never showed a frame\n");
        return 1;
    }

    const double kt = median(kTime), km = median(kMem), mt = median(mTime), mm = median(mMem);
    std::printf("startup_bench: %s, medians of %zu/%zu runs (display %s)\n",
                qPrintable(QFileInfo(clip).fileName()), kTime.size(), mTime.size(),
                qgetenv("DISPLAY").constData());
    std::printf("  %-16s %22s %22s\n", "", "start to first frame", "peak resident memory");
    std::printf("  %-16s %19.1f ms %18.1f MiB\n", "Kovaplex", kt, km);
    std::printf("  %-16s %19.1f ms %18.1f MiB\n", "mpv (baseline)", mt, mm);
    std::printf("  %-16s %20.2f x %20.2f x   (aim: 0.90 x and 1.05 x)\n", "ratio", kt / mt, km / mm);
    std::printf("  Kovaplex's own milestones (ms since its start, medians):\n");
    for (const auto &[name, values] : steps)
        std::printf("    %-24s %8.1f\n", name.constData(), median(values));
    return 0;
}
