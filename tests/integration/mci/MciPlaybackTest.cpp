#include "platform/mci/Mci.h"
#include "platform/mci/MciNames.h"
#include "platform/media/MediaEngine.h"
#include "platform/video/VideoSurface.h"
#include "playback/ClassMCIPlay.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>

#include <memory>

namespace {

/// Sends commands to the real interpreter; every test leaves nothing open.
class MciPlaybackTest : public ::testing::Test {
protected:
    void TearDown() override { mciSendString("close all", nullptr, 0, nullptr); }

    /// Sends a command; returns the error number, the reply in `reply`.
    int send(const QString &command)
    {
        char buffer[512];
        const int error = mciSendString(command.toUtf8().constData(), buffer, sizeof buffer, nullptr);
        reply = QString::fromUtf8(buffer);
        return error;
    }

    /// The reply of a query that must succeed.
    QString ask(const QString &command)
    {
        const int error = send(command);
        EXPECT_EQ(error, 0) << command.toStdString() << ": " << errorText(error);
        return reply;
    }

    qint64 number(const QString &command) { return ask(command).toLongLong(); }

    static std::string errorText(int error)
    {
        char text[256] = {};
        mciGetErrorString(error, text, sizeof text);
        return text;
    }

    int open(const QString &name, const QString &alias = QStringLiteral("0"))
    {
        const QString path = testMedia(name);
        if (!QFileInfo::exists(path) && name != QLatin1String("missing.avi"))
            ADD_FAILURE() << "test media missing: " << path.toStdString();
        return send("open \"" + path + "\" alias " + alias);
    }

    /// How far the position moves over about `ms` of playback.
    qint64 positionDelta(int ms)
    {
        const qint64 before = number("status 0 position");
        QElapsedTimer clock;
        clock.start();
        waitUntil([&] { return clock.elapsed() >= ms; }, ms + 1000);
        const qint64 moved = number("status 0 position") - before;
        // Scale to the wall time that really passed, so a slow machine only
        // changes the absolute numbers, not their ratio.
        return moved * ms / std::max<qint64>(clock.elapsed(), 1);
    }

