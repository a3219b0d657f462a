// Real files through the facade on both paths: MCI into a video surface
// standing in for PiMCI, and the media player control for what MCI refuses.
#include "PlayerRig.h"
#include "TestSupport.h"

#include "platform/media/MediaEngine.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "playback/ClassMCIPlay.h"
#include "playback/ClassPlayerDummy.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace {

/// Play, pause, seek, rate, stop and length through the facade.
void exerciseTransport(PlayerRig &rig)
{
    ClassPlayerDummy &p = rig.player;
    EXPECT_NEAR(p.Duration(), 12.0, 0.3);
    EXPECT_EQ(p.PlayState(), 0);

    p.vPlay();
    EXPECT_EQ(p.Status, "Playing");
    ASSERT_TRUE(rig.positionPasses(0.3)) << "position never advanced";
    EXPECT_EQ(p.PlayState(), 2);

    p.vPause();
    ASSERT_TRUE(waitUntil([&] { return p.PlayState() == 1; }));
    QTest::qWait(200);
    const double pausedAt = p.CurrentPosition();
    QTest::qWait(400);
    EXPECT_NEAR(p.CurrentPosition(), pausedAt, 0.05) << "moved while paused";

    // A seek while paused lands exactly and does not play (an MCI device
    // is stopped by it, the control stays paused).
    p.setCurrentPosition(6.0);
    EXPECT_TRUE(waitUntil([&] { return std::abs(p.CurrentPosition() - 6.0) < 0.1; }));
    EXPECT_LT(p.PlayState(), 2);

    // Playing on from there, then a seek while playing keeps playing.
    p.vPlay();
    ASSERT_TRUE(rig.positionPasses(6.2));
    p.setCurrentPosition(2.0);
    EXPECT_TRUE(waitUntil([&] { return p.CurrentPosition() > 2.0 && p.CurrentPosition() < 4.0; }));
    EXPECT_TRUE(waitUntil([&] { return p.PlayState() == 2; }));
    EXPECT_TRUE(rig.positionPasses(2.3));

    p.setRate(2.0);
    EXPECT_TRUE(waitUntil([&] { return std::abs(p.Rate() - 2.0) < 1e-6; }));
    p.setRate(1.0);

    p.vStop();
    EXPECT_EQ(p.Status, "Stopped");
    EXPECT_TRUE(waitUntil([&] { return p.PlayState() == 0 && p.CurrentPosition() < 0.05; }));
    QTest::qWait(300);
    EXPECT_LT(p.CurrentPosition(), 0.05) << "moved while stopped";
    EXPECT_NEAR(p.Duration(), 12.0, 0.3);

    // Play after stop starts from the beginning again.
    p.vPlay();
    EXPECT_TRUE(rig.positionPasses(0.2));
}

TEST(PlaybackPaths, AviPlaysThroughMciIntoTheSurface)
{
    PlayerRig rig;
    rig.open(testMedia("clip.avi"));
    ASSERT_EQ(rig.player.ActiveVideoMode, "MCI") << rig.mci.ErrorString.toStdString();
    EXPECT_EQ(rig.player.FileName(), testMedia("clip.avi"));
    EXPECT_FALSE(rig.player.CanScan());

    QSignalSpy frames(rig.surface, &VideoSurface::frameDrawn);
    exerciseTransport(rig);
    EXPECT_TRUE(waitUntil([&] { return !frames.isEmpty(); })) << "no video drawn into the MCI surface";
}

class ControlPath : public ::testing::TestWithParam<const char *> {};

