// The real program, started as a user starts it and driven from outside:
// plays a clip, remembers where it stopped when its window is closed, asks
// on the next start and resumes there, and saves when the session ends it.
#include "HeadlessCompositor.h"
#include "ProgramRun.h"
#include "X11Close.h"

#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QSize>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <optional>

namespace {

using Ini = QHash<QString, QHash<QString, QString>>; // section -> key -> value

// Reads the data file the way the program writes it: Shift-JIS, CR LF.
Ini readIni(const QString &path)
{
    Ini ini;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ini;
    QStringDecoder decode("Shift_JIS");
    const QString text = decode(file.readAll());
    QString section;
    for (const QString &line : text.split(QStringLiteral("\r\n"))) {
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2);
            ini[section];
        } else if (const int eq = line.indexOf('='); eq > 0 && !line.startsWith(';')) {
            ini[section][line.left(eq)] = line.mid(eq + 1);
        }
    }
    return ini;
}

class PlayerE2E : public ProgramCopyTest {
protected:
    void SetUp() override
    {
        ProgramCopyTest::SetUp();
        m_ini = m_dir.filePath("Kovaplex.ini");
    }

    void expectCleanExit(ProgramRun &program)
    {
        ASSERT_TRUE(program.waitForExit(20000)) << "the program did not end";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
    }

    QString m_ini;
};

void saveScreenshot(const QString &name)
{
    const QString folder = QDir(testBinaryDir()).filePath("e2e-artifacts");
    QDir().mkpath(folder);
    const QString file = QDir(folder).filePath(name);
    QFile::remove(file);
    QProcess::execute("import", {"-window", "root", file});
    EXPECT_TRUE(QFileInfo(file).size() > 0) << "no screenshot at " << qPrintable(file);
}

TEST_F(PlayerE2E, RemembersThePlacePlaysOnAfterTheQuestionAndSavesOnSignal)
{
    const QString clip = testMedia("long.mp4"); // 90 s
    ASSERT_TRUE(QFileInfo::exists(clip)) << qPrintable(clip);

    // A stored video width, so the video area is shown (a first start
    // without one lays out the compact window).
    writeSettings("[Setting]\r\nVideoSize=320\r\n");

    // First run: plays, the time display advances, closing stores the place.
    int stored = 0;
    {
        ProgramRun program(m_binary, {clip});
        ASSERT_TRUE(program.waitFor([&] { return program.sawLine("] first frame drawn"); }, 60000))
            << "no video frame was drawn";
        ASSERT_TRUE(program.waitFor([&] { return program.lastPosition().value_or(0) >= 6; }, 30000))
            << "the time display did not advance";
        EXPECT_GE(program.timeTexts().size(), 3);
        EXPECT_TRUE(program.timeTexts().last().endsWith("00:01:30"))
            << qPrintable(program.timeTexts().last());
        saveScreenshot("player-playing.png");

        const QStringList windows = program.visibleWindows();
        ASSERT_FALSE(windows.isEmpty()) << "no visible window";
        if (qEnvironmentVariableIsSet("KOVAPLEX_TEST_WM")) {
            // Proof that this run is the decorated one: "= left, right, top, bottom".
            const QString extents = run("xprop", {"-id", windows.first(), "_NET_FRAME_EXTENTS"}).value(0);
            const QStringList sides = extents.section('=', 1).split(',');
            EXPECT_TRUE(sides.size() == 4 && sides[2].trimmed().toInt() > 0) << qPrintable(extents);
        }
        const int shown = *program.lastPosition();
        ASSERT_TRUE(askWindowToClose(windows.first().toULong()));
        expectCleanExit(program);

        const Ini ini = readIni(m_ini);
        ASSERT_TRUE(ini.contains("Files")) << "no resume record written";
        const QStringList record = ini["Files"].value(clip).split(',');
        ASSERT_EQ(record.size(), 2) << qPrintable(ini["Files"].value(clip));
        // The label rounds to the nearest second.
        const double position = record[0].toDouble();
        EXPECT_GE(position, shown - 0.5);
        EXPECT_LT(position, shown + 3);
        EXPECT_NEAR(record[1].toDouble(), 90, 1);
        stored = static_cast<int>(position);
        for (const char *key : {"Main.Left", "Main.Top"})
            EXPECT_TRUE(ini["Window"].contains(key)) << key;
        for (const char *key : {"VideoSize", "VideoDisp"})
            EXPECT_TRUE(ini["Setting"].contains(key)) << key;
    }

    // Second run: the question comes before the window; its first button,
    // "続きを再生", has the focus and resumes at the stored place.
    ProgramRun program(m_binary, {clip});
    QStringList windows;
    ASSERT_TRUE(program.waitFor([&] { return !(windows = program.visibleWindows()).isEmpty(); }, 30000))
        << "no resume question";
    EXPECT_FALSE(program.sawLine("] first frame drawn"));
    EXPECT_EQ(run("xdotool", {"getwindowname", windows.first()}).value(0), "Kovaplex");
    saveScreenshot("player-resume-question.png");
    run("xdotool", {"windowfocus", "--sync", windows.first()});
    run("xdotool", {"key", "--clearmodifiers", "space"});

    ASSERT_TRUE(program.waitFor([&] { return program.lastPosition().value_or(0) >= stored + 2; }, 30000))
        << "playback did not go on after the question";
    for (const QString &text : program.timeTexts()) {
        const int position = positionOf(text).value_or(0);
        if (position > 0) {
            EXPECT_GE(position, stored - 1) << "played from the start: " << qPrintable(text);
        }
    }

    // Ended from outside: the close step still stores the later place.
    const int shown = *program.lastPosition();
    ::kill(static_cast<pid_t>(program.pid()), SIGTERM);
    expectCleanExit(program);
    const QStringList record = readIni(m_ini)["Files"].value(clip).split(',');
    ASSERT_EQ(record.size(), 2);
    EXPECT_GE(record[0].toDouble(), shown - 0.5);
}

