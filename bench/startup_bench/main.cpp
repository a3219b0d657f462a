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

struct Player {
    const char *name;
    QString program;
    QStringList arguments;
    QByteArray firstFrameMarker;
    QProcessEnvironment environment;
};

double peakResidentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

std::optional<Sample> runOnce(const Player &player, int timeoutMs = 30000)
{
    QProcess process;
    process.setProcessEnvironment(player.environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(player.program, player.arguments);
    if (!process.waitForStarted(5000)) {
        std::fprintf(stderr, "%s: cannot start %s\n", player.name, qPrintable(player.program));
        return std::nullopt;
    }
    QByteArray output;
    std::optional<double> firstFrame;
    while (!firstFrame && clock.elapsed() < timeoutMs && process.state() == QProcess::Running) {
        process.waitForReadyRead(20);
        output += process.readAll();
        if (output.contains(player.firstFrameMarker))
            firstFrame = clock.nsecsElapsed() / 1e6;
    }
    std::optional<Sample> sample;
    if (firstFrame) {
        // One second of playback, so the memory is that of a playing player.
        QElapsedTimer playing;
        playing.start();
        while (playing.elapsed() < 1000 && process.state() == QProcess::Running) {
            process.waitForReadyRead(50);
            process.readAll();
        }
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
    const QString clip = QFileInfo(argumentAfter(args, "--clip", KOVAPLEX_DEFAULT_CLIP)).absoluteFilePath();
    const QString binary = argumentAfter(args, "--binary", KOVAPLEX_BINARY);
    if (!QFileInfo::exists(clip) || !QFileInfo::exists(binary)) {
        std::fprintf(stderr, "startup_bench: missing %s\n",
                     qPrintable(QFileInfo::exists(clip) ? binary : clip));
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "startup_bench: needs an X display (run it through scripts/bench.sh)\n");
        return 2;
    }

    // A private copy of the program, so its settings file (beside it) starts
    // empty and no resume question can appear.
    QTemporaryDir scratch;
    const QString copy = QDir(scratch.path()).filePath("Kovaplex");
    if (!QFile::copy(binary, copy)) {
        std::fprintf(stderr, "startup_bench: cannot copy %s\n", qPrintable(binary));
        return 2;
    }
    // Shown video: without a stored size the first start lays out the
    // compact window with the video area hidden.
    QFile ini(QDir(scratch.path()).filePath("Kovaplex.ini"));
    if (!ini.open(QIODevice::WriteOnly) || ini.write("[Setting]\r\nVideoSize=320\r\n") < 0) {
        std::fprintf(stderr, "startup_bench: cannot write %s\n", qPrintable(ini.fileName()));
        return 2;
    }
    ini.close();

    const QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment traced = base;
    traced.insert("KOVAPLEX_TRACE", "1");
    const Player kovaplex{"Kovaplex", copy, {clip}, "] first frame drawn", traced};
    // The same renderer Kovaplex embeds (OpenGL through libmpv's gpu output),
    // allowed onto the software rasteriser that Xvfb offers.
    const Player mpv{"mpv",
                     "mpv",
                     {"--no-config", "--vo=gpu", "--gpu-sw", "--msg-level=all=warn,cplayer=v",
                      "--force-window=immediate", clip},
                     "first video frame after restart shown",
                     base};

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
    std::printf("  %-16s %20.2f x %20.2f x   (aim: 1.30 x and 1.50 x)\n", "ratio", kt / mt, km / mm);
    std::printf("  Kovaplex's own milestones (ms since its start, medians):\n");
    for (const auto &[name, values] : steps)
        std::printf("    %-24s %8.1f\n", name.constData(), median(values));
    return 0;
}
