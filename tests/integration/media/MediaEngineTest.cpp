#include "platform/media/MediaEngine.h"
#include "platform/media/MpvNames.h"

#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

constexpr int LoadTimeoutMs = 10000;

// Loads `name` from the generated media and stops the test when it fails.
#define LOAD_OR_FAIL(engine, name)                                                                           \
    ASSERT_EQ((engine).loadSync(testMedia(name), LoadTimeoutMs), MediaEngine::LoadResult::Loaded)            \
        << qPrintable(name) << ": " << qPrintable((engine).lastError())

void expectNothingLoaded(const MediaEngine &engine)
{
    EXPECT_FALSE(engine.isLoaded());
    EXPECT_FALSE(engine.isLoading());
    EXPECT_TRUE(engine.path().isEmpty());
    EXPECT_EQ(engine.duration(), 0.0);
    EXPECT_EQ(engine.position(), 0.0);
    EXPECT_FALSE(engine.hasVideo());
    EXPECT_TRUE(engine.videoSize().isEmpty());
}

// Plays for a while and returns media seconds advanced per wall second.
double measuredRate(MediaEngine &engine, int wallMs)
{
    QElapsedTimer clock;
    const double start = engine.position();
    clock.start();
    waitUntil([] { return false; }, wallMs);
    return (engine.position() - start) / (clock.elapsed() / 1000.0);
}

} // namespace

TEST(MediaEngine, LoadsVideoFilesPausedAtTheStartWithTheirShape)
{
    // The last name has quotes, blanks and non-ASCII letters.
    const QStringList names = {QStringLiteral("clip.avi"), QStringLiteral("clip.mp4"),
                               QStringLiteral("clip.mkv"), QStringLiteral("名前 with \"quote\".avi")};
    for (const QString &name : names) {
        SCOPED_TRACE(qPrintable(name));
        MediaEngine engine;
        ASSERT_TRUE(engine.isValid()) << qPrintable(engine.lastError());
        QSignalSpy loaded(&engine, &MediaEngine::fileLoaded);
        LOAD_OR_FAIL(engine, name);
        EXPECT_EQ(loaded.count(), 1);
        EXPECT_TRUE(engine.isLoaded());
        EXPECT_EQ(engine.path(), QFileInfo(testMedia(name)).absoluteFilePath());
        EXPECT_NEAR(engine.duration(), 12.0, 0.2);
        EXPECT_NEAR(engine.position(), 0.0, 0.05);
        EXPECT_TRUE(engine.paused());
        EXPECT_TRUE(engine.seekable());
        EXPECT_TRUE(engine.hasVideo());
        EXPECT_TRUE(engine.hasAudio());
        // Known without any surface: the MCI layer asks for it right after opening.
        EXPECT_EQ(engine.videoSize(), QSize(320, 240));
    }
}

TEST(MediaEngine, AudioFilesLoadWithoutVideo)
{
    for (const char *name : {"tone.wav", "tone.mp3"}) {
        SCOPED_TRACE(name);
        MediaEngine engine;
        LOAD_OR_FAIL(engine, QString::fromLatin1(name));
        EXPECT_FALSE(engine.hasVideo());
        EXPECT_TRUE(engine.hasAudio());
        EXPECT_TRUE(engine.videoSize().isEmpty());
        EXPECT_NEAR(engine.duration(), 6.0, 0.2);
    }
}

TEST(MediaEngine, UnplayableInputsFailAndLeaveNothingLoaded)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A playlist must not be followed into the files it names.
    const QString playlist = dir.filePath(QStringLiteral("list.m3u"));
    {
        QFile file(playlist);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QFile::encodeName(testMedia(QStringLiteral("clip.avi"))) + "\n");
    }
    const QStringList inputs = {
        testMedia(QStringLiteral("empty.avi")),
        testMedia(QStringLiteral("random.mpg")),
        testMedia(QStringLiteral("no such file.avi")),
        QString(),
        dir.path(),
        playlist,
        // Names that mpv would otherwise take for one of its protocols.
        QStringLiteral("lavfi://testsrc"),
        QStringLiteral("av://lavfi:sine"),
    };
    MediaEngine engine;
    for (const QString &input : inputs) {
        SCOPED_TRACE(qPrintable(input));
        // A good file first: a failed load must also close what was open.
        LOAD_OR_FAIL(engine, QStringLiteral("clip.avi"));
        EXPECT_EQ(engine.loadSync(input, LoadTimeoutMs), MediaEngine::LoadResult::Failed);
        EXPECT_FALSE(engine.lastError().isEmpty());
        expectNothingLoaded(engine);
        // What the failed attempt left behind must not disturb the next load...
        LOAD_OR_FAIL(engine, QStringLiteral("tone.wav"));
        waitUntil([] { return false; }, 300);
        EXPECT_TRUE(engine.isLoaded());
        EXPECT_TRUE(engine.path().endsWith(QStringLiteral("tone.wav")));
        // ...nor start playing anything on its own later.
        EXPECT_EQ(engine.loadSync(input, LoadTimeoutMs), MediaEngine::LoadResult::Failed);
        waitUntil([] { return false; }, 300);
        expectNothingLoaded(engine);
        EXPECT_TRUE(engine.readProperty(MpvProp::IdleActive).toBool());
    }
}