TEST_P(ControlPath, FilesMciRefusesPlayInTheControl)
{
    PlayerRig rig;
    rig.open(testMedia(GetParam()));
    ASSERT_EQ(rig.player.ActiveVideoMode, "mPlay");
    EXPECT_TRUE(rig.player.CanScan());
    EXPECT_TRUE(rig.control->message().isEmpty());

    QSignalSpy frames(rig.control->surface(), &VideoSurface::frameDrawn);
    QSignalSpy states(rig.control, &MediaPlayerControl::PlayStateChange);
    exerciseTransport(rig);
    EXPECT_TRUE(waitUntil([&] { return !frames.isEmpty(); })) << "no video drawn in the control";
    EXPECT_FALSE(states.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Containers, ControlPath, ::testing::Values("clip.mkv", "clip.mp4"));

TEST(PlaybackPaths, ControlStopsAtTheEndAndPlayStartsOver)
{
    PlayerRig rig;
    rig.open(testMedia("clip.mkv"));
    ClassPlayerDummy &p = rig.player;
    QSignalSpy states(rig.control, &MediaPlayerControl::PlayStateChange);
    p.setCurrentPosition(11.3);
    p.vPlay();
    ASSERT_TRUE(waitUntil([&] { return p.PlayState() == 0; }, 6000)) << "still " << p.PlayState();
    EXPECT_GT(p.CurrentPosition(), 11.0);
    ASSERT_GE(states.size(), 2);
    EXPECT_EQ(states.last(), (QList<QVariant>{2, 0}));

    p.vPlay();
    EXPECT_TRUE(waitUntil([&] { return p.CurrentPosition() > 0.2 && p.CurrentPosition() < 5; }));
    EXPECT_EQ(p.PlayState(), 2);
}

TEST(PlaybackPaths, OpeningAnotherFileLeavesTheCurrentEngine)
{
    PlayerRig rig;
    rig.open(testMedia("clip.mp4"));
    rig.player.vPlay();
    ASSERT_TRUE(rig.positionPasses(0.3));

    rig.open(testMedia("clip.avi"));
    ASSERT_EQ(rig.player.ActiveVideoMode, "MCI");
    QTest::qWait(300);
    EXPECT_EQ(rig.control->PlayState(), 0) << "the control played on behind the MCI video";

    rig.open(testMedia("clip.mkv"));
    ASSERT_EQ(rig.player.ActiveVideoMode, "mPlay");
    EXPECT_EQ(rig.mci.Status, "Opened"); // its refused open, not a device left playing
    EXPECT_EQ(rig.player.PlayState(), 0);
}

TEST(Scanning, FastForwardAndReverseMoveTheRightWay)
{
    PlayerRig rig;
    rig.open(testMedia("long.mp4"));
    ASSERT_EQ(rig.player.ActiveVideoMode, "mPlay");
    ClassPlayerDummy &p = rig.player;
    p.setCurrentPosition(10.0);
    ASSERT_TRUE(waitUntil([&] { return std::abs(p.CurrentPosition() - 10.0) < 0.2; }));

    p.vFastForward();
    EXPECT_EQ(p.PlayState(), 4);
    EXPECT_TRUE(rig.control->engine()->mute()) << "sound stays on while scanning";
    EXPECT_FALSE(p.Mute()) << "scanning changed the user's mute";
    EXPECT_TRUE(waitUntil([&] { return p.CurrentPosition() > 14.0; }, 8000));

    p.vPause();
    EXPECT_EQ(p.PlayState(), 1);
    EXPECT_TRUE(waitUntil([&] { return !rig.control->engine()->mute(); }));
    EXPECT_EQ(p.Rate(), 1.0);
    const double from = p.CurrentPosition();

    p.vFastReverse();
    EXPECT_EQ(p.PlayState(), 5);
    EXPECT_TRUE(waitUntil([&] { return p.CurrentPosition() < from - 2.0; }, 8000));
    p.vPlay();
    EXPECT_EQ(p.PlayState(), 2);
    const double resumedAt = p.CurrentPosition();
    EXPECT_TRUE(waitUntil([&] { return p.CurrentPosition() > resumedAt + 0.3; }));
}

TEST(Scanning, ReverseStopsAtTheStart)
{
    PlayerRig rig;
    rig.open(testMedia("clip.mp4"));
    rig.player.setCurrentPosition(1.0);
    rig.player.vFastReverse();
    EXPECT_TRUE(waitUntil([&] { return rig.player.PlayState() == 0; }, 5000));
    EXPECT_LT(rig.player.CurrentPosition(), 0.05);
}

TEST(DisplaySize, DoubleHalfAndFullScreen)
{
    PlayerRig rig;
    rig.open(testMedia("clip.mkv"));
    MediaPlayerControl &c = *rig.control;
    c.setGeometry(5, 5, 200, 100);

    c.setDisplaySize(0);
    EXPECT_EQ(c.size(), QSize(320, 240));
    c.setDisplaySize(2);
    EXPECT_EQ(c.size(), QSize(640, 480));
    EXPECT_DOUBLE_EQ(c.Width(), 640 * 15.0);
    c.setDisplaySize(1);
    EXPECT_EQ(c.size(), QSize(160, 120));
    c.setDisplaySize(4);
    EXPECT_EQ(c.size(), QSize(160, 120));

    c.setDisplaySize(3);
    ASSERT_TRUE(c.isFullScreenShown());
    QWidget *full = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != &rig.box && w->isVisible())
            full = w;
    }
    ASSERT_NE(full, nullptr);
    EXPECT_GE(full->width(), 1280);
    // Keys pressed over the full-screen video are the control's own events.
    QSignalSpy keys(&c, &MediaPlayerControl::KeyDown);
    QTest::keyClick(full, Qt::Key_Home);
    ASSERT_EQ(keys.size(), 1);
    EXPECT_EQ(keys[0][0].toInt(), 36);
    c.setDisplaySize(0);
    EXPECT_FALSE(c.isFullScreenShown());
    EXPECT_EQ(c.geometry(), QRect(5, 5, 160, 120)) << "not back in its place and size";

    // Escape leaves full screen for the size in force before it.
    c.setDisplaySize(4);
    c.setDisplaySize(3);
    ASSERT_TRUE(c.isFullScreenShown());
    QWidget *again = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != &rig.box && w->isVisible())
            again = w;
    }
    ASSERT_NE(again, nullptr);
    QTest::keyClick(again, Qt::Key_Escape);
    EXPECT_FALSE(c.isFullScreenShown());
    EXPECT_EQ(c.DisplaySize(), 4);

    // Another engine taking over hides the control and ends its full screen.
    c.setDisplaySize(3);
    ASSERT_TRUE(c.isFullScreenShown());
    c.hide();
    EXPECT_FALSE(c.isFullScreenShown());
    c.show();
    rig.player.vPlay();
    EXPECT_TRUE(rig.positionPasses(0.2));
}