    QString reply;
};

TEST_F(MciPlaybackTest, TransportCommandsMoveTheDeviceThroughItsModes)
{
    ASSERT_EQ(open("clip.avi"), 0) << errorText(send("status 0 mode"));
    EXPECT_EQ(ask("status 0 mode"), QStringLiteral("stopped"));
    EXPECT_EQ(ask("status 0 time format"), QStringLiteral("milliseconds"));
    EXPECT_NEAR(number("status 0 length"), 12000, 300);
    EXPECT_EQ(number("status 0 position"), 0);
    EXPECT_EQ(ask("status 0 ready"), QStringLiteral("true"));
    EXPECT_EQ(ask("status 0 number of tracks"), QStringLiteral("1"));
    EXPECT_EQ(send("resume 0"), MciErr::NonapplicableFunction);

    ASSERT_EQ(send("play 0"), 0);
    EXPECT_EQ(ask("status 0 mode"), QStringLiteral("playing"));
    EXPECT_TRUE(waitUntil([&] { return number("status 0 position") > 500; }, 8000));

    ASSERT_EQ(send("pause 0"), 0);
    EXPECT_EQ(ask("status 0 mode"), QStringLiteral("paused"));
    waitUntil([] { return false; }, 200); // let the pause reach the engine
    const qint64 paused = number("status 0 position");
    waitUntil([] { return false; }, 400);
    EXPECT_NEAR(number("status 0 position"), paused, 40);

    ASSERT_EQ(send("resume 0"), 0);
    EXPECT_EQ(ask("status 0 mode"), QStringLiteral("playing"));
    EXPECT_TRUE(waitUntil([&] { return number("status 0 position") > paused + 300; }, 8000));

    ASSERT_EQ(send("seek 0 to 5000"), 0);
    const QString afterSeek = ask("status 0 mode");
    EXPECT_TRUE(afterSeek == QLatin1String("stopped") || afterSeek == QLatin1String("seeking"))
        << afterSeek.toStdString();
    EXPECT_EQ(number("status 0 position"), 5000);
    EXPECT_TRUE(waitUntil([&] { return ask("status 0 mode") == QLatin1String("stopped"); }, 5000));

    ASSERT_EQ(send("play 0"), 0);
    ASSERT_EQ(send("stop 0"), 0);
    EXPECT_EQ(ask("status 0 mode"), QStringLiteral("stopped"));
    EXPECT_EQ(send("seek 0 to 999999"), MciErr::OutOfRange);
    EXPECT_EQ(send("seek 0 to end"), 0);
    EXPECT_EQ(number("status 0 position"), number("status 0 length"));
    EXPECT_EQ(send("seek 0 to start"), 0);
    EXPECT_EQ(number("status 0 position"), 0);

    ASSERT_EQ(send("set 0 time format frames"), 0);
    EXPECT_NEAR(number("status 0 length"), 300, 3); // 12 s at 25 frames a second
    EXPECT_EQ(send("set 0 time format smpte 30"), MciErr::UnrecognizedKeyword);
    EXPECT_EQ(send("set 0 time format bytes"), MciErr::BadTimeFormat);
    EXPECT_EQ(send("set 0 door open"), MciErr::UnsupportedFunction);
    EXPECT_EQ(send("window 0 handle 999999"), MciErr::NoWindow);
    EXPECT_EQ(open("tone.wav"), MciErr::DuplicateAlias);

    ASSERT_EQ(send("close 0"), 0);
    EXPECT_EQ(send("status 0 mode"), MciErr::InvalidDeviceName);
}

TEST_F(MciPlaybackTest, PlaySpeedPercentMovesTwiceAsFast)
{
    ASSERT_EQ(open("tone.wav"), 0);
    EXPECT_EQ(ask("status 0 play speed"), QStringLiteral("100"));
    ASSERT_EQ(send("play 0"), 0);
    waitUntil([&] { return number("status 0 position") > 100; }, 5000);
    const qint64 normal = positionDelta(1000);

    ASSERT_EQ(send("play 0 speed 200"), 0);
    EXPECT_EQ(ask("status 0 mode"), QStringLiteral("playing"));
    EXPECT_EQ(ask("status 0 play speed"), QStringLiteral("200"));
    EXPECT_EQ(ask("status 0 speed"), QStringLiteral("2000"));
    waitUntil([] { return false; }, 200);
    const qint64 fast = positionDelta(1000);

    ASSERT_GT(normal, 0);
    const double ratio = static_cast<double>(fast) / static_cast<double>(normal);
    EXPECT_GT(ratio, 1.6) << "normal " << normal << " fast " << fast;
    EXPECT_LT(ratio, 2.5) << "normal " << normal << " fast " << fast;

    EXPECT_EQ(send("play 0 speed 0"), MciErr::OutOfRange);
    EXPECT_EQ(send("set 0 speed 1000"), 0);
    EXPECT_EQ(ask("status 0 play speed"), QStringLiteral("100"));
}

TEST_F(MciPlaybackTest, EndOfMediaLeavesTheDeviceStoppedAtTheLength)
{
    ASSERT_EQ(open("tone.wav"), 0);
    const qint64 length = number("status 0 length");
    ASSERT_EQ(send("play 0 from " + QString::number(length - 400)), 0);
    EXPECT_TRUE(waitUntil([&] { return ask("status 0 mode") == QLatin1String("stopped"); }, 8000));
    EXPECT_EQ(number("status 0 position"), length);

    // "to" stops early, and playing again from the start works after the end.
    ASSERT_EQ(send("play 0 from 0 to 600"), 0);
    EXPECT_EQ(ask("status 0 mode"), QStringLiteral("playing"));
    EXPECT_TRUE(waitUntil([&] { return ask("status 0 mode") == QLatin1String("stopped"); }, 8000));
    EXPECT_NEAR(number("status 0 position"), 600, 50);
    EXPECT_EQ(send("play 0 from 500 to 100"), MciErr::OutOfRange);

    // With "wait" the command returns when it is done.
    ASSERT_EQ(send("play 0 from 1000 to 1500 wait"), 0);
    EXPECT_EQ(ask("status 0 mode"), QStringLiteral("stopped"));
    EXPECT_NEAR(number("status 0 position"), 1500, 50);
    ASSERT_EQ(send("seek 0 to 3000 wait"), 0);
    EXPECT_EQ(ask("status 0 mode"), QStringLiteral("stopped"));
    EXPECT_EQ(number("status 0 position"), 3000);
}

TEST_F(MciPlaybackTest, RefusedFilesLeaveNothingOpen)
{
    const struct {
        const char *name;
        int error;
    } refusals[] = {
        {"clip.mp4", MciErr::ExtensionNotFound}, {"clip.mkv", MciErr::ExtensionNotFound},
        {"missing.avi", MciErr::FileNotFound},   {"empty.avi", MciErr::InvalidFile},
        {"random.mpg", MciErr::InvalidFile},     {"truncated.avi", MciErr::InvalidFile},
        {"folder.avi", MciErr::InvalidFile},     {"stuck.avi", MciErr::InvalidFile},
        {"tune.mid", MciErr::InvalidFile}, // without a soundfont, see below
    };
    // MIDI is played with a General MIDI soundfont; none is installed here.
    qputenv("KOVAPLEX_SOUNDFONT", "");
    for (const auto &refusal : refusals) {
        EXPECT_EQ(open(QString::fromUtf8(refusal.name)), refusal.error) << refusal.name;
        EXPECT_EQ(send("status 0 mode"), MciErr::InvalidDeviceName) << refusal.name;
    }
    qunsetenv("KOVAPLEX_SOUNDFONT");
    // The alias is free again for a file that plays.
    EXPECT_EQ(open("tone.mp3"), 0);
}

TEST_F(MciPlaybackTest, OddFileNameOpensThroughTheBackend)
{
    ClassMCIPlay backend;
    EXPECT_EQ(backend.mOpen(testMedia(QStringLiteral("名前 with \"quote\".avi")), "0"), -1)
        << backend.ErrorString.toStdString();
    EXPECT_NEAR(backend.mGetLength("0").toLongLong(), 12000, 300);
    EXPECT_EQ(backend.mGetPosition("9"), QStringLiteral("Error:263"));
    EXPECT_EQ(backend.ErrorString,
              QStringLiteral("The specified device is not open or is not recognized by MCI."));
    backend.mClose("0");
}

TEST_F(MciPlaybackTest, BoundSurfaceShowsTheVideo)
{
    auto surface = std::make_unique<VideoSurface>();
    surface->resize(320, 240);
    surface->show();
    ASSERT_TRUE(waitUntil([&] { return surface->isVisible(); }, 3000));

    ASSERT_EQ(open("clip.avi"), 0);
    ASSERT_EQ(send("window 0 handle " + QString::number(surface->handle())), 0);
    ASSERT_EQ(send("put 0 destination at 0 0 320 240"), 0);
    bool drawn = false;
    QObject::connect(surface.get(), &VideoSurface::frameDrawn, [&] { drawn = true; });
    ASSERT_EQ(send("play 0"), 0);
    ASSERT_TRUE(waitUntil([&] { return drawn && number("status 0 position") > 500; }, 10000));

    const QImage frame = surface->grabFramebuffer();
    int lit = 0;
    for (int y = 0; y < frame.height(); y += 8) {
        for (int x = 0; x < frame.width(); x += 8) {
            if (qGray(frame.pixel(x, y)) > 40)
                ++lit;
        }
    }
    EXPECT_GT(lit, 100) << "the surface stayed dark";
    ASSERT_EQ(send("close 0"), 0);
}

} // namespace
