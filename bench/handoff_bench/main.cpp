// How fast a second start hands its file over.
//
// A first instance of a private copy of Kovaplex runs without a file. Then,
// in alternation, a second start hands over a name (timed from just before
// its start to its exit) and the baseline runs: a program linked against the
// same libraries that ends at once. From the first instance's trace comes
// the time from receipt of each command to the start of its Play, and how
// long Play took (a name that does not exist: no engine work, no question).
// Medians are printed.
//
// Needs an X display (scripts/bench.sh runs it under scripts/test-env.sh).
// Usage: handoff_bench [--runs N] [--binary KOVAPLEX]

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

namespace {

std::optional<double> timeToExit(const QString &program, const QStringList &args,
                                 const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(program, args);
    if (!process.waitForFinished(20000) || process.exitCode() != 0) {
        std::fprintf(stderr, "handoff_bench: %s did not end cleanly\n", qPrintable(program));
        return std::nullopt;
    }
    return clock.nsecsElapsed() / 1e6;
}

/// "[kovaplex +12.3ms] name: 7 value" -> (7, 12.3) for the traced `name`.
QHash<int, double> tracedTimes(const QByteArray &output, const QByteArray &name)
{
    QHash<int, double> times;
    const QByteArray marker = "ms] " + name + ": ";
    for (const QByteArray &line : output.split('\n')) {
        const int at = line.indexOf(marker);
        if (!line.startsWith("[kovaplex +") || at < 0)
            continue;
        const int sequence = line.mid(at + marker.size()).split(' ').value(0).toInt();
        times.insert(sequence, line.mid(11, at - 11).toDouble());
    }
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = std::max(1, argumentAfter(args, "--runs", "30").toInt());
    const QString binary = argumentAfter(args, "--binary", KOVAPLEX_BINARY);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "handoff_bench: needs an X display (run it through scripts/bench.sh)\n");
        return 2;
    }

    QTemporaryDir scratch;
    QTemporaryDir runtime;
    const QString copy = QDir(scratch.path()).filePath("Kovaplex");
    if (!QFile::copy(binary, copy)) {
        std::fprintf(stderr, "handoff_bench: cannot copy %s\n", qPrintable(binary));
        return 2;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    QProcessEnvironment traced = env;
    traced.insert("KOVAPLEX_TRACE", "1");
    traced.insert("KOVAPLEX_TRACE_VALUES", "1");

    QProcess first;
    first.setProcessEnvironment(traced);
    first.setProcessChannelMode(QProcess::MergedChannels);
    first.start(copy, {});
    first.waitForStarted(10000);
    QByteArray output;
    QElapsedTimer waiting;
    waiting.start();
    while (!output.contains("] commands served") && waiting.elapsed() < 30000 &&
           first.state() == QProcess::Running) {
        first.waitForReadyRead(50);
        output += first.readAll();
    }
    if (!output.contains("] commands served")) {
        std::fprintf(stderr, "handoff_bench: the first instance did not start\n%s\n", output.constData());
        return 1;
    }

    std::vector<double> handOff, baseline;
    const int warmUp = 3;
    for (int i = 0; i < warmUp + runs; ++i) {
        const QString name = QStringLiteral("/nonexistent/bench %1.mp4").arg(i);
        const std::optional<double> h = timeToExit(copy, {name}, env);
        const std::optional<double> b = timeToExit(EXIT_BASELINE, {}, env);
        if (!h || !b)
            return 1;
        if (i >= warmUp) {
            handOff.push_back(*h);
            baseline.push_back(*b);
        }
        first.waitForReadyRead(0);
        output += first.readAll();
    }
    // The last command has been run once its Play has returned.
    const QByteArray last = "dde executed: " + QByteArray::number(warmUp + runs) + ' ';
    while (!output.contains(last) && first.state() == QProcess::Running && first.waitForReadyRead(5000))
        output += first.readAll();
    first.kill();
    first.waitForFinished(5000);

    const QHash<int, double> received = tracedTimes(output, "dde received");
    const QHash<int, double> executing = tracedTimes(output, "dde executing");
    const QHash<int, double> executed = tracedTimes(output, "dde executed");
    std::vector<double> toPlay, play;
    for (int sequence = warmUp + 1; sequence <= warmUp + runs; ++sequence) {
        if (received.contains(sequence) && executing.contains(sequence))
            toPlay.push_back(executing[sequence] - received[sequence]);
        if (executing.contains(sequence) && executed.contains(sequence))
            play.push_back(executed[sequence] - executing[sequence]);
    }

    const double h = median(handOff), b = median(baseline);
    std::printf("handoff_bench: medians of %d runs (display %s)\n", runs, qgetenv("DISPLAY").constData());
    std::printf("  %-40s %9.1f ms\n", "second start to its exit", h);
    std::printf("  %-40s %9.1f ms\n", "same libraries, exits at once (baseline)", b);
    std::printf("  %-40s %9.2f x   (aim: 1.30 x)\n", "ratio", b > 0 ? h / b : 0);
    // The trace counts tenths of a millisecond.
    std::printf("  %-40s %9.1f ms  (aim: under 20 ms; %zu samples)\n", "receipt to Play", median(toPlay),
                toPlay.size());
    std::printf("  %-40s %9.1f ms\n", "Play of a missing file", median(play));
    return 0;
}