class BadFiles : public ::testing::TestWithParam<const char *> {};

TEST_P(BadFiles, ShowAMessageAndLeaveTheControlClosed)
{
    PlayerRig rig;
    const QString path = testMedia(GetParam());
    rig.open(path);
    if (rig.player.ActiveVideoMode == VideoMode::Mci) {
        // MCI took it; whatever it does, playing it must not bring anything down.
        rig.player.vPlay();
        QTest::qWait(300);
        rig.player.vStop();
        SUCCEED();
        return;
    }
    EXPECT_EQ(rig.player.PlayState(), 6);
    EXPECT_EQ(rig.player.Duration(), 0);
    EXPECT_TRUE(rig.control->message().contains(QFileInfo(path).fileName()))
        << rig.control->message().toStdString();
    rig.player.vPlay();
    rig.player.vFastForward();
    rig.player.setCurrentPosition(3);
    rig.player.vStop();
    EXPECT_EQ(rig.player.PlayState(), 6);

    // A good file afterwards plays and the message goes away.
    rig.open(testMedia("clip.mkv"));
    EXPECT_TRUE(rig.control->message().isEmpty());
    rig.player.vPlay();
    EXPECT_TRUE(rig.positionPasses(0.2));
}

INSTANTIATE_TEST_SUITE_P(Files, BadFiles,
                         ::testing::Values("empty.avi", "truncated.avi", "random.mpg", "missing.mkv"));

TEST(BadFiles, MissingFileThroughTheControlSaysNotFound)
{
    PlayerRig rig;
    rig.control->setFileName(testMediaDir() + "/nowhere/不在.mp4");
    EXPECT_EQ(rig.control->PlayState(), 6);
    EXPECT_TRUE(rig.control->message().contains(QStringLiteral("「不在.mp4」")));
    EXPECT_TRUE(rig.control->message().contains(QStringLiteral("見つかりません")));
}

} // namespace