/// The left channel's volume of the default sink (0..65536).
int sinkVolume()
{
    static const QRegularExpression first(QStringLiteral("front-left: (\\d+)"));
    return first.match(run("pactl", {"get-sink-volume", "@DEFAULT_SINK@"}).join(' ')).captured(1).toInt();
}

QSize windowSize(const QString &window)
{
    static const QRegularExpression geometry(QStringLiteral("Geometry: (\\d+)x(\\d+)"));
    const auto m = geometry.match(run("xdotool", {"getwindowgeometry", window}).join(' '));
    return m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
}

void typeKeys(const QString &window, const QStringList &keys)
{
    run("xdotool", {"windowfocus", "--sync", window});
    run("xdotool", QStringList{"key", "--clearmodifiers"} + keys);
}

TEST_F(PlayerE2E, WorkedFromTheKeyboardAndTheMenu)
{
    const QString clip = testMedia("long.mp4"); // 90 s, can scan
    writeSettings("[Setting]\r\nVideoSize=320\r\n");
    ProgramRun program(m_binary, {clip});
    QString window;
    ASSERT_TRUE(program.waitFor([&] { return program.lastPosition().value_or(0) >= 2; }, 60000))
        << "no playback";
    window = program.visibleWindows().value(0);
    ASSERT_FALSE(window.isEmpty());
    const auto lastTracedIs = [&](const char *name, const QString &value) {
        return program.waitFor([&] { return program.lastTraced(name) == value; }, 10000);
    };

    // J pauses: the time stands still.
    typeKeys(window, {"j"});
    ASSERT_TRUE(lastTracedIs("status", "Paused"));
    // A tick already on its way may still show the last moment before.
    program.waitFor([&, ticks = program.timeTexts().size()] { return program.timeTexts().size() > ticks; },
                    700);
    const int paused = program.timeTexts().size();
    EXPECT_FALSE(program.waitFor([&] { return program.timeTexts().size() > paused; }, 1500))
        << "the time went on after J";
    // K steps one frame from where it stands, still paused.
    const int seeks = program.traced("seek").size();
    typeKeys(window, {"k"});
    ASSERT_TRUE(program.waitFor([&] { return program.traced("seek").size() > seeks; }, 10000));
    EXPECT_NEAR(program.traced("seek").last().toDouble(), *program.lastPosition(), 1.1);
    EXPECT_EQ(program.traced("status").last(), "Paused");

    // F plays on; B skips 30 s ahead and Z 30 s back, as the label shows.
    typeKeys(window, {"f"});
    ASSERT_TRUE(lastTracedIs("status", "Playing"));
    const int before = *program.lastPosition();
    typeKeys(window, {"b"});
    ASSERT_TRUE(program.waitFor([&] { return program.lastPosition().value_or(0) >= before + 29; }, 10000));
    typeKeys(window, {"z"});
    ASSERT_TRUE(program.waitFor([&] { return program.lastPosition().value_or(99) <= before + 6; }, 10000))
        << qPrintable(program.timeTexts().last());

    // Up raises the system volume one step of 65536 / 24. The program hears
    // of a change made outside with the sound server's next event; its
    // traced volume bar shows when.
    run("pactl", {"set-sink-volume", "@DEFAULT_SINK@", "32768"});
    ASSERT_TRUE(lastTracedIs("volume", "32768"));
    typeKeys(window, {"Up"});
    ASSERT_TRUE(program.waitFor([] { return sinkVolume() > 32768; }, 5000));
    EXPECT_NEAR(sinkVolume(), 32768 + 2731, 40);

    // F4: a 640-pixel video, the window around it (4 pixels of box and
    // 10 of margin at 15 twips per pixel).
    typeKeys(window, {"F4"});
    ASSERT_TRUE(lastTracedIs("video", "640x480"));
    ASSERT_TRUE(program.waitFor([&] { return windowSize(window).width() == 654; }, 5000))
        << windowSize(window).width();
    const QSize windowed = windowSize(window);

    // Home: a window covering the screen; Home there comes back.
    typeKeys(window, {"Home"});
    QString full;
    ASSERT_TRUE(program.waitFor(
        [&] {
            // The first such window: the full-screen window itself comes
            // before the video's child windows of the same size.
            for (const QString &w : program.visibleWindows())
                if (full.isEmpty() && w != window && windowSize(w) == QSize(1280, 1024))
                    full = w;
            return !full.isEmpty();
        },
        10000))
        << "nothing covers the screen";
    saveScreenshot("player-full-screen.png");
    typeKeys(full, {"Home"});
    ASSERT_TRUE(program.waitFor([&] { return !program.visibleWindows().contains(full); }, 10000));
    EXPECT_EQ(windowSize(window), windowed);

    // A right click shows the menu, Escape closes it.
    const QStringList shown = program.visibleWindows();
    run("xdotool", {"mousemove", "--window", window, "100", "100", "click", "3"});
    ASSERT_TRUE(program.waitFor([&] { return program.visibleWindows().size() > shown.size(); }, 10000))
        << "no menu";
    saveScreenshot("player-menu.png");
    run("xdotool", {"key", "Escape"});
    ASSERT_TRUE(program.waitFor([&] { return program.visibleWindows().size() == shown.size(); }, 10000));

    // Ctrl+Q closes and stores where the file stood.
    const int at = *program.lastPosition();
    typeKeys(window, {"ctrl+q"});
    expectCleanExit(program);
    const QStringList record = readIni(m_ini)["Files"].value(clip).split(',');
    ASSERT_EQ(record.size(), 2) << "no resume record";
    EXPECT_NEAR(record[0].toDouble(), at, 2);
    EXPECT_EQ(program.lastTraced("rate"), "1");
}