TEST(MediaEngine, AsyncLoadsReportOnceAndTheLastOneWins)
{
    MediaEngine engine;
    QSignalSpy loaded(&engine, &MediaEngine::fileLoaded);
    QSignalSpy failed(&engine, &MediaEngine::loadFailed);

    engine.loadAsync(testMedia(QStringLiteral("clip.avi")));
    engine.loadAsync(testMedia(QStringLiteral("tone.wav")));
    EXPECT_TRUE(engine.isLoading());
    ASSERT_TRUE(waitUntil([&] { return engine.isLoaded(); }, LoadTimeoutMs));
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_EQ(failed.count(), 0);
    EXPECT_TRUE(engine.path().endsWith(QStringLiteral("tone.wav")));
    EXPECT_FALSE(engine.hasVideo());

    // A file refused before reaching the core is reported after the call
    // returns, like any other failure.
    engine.loadAsync(testMedia(QStringLiteral("missing.avi")));
    EXPECT_EQ(failed.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return failed.count() == 1; }));
    engine.loadAsync(testMedia(QStringLiteral("empty.avi")));
    ASSERT_TRUE(waitUntil([&] { return failed.count() == 2; }, LoadTimeoutMs));
    expectNothingLoaded(engine);
    EXPECT_EQ(loaded.count(), 1);
}

TEST(MediaEngine, AbandonedLoadDoesNotComeBackLater)
{
    MediaEngine engine;
    QSignalSpy loaded(&engine, &MediaEngine::fileLoaded);
    EXPECT_EQ(engine.loadSync(testMedia(QStringLiteral("clip.mp4")), 0), MediaEngine::LoadResult::TimedOut);
    expectNothingLoaded(engine);
    waitUntil([] { return false; }, 500);
    expectNothingLoaded(engine);
    EXPECT_EQ(loaded.count(), 0);

    LOAD_OR_FAIL(engine, QStringLiteral("tone.wav"));
    EXPECT_TRUE(engine.path().endsWith(QStringLiteral("tone.wav")));
}

TEST(MediaEngine, AnEngineGoesWhileItsLoadWaitsForItsEvents)
{
    // A load waits, before its video is made, until the engine's events are
    // next taken. An engine that goes before taking them must not hold the
    // core, nor be held by it.
    const auto untilTrue = [](const char *property, MediaEngine &engine, int ms) {
        // Asked without taking the engine's events.
        QDeadlineTimer deadline(ms);
        while (!engine.readProperty(property).isValid() && !deadline.hasExpired())
            QThread::yieldCurrentThread();
        return !deadline.hasExpired();
    };
    const struct {
        const char *clip;
        bool video;
    } cases[] = {{"clip.mp4", true}, {"tone.wav", false}};
    for (const auto &[clip, video] : cases) {
        SCOPED_TRACE(clip);
        auto engine = std::make_unique<MediaEngine>();
        engine->loadAsync(testMedia(QString::fromLatin1(clip)));
        EXPECT_TRUE(untilTrue("file-format", *engine, LoadTimeoutMs)) << "the file never opened";
        if (video)
            EXPECT_FALSE(untilTrue("current-vo", *engine, 1000)) << "the video was made without waiting";
        engine.reset();
    }
    // With its events taken, the load goes on.
    MediaEngine engine;
    LOAD_OR_FAIL(engine, QStringLiteral("clip.mp4"));
}

TEST(MediaEngine, UnloadClosesTheFileAndSaysSo)
{
    MediaEngine engine;
    LOAD_OR_FAIL(engine, QStringLiteral("clip.avi"));
    QSignalSpy ended(&engine, &MediaEngine::endFile);
    engine.unload();
    expectNothingLoaded(engine);
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended.at(0).at(0).toInt(), MediaEngine::EndStopped);
    waitUntil([] { return false; }, 300);
    expectNothingLoaded(engine);
    EXPECT_EQ(ended.count(), 1);
    // Transport calls with nothing loaded are harmless.
    engine.seek(3);
    EXPECT_FALSE(engine.seekSync(3, true, 500));
    engine.setPaused(false);
    expectNothingLoaded(engine);
}

