#pragma once

#include <QProcess>
#include <QRect>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

/// Runs `program` with `args`, waits for it (bounded) and returns its
/// standard output's lines.
QStringList run(const QString &program, const QStringList &args);
/// The client rectangle of X window `window` on the screen, as the X server
/// places it (xdotool's "Position" adds the offset inside a frame); empty
/// when xwininfo cannot tell.
QRect clientRect(const QString &window);

/// "00:01:05 00:01:30" -> 65 (the position, the first time of the label).
std::optional<int> positionOf(const QString &timeText);

/// One run of the real program with its trace (milestones and values) read
/// from its merged output. A run still going at the end is killed; when the
/// test failed, the program's output is printed.
class ProgramRun {
public:
    struct Options {
        QString workingDir;
        /// Added to (or, with an empty value, removed from) the environment.
        QList<std::pair<QString, QString>> environment;
    };

    ProgramRun(const QString &binary, const QStringList &args, const Options &options = {});
    ~ProgramRun();
    ProgramRun(const ProgramRun &) = delete;
    ProgramRun &operator=(const ProgramRun &) = delete;

    /// Reads output until `done` holds or `ms` pass; returns `done`.
    bool waitFor(const std::function<bool()> &done, int ms);
    bool sawLine(const QString &fragment) const;
    /// The index of the first output line holding `fragment`; -1 when none.
    int lineOf(const QString &fragment) const;
    /// How many lines so far hold `fragment`.
    int countLines(const QString &fragment) const;
    /// Every value traced under `name`, in order.
    QStringList traced(const QString &name) const;
    /// The latest value traced under `name` ("" before the first).
    QString lastTraced(const QString &name) const
    {
        const QStringList values = traced(name);
        return values.isEmpty() ? QString() : values.last();
    }
    /// Waits until `value` has been traced under `name`.
    bool waitForValue(const QString &name, const QString &value, int ms);
    /// Every traced text of the time label, in order.
    QStringList timeTexts() const { return traced(QStringLiteral("time")); }
    std::optional<int> lastPosition() const;
    QStringList visibleWindows() const;
    /// The process's id as it started, also once it has ended: QProcess
    /// says 0 then, and kill(0) would signal the test's own process group.
    qint64 pid() const { return m_pid; }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    bool waitForExit(int ms);
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }

    /// Reads what the program has printed, waiting up to `ms` for more. A
    /// test that drives the program for long must call it now and then, or
    /// the full pipe stalls the program.
    void pump(int ms);

private:
    QProcess m_process;
    qint64 m_pid = 0;
    QByteArray m_pending;
    QStringList m_lines;
};

/// A test that runs a private copy of the built program from its own
/// folder, so that the settings file beside it and its instance channel
/// belong to the test. Skipped without the test display.
class ProgramCopyTest : public ::testing::Test {
protected:
    void SetUp() override;
    /// Writes `text` as the copy's settings file, Kovaplex.ini beside it.
    void writeSettings(const QByteArray &text);

    QTemporaryDir m_dir;
    QString m_binary;
};