TEST_F(PlayerE2E, FastForwardStepsTheSpeedOfAFileThatCannotScan)
{
    ProgramRun program(m_binary, {testMedia("clip.avi")}); // through MCI: no scanning
    ASSERT_TRUE(program.waitFor([&] { return program.lastPosition().value_or(0) >= 1; }, 60000))
        << "no playback";
    const QString window = program.visibleWindows().value(0);
    for (const char *rate : {"2", "4"}) {
        typeKeys(window, {"g"});
        ASSERT_TRUE(program.waitFor([&] { return program.lastTraced("rate") == rate; }, 10000)) << rate;
    }
    typeKeys(window, {"ctrl+q"});
    expectCleanExit(program);
}

TEST_F(PlayerE2E, StartsWithoutMediaAndClosesWithoutARecord)
{
    ProgramRun program(m_binary, {});
    QStringList windows;
    ASSERT_TRUE(program.waitFor([&] { return !(windows = program.visibleWindows()).isEmpty(); }, 30000))
        << "no window";
    ASSERT_TRUE(askWindowToClose(windows.first().toULong()));
    expectCleanExit(program);
    const Ini ini = readIni(m_ini);
    EXPECT_TRUE(ini["Window"].contains("Main.Left"));
    EXPECT_TRUE(ini.value("Files").isEmpty());
}