TEST(MediaEngine, PlaysSeeksAndPauses)
{
    MediaEngine engine;
    LOAD_OR_FAIL(engine, QStringLiteral("clip.avi"));

    engine.setPaused(false);
    EXPECT_FALSE(engine.paused());
    ASSERT_TRUE(waitUntil([&] { return engine.position() > 0.5; }));

    engine.setPaused(true);
    ASSERT_TRUE(waitUntil([&] { return engine.paused(); }));
    // Exact seeks land on the frame asked for, forwards and backwards.
    for (double target : {7.4, 2.0, 0.0}) {
        SCOPED_TRACE(target);
        QSignalSpy finished(&engine, &MediaEngine::seekFinished);
        ASSERT_TRUE(engine.seekSync(target, true, 5000));
        EXPECT_NEAR(engine.position(), target, 0.05);
        EXPECT_GE(finished.count(), 1);
        const double settled = engine.position();
        waitUntil([] { return false; }, 200);
        EXPECT_DOUBLE_EQ(engine.position(), settled); // still paused
    }
    // Out of range targets are clamped, not refused.
    ASSERT_TRUE(engine.seekSync(-5, true, 5000));
    EXPECT_NEAR(engine.position(), 0.0, 0.05);
}

TEST(MediaEngine, DoubleSpeedAdvancesAboutTwiceAsFast)
{
    MediaEngine engine;
    LOAD_OR_FAIL(engine, QStringLiteral("long.mp4"));
    engine.setPaused(false);
    ASSERT_TRUE(waitUntil([&] { return engine.position() > 0.3; }));
    const double normal = measuredRate(engine, 1500);
    engine.setSpeed(2.0);
    EXPECT_DOUBLE_EQ(engine.speed(), 2.0);
    waitUntil([] { return false; }, 300);
    const double fast = measuredRate(engine, 1500);
    ASSERT_GT(normal, 0.0);
    EXPECT_GT(fast / normal, 1.4);
    EXPECT_LT(fast / normal, 2.8);

    engine.setSpeed(0); // clamped to the slowest speed the core accepts
    EXPECT_GT(engine.speed(), 0.0);
}

TEST(MediaEngine, EndOfMediaKeepsTheFileLoadedAndPausedAtTheEnd)
{
    MediaEngine engine;
    LOAD_OR_FAIL(engine, QStringLiteral("clip.avi"));
    QSignalSpy ended(&engine, &MediaEngine::endFile);
    ASSERT_TRUE(engine.seekSync(10.5, true, 5000));
    engine.setPaused(false);
    ASSERT_TRUE(waitUntil([&] { return engine.eofReached(); }, 10000));
    ASSERT_TRUE(waitUntil([&] { return engine.paused(); }));
    EXPECT_TRUE(engine.isLoaded());
    EXPECT_DOUBLE_EQ(engine.position(), engine.duration());
    EXPECT_EQ(ended.count(), 0);

    // Resuming at the end stays there, and says so.
    engine.setPaused(false);
    EXPECT_TRUE(engine.paused());
    waitUntil([] { return false; }, 300);
    EXPECT_TRUE(engine.paused());
    EXPECT_TRUE(engine.eofReached());

    // Seeking back leaves the end.
    ASSERT_TRUE(engine.seekSync(3.0, true, 5000));
    EXPECT_FALSE(engine.eofReached());
    EXPECT_NEAR(engine.position(), 3.0, 0.05);
}

TEST(MediaEngine, MuteAndSettingsSurviveALoad)
{
    MediaEngine engine;
    QSignalSpy muted(&engine, &MediaEngine::muteChanged);
    engine.setMute(true);
    EXPECT_TRUE(engine.mute());
    LOAD_OR_FAIL(engine, QStringLiteral("tone.wav"));
    waitUntil([] { return false; }, 200);
    EXPECT_TRUE(engine.mute());
    EXPECT_EQ(engine.readProperty(MpvProp::Mute).toBool(), true);
    EXPECT_EQ(muted.count(), 1);
    engine.setMute(false);
    EXPECT_TRUE(waitUntil([&] { return engine.readProperty(MpvProp::Mute).toBool() == false; }));
}

