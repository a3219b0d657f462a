#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

class QLocalSocket;

// Small helpers the benchmark programs share. The inline ones need nothing
// else; the rest are in the kovaplex_bench_support library: a bounded spin of
// the event loop, the readings of a child process (its CPU time and peak
// memory) and a private copy of the program.

/// The median of `values` (the mean of the middle two for an even count);
/// 0 for none.
inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

/// The argument after `flag` in `args`, else `fallback`.
inline QString argumentAfter(const QStringList &args, const QString &flag, const QString &fallback)
{
    const int i = args.indexOf(flag);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
}

/// The media folder: the first argument when given, else $KOVAPLEX_TEST_MEDIA.
/// Also sets LC_NUMERIC to "C", which libmpv needs after Qt changed it.
QString benchMediaDir(int argc, char **argv);

/// Runs the event loop until `done` or `timeoutMs`; returns the last `done`.
bool spinUntil(const std::function<bool()> &done, int timeoutMs = 15000);

/// Peak resident memory (VmHWM) of a running process, in MiB; 0 if unknown.
double peakResidentMiB(qint64 pid);
/// Resident memory (VmRSS) of a running process now, in MiB; 0 if unknown.
double residentMiB(qint64 pid);
/// CPU seconds (user and system, all threads) a running process has used.
double cpuSeconds(qint64 pid);

/// A private copy of the Kovaplex binary in a temporary folder, with a
/// settings file of `iniText` beside it (so no earlier run's resume records
/// or window place come into play). Empty program() when it failed.
class KovaplexCopy {
public:
    KovaplexCopy(const QString &binary, const QByteArray &iniText);
    QString program() const { return m_program; }
    /// Writes the settings file anew: a run that played leaves a resume
    /// record, and the next start on that clip would ask about it.
    bool resetSettings() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_iniText;
    QString m_program;
};

/// What a benchmark that starts the program plays and runs: the clip
/// (--clip, else `defaultClip`) and a private copy (KovaplexCopy with
/// `iniText`) of the program (--binary, else `defaultBinary`). ok is false,
/// with the reason printed under the name `bench`, when a file is missing,
/// the copy fails or there is no X display.
struct ProgramUnderTest {
    QString clip;
    std::unique_ptr<KovaplexCopy> copy;
    bool ok = false;
};
ProgramUnderTest programUnderTest(const char *bench, const QStringList &args, const QString &defaultClip,
                                  const QString &defaultBinary, const QByteArray &iniText);

/// A player started as a process, and the line it prints at its first frame.
struct BenchPlayer {
    const char *name;
    QString program;
    QStringList arguments;
    QByteArray firstFrameMarker;
    QProcessEnvironment environment;
    /// Run before each start (Kovaplex: its settings file written anew).
    std::function<void()> beforeStart;
};

/// Kovaplex (a private copy) on `clip`, tracing its milestones; every start
/// finds the copy's settings file as it was made.
BenchPlayer kovaplexPlayer(const KovaplexCopy &copy, const QString &clip);
/// The mpv command-line player on `clip` with the renderer Kovaplex embeds
/// (OpenGL through libmpv's gpu output), allowed onto the software
/// rasteriser that Xvfb offers; `extra` goes before the clip.
BenchPlayer mpvPlayer(const QString &clip, const QStringList &extra = {});

/// Starts `player` (stdout and stderr merged) and waits until its output
/// holds the first-frame marker, at most `timeoutMs`. Returns false, with the
/// process killed, when it never does; `output` receives what it printed.
bool startUntilFirstFrame(QProcess &process, const BenchPlayer &player, int timeoutMs,
                          QByteArray *output = nullptr);
/// Reads and drops the process's output for `ms` or until it ends.
void drainOutput(QProcess &process, int ms);
/// Reads the process's output until it holds `marker` (counting only what
/// is read from the call on), at most `timeoutMs`; whether it came.
bool waitForOutput(QProcess &process, const QByteArray &marker, int timeoutMs);

/// Focuses Kovaplex's main window (the process `pid`'s visible window named
/// "Kovaplex") and puts the pointer over it, so that keys reach it with or
/// without a window manager. False when no such window is there.
bool focusKovaplexWindow(qint64 pid);
/// Minimises every visible window of process `pid` through the window
/// manager, as a user's click on the title bar's button would. False when
/// no window manager runs (a bare X server has no minimised state) or the
/// process shows no window.
bool minimiseWindowsOf(qint64 pid);
/// Presses and releases `keysym` (an X key symbol such as XK_v) through
/// XTest, as a user's key would. False without a display or key code.
bool pressKey(unsigned long keysym);

/// A connection to the mpv player's JSON IPC server (--input-ipc-server).
class MpvIpc {
public:
    MpvIpc();
    ~MpvIpc();
    bool connectTo(const QString &socketPath);
    /// Writes one command line such as {"command":["seek",10]}.
    bool send(const QByteArray &json);

private:
    std::unique_ptr<QLocalSocket> m_socket;
};
/// The mpv player with its IPC server at `socketPath` (and `extra`).
BenchPlayer mpvPlayerWithIpc(const QString &clip, const QString &socketPath, const QStringList &extra = {});