/// The first percentage `pactl` shows for the default sink's volume.
std::optional<int> sinkVolumePercent()
{
    static const QRegularExpression percent(QStringLiteral("(\\d+)%"));
    const auto m = percent.match(run("pactl", {"get-sink-volume", "@DEFAULT_SINK@"}).join(' '));
    return m.hasMatch() ? std::optional<int>(m.captured(1).toInt()) : std::nullopt;
}

/// The loudest sample of a quarter second of what the default sink plays
/// (its monitor, 8 kHz mono); nothing when it cannot be recorded.
std::optional<int> sinkOutputPeak()
{
    QProcess rec;
    rec.start("parec", {"-d", "@DEFAULT_MONITOR@", "--raw", "--format=s16le", "--channels=1", "--rate=8000"});
    constexpr int Bytes = 4000;
    QByteArray data;
    while (data.size() < Bytes && rec.waitForReadyRead(5000))
        data += rec.readAllStandardOutput();
    rec.kill();
    rec.waitForFinished(5000);
    if (data.size() < Bytes)
        return std::nullopt;
    int peak = 0;
    const auto *samples = reinterpret_cast<const qint16 *>(data.constData());
    // Skip the first samples: the recorder's start may hold older sound.
    for (int i = Bytes / 4; i < Bytes / 2; ++i)
        peak = std::max(peak, std::abs(int{samples[i]}));
    return peak;
}

TEST_F(PlayerE2E, MouseSeeksOnTheTrackSetsTheVolumeAndMutes)
{
    const QString clip = testMedia("long.mp4"); // 90 s, played by the media player control
    ASSERT_TRUE(QFileInfo::exists(clip)) << qPrintable(clip);
    run("pactl", {"set-sink-volume", "@DEFAULT_SINK@", "100%"});
    run("pactl", {"set-sink-mute", "@DEFAULT_SINK@", "0"});

    ProgramRun program(m_binary, {clip});
    ASSERT_TRUE(program.waitFor([&] { return program.lastPosition().value_or(0) >= 1; }, 60000))
        << "playback did not start";
    const QStringList windows = program.visibleWindows();
    ASSERT_FALSE(windows.isEmpty());
    const QString window = windows.first();
    // Places in the compact window, pixels of 15 twips: the control panel at
    // (3, 5); in it the position bar at (60, 0) and the volume bar at (78, 26).
    const auto clickAt = [&window](int x, int y) {
        run("xdotool",
            {"mousemove", "--window", window, QString::number(x), QString::number(y), "click", "1"});
    };

    // The track runs 200 pixels from 16 pixels in, its line 14 down: its
    // middle is the middle of the file.
    clickAt(3 + 60 + 16 + 100, 5 + 14);
    EXPECT_TRUE(program.waitFor(
        [&] {
            const int shown = program.lastPosition().value_or(0);
            return shown >= 44 && shown <= 50;
        },
        10000))
        << "the time did not jump to the middle: " << qPrintable(program.timeTexts().last());

    // The speaker, under the track's left end: the tone goes silent.
    ASSERT_TRUE(program.waitFor([] { return sinkOutputPeak().value_or(0) > 1000; }, 10000))
        << "no sound to mute";
    clickAt(3 + 60 + 8, 5 + 24 + 8);
    EXPECT_TRUE(program.waitFor([] { return sinkOutputPeak().value_or(-1) == 0; }, 10000))
        << "the sound was not muted: peak " << sinkOutputPeak().value_or(-1);
    saveScreenshot("player-muted.png");

    const auto sinkVolumeNear = [&program](int percent) {
        const bool near = program.waitFor(
            [percent] { return std::abs(sinkVolumePercent().value_or(-100) - percent) <= 2; }, 10000);
        EXPECT_TRUE(near) << "sink volume " << sinkVolumePercent().value_or(-1) << "%, not " << percent
                          << "%";
    };
    // A quarter of the volume bar's scale (96 pixels from 3 pixels in).
    const int volumeX = 3 + 78 + 3 + 24;
    const int volumeY = 5 + 26 + 7;
    clickAt(volumeX, volumeY);
    sinkVolumeNear(25);
    // Dragged on past the bar's right end: the top of the scale, no more.
    run("xdotool", {"mousemove", "--window", window, QString::number(volumeX), QString::number(volumeY),
                    "mousedown", "1", "mousemove", "--window", window, QString::number(volumeX + 48),
                    QString::number(volumeY), "mousemove", "--window", window, QString::number(volumeX + 200),
                    QString::number(volumeY), "mouseup", "1"});
    sinkVolumeNear(100);

    ASSERT_TRUE(askWindowToClose(window.toULong()));
    expectCleanExit(program);
}