TEST(MediaEngine, PlaysSilentlyWithoutAnySoundDevice)
{
    // Every sound server and device out of reach while the engine opens its output.
    const QList<QByteArray> names = {"PULSE_SERVER", "PIPEWIRE_REMOTE", "ALSA_CONFIG_PATH",
                                     "JACK_NO_START_SERVER"};
    QList<QByteArray> saved;
    for (const QByteArray &name : names)
        saved.append(qgetenv(name.constData()));
    QTemporaryDir dir;
    const QString emptyAlsa = dir.filePath(QStringLiteral("asound.conf"));
    QFile(emptyAlsa).open(QIODevice::WriteOnly);
    qputenv("PULSE_SERVER", "unix:/nonexistent/kovaplex/native");
    qputenv("PIPEWIRE_REMOTE", "/nonexistent/kovaplex/pipewire-0");
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(emptyAlsa));
    qputenv("JACK_NO_START_SERVER", "1");

    MediaEngine engine;
    LOAD_OR_FAIL(engine, QStringLiteral("clip.avi"));
    engine.setPaused(false);
    const bool advanced = waitUntil([&] { return engine.position() > 1.0; }, 8000);
    const QString output = engine.readProperty(MpvProp::CurrentAo).toString();

    for (int i = 0; i < names.size(); ++i) {
        if (saved[i].isNull())
            qunsetenv(names[i].constData());
        else
            qputenv(names[i].constData(), saved[i]);
    }
    EXPECT_TRUE(advanced);
    EXPECT_EQ(output, QString::fromLatin1(MpvVal::Null));
}

namespace {

/// The tracks as "a1 jpn 日本語吹替 default selected" lines, for readable
/// comparisons.
QStringList describe(const MediaTracks &tracks)
{
    QStringList lines;
    for (const MediaTrack &t : tracks) {
        QStringList words{(t.kind == MediaTrack::Kind::Audio ? QStringLiteral("a") : QStringLiteral("s")) +
                          QString::number(t.id)};
        for (const QString &word : {t.language, t.title}) {
            if (!word.isEmpty())
                words << word;
        }
        if (t.isDefault)
            words << QStringLiteral("default");
        if (t.external)
            words << QStringLiteral("external");
        if (t.selected)
            words << QStringLiteral("selected");
        lines << words.join(QLatin1Char(' '));
    }
    return lines;
}

} // namespace

TEST(MediaEngine, ListsAndSwitchesSoundAndSubtitleTracks)
{
    const struct {
        const char *file;
        QStringList tracks;
    } cases[] = {
        // Tagged tracks inside the file, the subtitles flagged as default.
        {"languages.mkv",
         {"a1 jpn 日本語吹替 default selected", "a2 eng English", "s1 jpn default selected"}},
        // Untagged sound tracks, and the subtitle file of the same name beside it.
        {"sidecar.avi", {"a1 selected", "a2", "s1 sidecar.srt external selected"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        MediaEngine engine;
        LOAD_OR_FAIL(engine, QString::fromLatin1(c.file));
        EXPECT_EQ(describe(engine.tracks()), c.tracks);

        QSignalSpy changed(&engine, &MediaEngine::tracksChanged);
        engine.selectAudioTrack(2);
        engine.selectSubtitleTrack(0);
        // The choice shows at once, and the core takes it.
        EXPECT_EQ(selectedTrack(engine.tracks(), MediaTrack::Kind::Audio), 2);
        EXPECT_EQ(selectedTrack(engine.tracks(), MediaTrack::Kind::Subtitle), 0);
        EXPECT_GE(changed.count(), 1);
        EXPECT_TRUE(waitUntil([&] {
            return engine.readProperty("current-tracks/audio/id").toInt() == 2 &&
                   !engine.readProperty("current-tracks/sub/id").isValid();
        }));
        engine.setPaused(false);
        EXPECT_TRUE(waitUntil([&] { return engine.position() > 0.3; }, 8000));
        EXPECT_EQ(selectedTrack(engine.tracks(), MediaTrack::Kind::Audio), 2);
        EXPECT_EQ(selectedTrack(engine.tracks(), MediaTrack::Kind::Subtitle), 0);

        // Ids the file has no track of change nothing.
        engine.selectAudioTrack(7);
        engine.selectSubtitleTrack(-1);
        engine.selectAudioTrack(0);
        EXPECT_EQ(selectedTrack(engine.tracks(), MediaTrack::Kind::Audio), 2);

        engine.selectSubtitleTrack(1);
        EXPECT_TRUE(waitUntil([&] { return engine.readProperty("current-tracks/sub/id").toInt() == 1; }));

        // The next file starts with the tracks it flags itself.
        engine.selectAudioTrack(2);
        engine.selectSubtitleTrack(0);
        LOAD_OR_FAIL(engine, QString::fromLatin1(c.file));
        EXPECT_EQ(describe(engine.tracks()), c.tracks);
        engine.unload();
        EXPECT_TRUE(engine.tracks().isEmpty());
    }
}