TEST_F(PlayerE2E, PlaysVideoOnWaylandWithNoXDisplayToFallBackOn)
{
    const QString clip = testMedia("long.mp4"); // long enough to be worth resuming
    ASSERT_TRUE(QFileInfo::exists(clip)) << qPrintable(clip);
    HeadlessCompositor compositor;
    ASSERT_TRUE(compositor.isReady()) << "weston did not start: " << qPrintable(compositor.log());
    // Always on top, which Wayland has no way to grant: the switch is kept.
    writeSettings(
        "[Window]\r\nMain.Left=1200\r\nMain.Top=900\r\nFrontSet=True\r\n[Setting]\r\nVideoSize=320\r\n");
    ProgramRun::Options options;
    options.environment = {{"QT_QPA_PLATFORM", "wayland"},
                           {"WAYLAND_DISPLAY", compositor.socketName()},
                           {"DISPLAY", ""}}; // no X display to fall back on
    ProgramRun program(m_binary, {clip}, options);
    // The picture goes through the render API into Qt's EGL surface (Mesa's
    // software renderer hands it to the compositor as shared memory).
    ASSERT_TRUE(program.waitFor([&] { return program.sawLine("] first frame drawn"); }, 60000))
        << "no video frame was drawn";
    ASSERT_TRUE(program.waitFor([&] { return program.lastPosition().value_or(0) >= 3; }, 30000))
        << "the time display did not advance";
    const int shown = *program.lastPosition();
    ::kill(static_cast<pid_t>(program.pid()), SIGTERM);
    expectCleanExit(program);
    const Ini ini = readIni(m_ini);
    const QStringList record = ini["Files"].value(clip).split(',');
    ASSERT_EQ(record.size(), 2);
    EXPECT_GE(record[0].toDouble(), shown - 0.5);
    // A Wayland client cannot know where its window stands: the place stored
    // on X is kept, not replaced by the decorations' offset.
    EXPECT_EQ(ini["Window"].value("Main.Left"), "1200");
    EXPECT_EQ(ini["Window"].value("Main.Top"), "900");
    EXPECT_EQ(ini["Window"].value("FrontSet"), "True");
}

// playerctl against the window, on the session bus of scripts/test-env.sh.
QString playerctl(const QStringList &args)
{
    return run("playerctl", QStringList{"--player=kovaplex"} + args).join('\n');
}

void callMpris(const char *method)
{
    run("dbus-send", {"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.kovaplex",
                      "/org/mpris/MediaPlayer2", QStringLiteral("org.mpris.MediaPlayer2.") + method});
}

TEST_F(PlayerE2E, MediaKeysDriveTheWindowThroughItsOwnHandlers)
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "needs the test session bus (scripts/test-env.sh)";
    const QString clip = testMedia("long.mp4"); // 90 s
    const QString other = testMedia("clip.mp4");
    ASSERT_TRUE(QFileInfo::exists(clip) && QFileInfo::exists(other));

    ProgramRun program(m_binary, {clip});
    const auto statusBecomes = [&](const QString &status) {
        return program.waitFor([&] { return playerctl({"status"}) == status; }, 20000);
    };
    ASSERT_TRUE(statusBecomes("Playing")) << "no MPRIS player, or it does not play";
    // Changes are announced: a follower sees each status as it comes.
    QProcess follow;
    // Line-buffered, so each status can be read as it comes.
    follow.start("stdbuf", {"-oL", "playerctl", "--player=kovaplex", "--follow", "status"});
    ASSERT_TRUE(follow.waitForStarted(5000));

    EXPECT_EQ(playerctl({"metadata", "--format", "{{xesam:title}}|{{mpris:length}}"}), "long.mp4|90000000");

    // Each command is the window's own transport button: its trace follows.
    const struct {
        QStringList command;
        const char *status;
    } steps[] = {{{"pause"}, "Paused"},
                 {{"pause"}, "Paused"},
                 {{"play"}, "Playing"},
                 {{"play-pause"}, "Paused"},
                 {{"play-pause"}, "Playing"}};
    for (const auto &step : steps) {
        playerctl(step.command);
        EXPECT_TRUE(statusBecomes(step.status)) << qPrintable(step.command.join(' '));
        const QString traced = QStringLiteral("] status: ") + step.status;
        EXPECT_TRUE(program.waitFor([&] { return program.sawLine(traced); }, 5000)) << qPrintable(traced);
    }

    // Seeking moves the window's own time display.
    playerctl({"position", "40"});
    EXPECT_TRUE(program.waitFor([&] { return program.lastPosition().value_or(0) >= 40; }, 10000));
    playerctl({"position", "10-"});
    EXPECT_TRUE(program.waitFor(
        [&] {
            const double at = playerctl({"position"}).toDouble();
            return at >= 28 && at < 38;
        },
        10000))
        << qPrintable(playerctl({"position"}));

    // The volume is the system's, the one the volume bar shows: set here it
    // moves the bar; changed by another program, the followers are told.
    const QString volumeBefore = playerctl({"volume"});
    QProcess volumes;
    volumes.start("stdbuf", {"-oL", "playerctl", "--player=kovaplex", "--follow", "volume"});
    ASSERT_TRUE(volumes.waitForStarted(5000));
    playerctl({"volume", "0.3"});
    EXPECT_TRUE(
        program.waitFor([&] { return std::abs(program.lastTraced("volume").toInt() - 19661) < 700; }, 5000))
        << qPrintable(program.lastTraced("volume"));
    EXPECT_NEAR(playerctl({"volume"}).toDouble(), 0.3, 0.011);
    run("pactl", {"set-sink-volume", "@DEFAULT_SINK@", "60%"});
    QStringList heard;
    EXPECT_TRUE(program.waitFor(
        [&] {
            volumes.waitForReadyRead(50);
            heard += QString::fromUtf8(volumes.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            return std::any_of(heard.begin(), heard.end(),
                               [](const QString &v) { return std::abs(v.toDouble() - 0.6) < 0.011; });
        },
        10000))
        << qPrintable(heard.join(' '));
    volumes.terminate();
    volumes.waitForFinished(5000);
    playerctl({"volume", volumeBefore});

    // Only local files open; another one goes through the window's Play, which
    // keeps the place of the one before.
    playerctl({"open", "http://example.com/a.mp4"});
    EXPECT_EQ(playerctl({"metadata", "xesam:title"}), "long.mp4");
    playerctl({"open", QUrl::fromLocalFile(other).toString()});
    EXPECT_TRUE(program.waitFor([&] { return playerctl({"metadata", "xesam:title"}) == "clip.mp4"; }, 10000));
    playerctl({"stop"});
    EXPECT_TRUE(statusBecomes("Stopped"));

    QStringList followed;
    EXPECT_TRUE(program.waitFor(
        [&] {
            follow.waitForReadyRead(50);
            followed += QString::fromUtf8(follow.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            return followed.contains("Paused") && followed.contains("Stopped");
        },
        10000))
        << qPrintable(followed.join(' '));
    follow.terminate();
    follow.waitForFinished(5000);

    if (qEnvironmentVariableIsSet("KOVAPLEX_TEST_WM")) {
        // Raise brings a minimized window back (bare X has no minimizing).
        const QString window = program.visibleWindows().value(0);
        run("xdotool", {"windowminimize", "--sync", window});
        callMpris("Raise");
        EXPECT_TRUE(program.waitFor([&] { return program.visibleWindows().contains(window); }, 10000));
    }

    // Quit is the close step: the window ends and the first file's place is kept.
    callMpris("Quit");
    expectCleanExit(program);
    const QStringList record = readIni(m_ini)["Files"].value(clip).split(',');
    ASSERT_EQ(record.size(), 2);
    EXPECT_GE(record[0].toDouble(), 28);
}

/// The outer rectangle of a top-level window on the screen: its client area
/// as the X server places it, grown by the frame the window manager reports
/// (none on a bare display).
std::optional<QRect> outerRect(const QString &window)
{
    QRect outer = clientRect(window);
    if (outer.isEmpty())
        return std::nullopt;
    const QString extents = run("xprop", {"-id", window, "_NET_FRAME_EXTENTS"}).value(0);
    const QStringList sides = extents.section('=', 1).split(',');
    if (sides.size() == 4)
        outer.adjust(-sides[0].trimmed().toInt(), -sides[2].trimmed().toInt(), sides[1].trimmed().toInt(),
                     sides[3].trimmed().toInt());
    return outer;
}

std::optional<QPoint> outerCorner(const QString &window)
{
    const std::optional<QRect> outer = outerRect(window);
    return outer ? std::optional<QPoint>(outer->topLeft()) : std::nullopt;
}

TEST_F(PlayerE2E, ThePlaceHoldsOverStartsAndTheTitleBarStaysOnTheScreen)
{
    const QString clip = testMedia("long.mp4");
    ASSERT_TRUE(QFileInfo::exists(clip)) << qPrintable(clip);
    // Each start from what the one before stored; the stored resume record
    // is left out, so that no question comes before the window.
    const auto startAt = [&](const QString &left, const QString &top) {
        writeSettings(
            QStringLiteral("[Window]\r\nMain.Left=%1\r\nMain.Top=%2\r\n[Setting]\r\nVideoSize=320\r\n")
                .arg(left, top)
                .toLatin1());
        ProgramRun program(m_binary, {clip});
        ASSERT_TRUE(program.waitFor([&] { return program.sawLine("] first frame drawn"); }, 60000));
        QStringList windows;
        ASSERT_TRUE(program.waitFor([&] { return !(windows = program.visibleWindows()).isEmpty(); }, 10000));
        // The window manager may still be framing it: the corner settles.
        const QPoint expected(left.toInt() / 15, std::max(0, top.toInt() / 15));
        EXPECT_TRUE(program.waitFor([&] { return outerCorner(windows.first()) == expected; }, 5000))
            << "the frame stands at " << outerCorner(windows.first()).value_or(QPoint()).x() << ","
            << outerCorner(windows.first()).value_or(QPoint()).y();
        ASSERT_TRUE(askWindowToClose(windows.first().toULong()));
        expectCleanExit(program);
    };

    for (int start = 1; start <= 3; ++start) {
        ASSERT_NO_FATAL_FAILURE(startAt("4815", "4815")) << "start " << start;
        const Ini ini = readIni(m_ini);
        EXPECT_EQ(ini["Window"].value("Main.Left"), "4815") << "start " << start;
        EXPECT_EQ(ini["Window"].value("Main.Top"), "4815") << "start " << start;
    }
    // Stored above the screen: the title bar comes back onto it.
    ASSERT_NO_FATAL_FAILURE(startAt("3000", "-3000"));
    EXPECT_EQ(readIni(m_ini)["Window"].value("Main.Top"), "0");
}

TEST_F(PlayerE2E, TheResumeQuestionForALongNameFitsTheScreen)
{
    // A file whose full path is 122 characters, most of them Japanese.
    QString name = m_dir.path() + QStringLiteral("/");
    while (name.size() < 110)
        name += QStringLiteral("長い名前の動画フォルダ/");
    name = name.left(110);
    if (name.endsWith('/'))
        name.chop(1), name += QStringLiteral("フ");
    name += QStringLiteral("/最後のファイル.mp4");
    ASSERT_EQ(name.size(), 122) << qPrintable(name);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(name).path()));
    ASSERT_TRUE(QFile::copy(testMedia("long.mp4"), name));
    QStringEncoder sjis("Shift_JIS");
    writeSettings(sjis(QStringLiteral("[Files]\r\n%1=62,1200\r\n").arg(name)));

    ProgramRun program(m_binary, {name});
    QStringList windows;
    ASSERT_TRUE(program.waitFor([&] { return !(windows = program.visibleWindows()).isEmpty(); }, 30000))
        << "no resume question";
    // The box may still be settling where the window manager puts it.
    const QRect screen(0, 0, 1280, 1024);
    EXPECT_TRUE(program.waitFor(
        [&] {
            const std::optional<QRect> box = outerRect(windows.first());
            return box && screen.contains(*box);
        },
        5000))
        << "the box runs off the screen: " << outerRect(windows.first()).value_or(QRect()).width()
        << " px wide at " << outerRect(windows.first()).value_or(QRect()).x();
    saveScreenshot("player-long-name-question.png");
}

} // namespace

namespace {

/// Arguments that start `binary` with `file` through the shell, so that a
/// name which is not UTF-8 reaches it byte for byte (QProcess would encode
/// it as text). The shell's own pid becomes the program's.
QStringList bytesArgument(const QByteArray &file)
{
    QString octal;
    for (const char c : file)
        octal += QStringLiteral("\\%1").arg(static_cast<unsigned char>(c), 3, 8, QLatin1Char('0'));
    return {"-c", "exec \"$0\" \"$(printf '%b' \"$1\")\"", "BINARY", octal};
}

/// The traced position in hundredths of a second has left 0.
bool playing(const ProgramRun &program)
{
    return program.lastTraced(QStringLiteral("position")).toDouble() > 0;
}

} // namespace

// A name that is not UTF-8 on the command line, and audio beside a cover
// picture, started fresh as a user starts them: each start plays (the
// traced position, finer than the label, leaves 0). EveryStart covers the
// other kinds in the engines, 20 fresh starts each.
TEST_F(PlayerE2E, RawByteNamesAndCoveredAudioPlayOnEveryFreshStart)
{
    const char *const kinds[] = {"\x83\x65\x83\x58\x83\x67.mp4", "cover/tone.mp3"};
    constexpr int Starts = 2;
    for (const char *kind : kinds) {
        const QByteArray file = QFile::encodeName(testMediaDir()) + '/' + kind;
        for (int start = 0; start < Starts; ++start) {
            SCOPED_TRACE(QByteArray(kind).toHex().toStdString() + " start " + std::to_string(start + 1));
            writeSettings("[Setting]\r\nVideoSize=320\r\n");
            QStringList args = bytesArgument(file);
            args[2] = m_binary;
            ProgramRun program("/bin/sh", args);
            EXPECT_TRUE(program.waitFor([&] { return playing(program); }, 30000))
                << "stalled at " << qPrintable(program.lastTraced(QStringLiteral("time")));
            ::kill(static_cast<pid_t>(program.pid()), SIGTERM);
            expectCleanExit(program);
        }
    }
}

// Always on top stored: the window shows during the load, before the first
// Play, and the video must draw into it safely, for the file of the first
// start and for one handed over by a second start.
TEST_F(PlayerE2E, AlwaysOnTopStoredPlaysAnMp4WithoutACrash)
{
    writeSettings("[Window]\r\nFrontSet=True\r\n[Setting]\r\nVideoSize=480\r\n");
    ProgramRun program(m_binary, {testMedia("clip.mp4")});
    ASSERT_TRUE(program.waitFor([&] { return program.sawLine("] first frame drawn"); }, 60000))
        << "no video frame was drawn";
    ASSERT_TRUE(program.waitFor(
        [&] { return program.lastPosition().value_or(0) >= 2 || !program.isRunning(); }, 30000));
    ASSERT_TRUE(program.isRunning()) << "the program died";

    ProgramRun second(m_binary, {testMedia("second.mp4")});
    ASSERT_TRUE(second.waitForExit(20000)) << "the second start did not end";
    EXPECT_EQ(second.exitCode(), 0);
    // The handed file (1 s long) opens and plays: a position above 0 is
    // traced after its length shows.
    ASSERT_TRUE(program.waitFor(
        [&] { return program.lastTraced("time").endsWith(" 00:00:01") || !program.isRunning(); }, 30000))
        << "the handed file did not open";
    const qsizetype opened = program.traced("position").size();
    EXPECT_TRUE(program.waitFor(
        [&] {
            const QStringList positions = program.traced("position");
            return !program.isRunning() ||
                   std::any_of(positions.begin() + std::min(opened, positions.size()), positions.end(),
                               [](const QString &p) { return p.toDouble() > 0 && p.toDouble() < 1.5; });
        },
        30000))
        << "the handed file did not play";
    ASSERT_TRUE(program.isRunning()) << "the program died after the hand-off";
    ::kill(static_cast<pid_t>(program.pid()), SIGTERM);
    expectCleanExit(program);
}
