// What real libraries hold, opened fresh again and again the way the player
// opens a file (the window shows once the file is loaded, the first tick
// plays it): every start must play, whatever the engine is doing when Play
// arrives. Then the file that ends early, the seek past the end, and the
// shape of an MCI picture.
#include "PlayerRig.h"
#include "TestSupport.h"

#include "util/FileNames.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>

#include <cmath>

namespace {

constexpr int Rounds = 20;

struct Kind {
    const char *file; ///< in the test media folder; raw bytes allowed
    bool mci;         ///< the engine its extension selects
};

const Kind kKinds[] = {
    {"cover/tone.mp3", true}, // beside cover.jpg: a picture track joins the sound
    {"cover/tone.ogg", false},
    {"cover/tone.flac", false},
    {"half.mp4", false},
    {"half.avi", true},
    {"second.mp4", false},
    {"second.avi", true},
    {"second.mpg", true},
    {"nolength.mpg", true}, // no stored length, only an estimate
    {"wide.mpg", true},
    {"cut.mkv", false},
    {"\x83\x65\x83\x58\x83\x67.mp4", false}, // Shift-JIS bytes
    {"caf\xe9.avi", true},                   // Latin-1 bytes
};

QString mediaPath(const char *file)
{
    return decodeFileName(QFile::encodeName(testMediaDir()) + '/' + QByteArray(file));
}

TEST(EveryStart, EachKindPlaysOnEveryFreshStart)
{
    for (const Kind &kind : kKinds) {
        const QString path = mediaPath(kind.file);
        SCOPED_TRACE(readableFileName(path).toStdString());
        if (!fileStatus(path).exists)
            GTEST_SKIP() << "test media missing: run scripts/make-test-media.sh";
        int stalls = 0;
        for (int round = 0; round < Rounds; ++round) {
            PlayerRig rig(false);
            ClassPlayerDummy &p = rig.player;
            rig.open(path);
            ASSERT_EQ(p.ActiveVideoMode == VideoMode::Mci, kind.mci) << rig.control->message().toStdString();
            // Play at once, or once the surface has taken the video over.
            if (round % 2 == 1) {
                VideoSurface *shown = kind.mci ? rig.surface : rig.control->surface();
                waitUntil([&] { return shown->isRendering(); }, 3000);
            }
            p.vPlay();
            if (!waitUntil([&] { return p.CurrentPosition() > 0.05; }, 8000))
                ++stalls;
        }
        EXPECT_EQ(stalls, 0) << "of " << Rounds << " starts";
    }
}

TEST(EveryStart, ACutFileEndsWhereItsDataRanOutAndSaysSo)
{
    PlayerRig rig;
    ClassPlayerDummy &p = rig.player;
    rig.open(testMedia("cut.mkv")); // 20 s, cut to half its bytes
    ASSERT_EQ(p.ActiveVideoMode, VideoMode::MPlay);
    EXPECT_NEAR(p.Duration(), 20.0, 0.2);
    p.setCurrentPosition(8.0);
    p.vPlay();
    ASSERT_TRUE(waitUntil([&] { return p.PlayState() == 0; }, 15000)) << "the end never came";
    EXPECT_TRUE(p.EndedShort());
    EXPECT_GT(p.CurrentPosition(), 8.5);
    EXPECT_LT(p.CurrentPosition(), 12.0) << "took the stated length for the place";

    // A file played to its end did not end short.
    rig.open(testMedia("second.mp4"));
    p.vPlay();
    ASSERT_TRUE(waitUntil([&] { return p.PlayState() == 0; }, 8000));
    EXPECT_FALSE(p.EndedShort());
    EXPECT_DOUBLE_EQ(p.CurrentPosition(), p.Duration());
}

TEST(EveryStart, PauseWorksAfterASeekPastTheEndAndBack)
{
    PlayerRig rig;
    ClassPlayerDummy &p = rig.player;
    rig.open(testMedia("clip.mp4"));
    p.vPlay();
    ASSERT_TRUE(rig.positionPasses(0.3));
    p.setCurrentPosition(p.Duration() + 5); // a click right of the track's end
    ASSERT_TRUE(waitUntil([&] { return p.PlayState() == 0; }));
    p.setCurrentPosition(3.0);
    p.vPause();
    ASSERT_TRUE(waitUntil([&] { return std::abs(p.CurrentPosition() - 3.0) < 0.1; }));
    // Bounded wait for a movement that must not come.
    EXPECT_FALSE(waitUntil([&] { return p.CurrentPosition() > 3.3; }, 1200)) << "runs on while paused";
    p.vPlay();
    EXPECT_TRUE(rig.positionPasses(3.3)) << "Play after it does not play";
}

TEST(EveryStart, AnMciPictureKeepsItsShapeWithBlackBars)
{
    PlayerRig rig;
    ClassPlayerDummy &p = rig.player;
    rig.open(testMedia("wide.mpg")); // 16:9 through its sample aspect ratio
    ASSERT_EQ(p.ActiveVideoMode, VideoMode::Mci);
    QSignalSpy frames(rig.surface, &VideoSurface::frameDrawn);
    p.vPlay();
    ASSERT_TRUE(waitUntil([&] { return !frames.isEmpty() && p.CurrentPosition() > 0.3; }, 8000));
    const QImage image = rig.surface->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(image.isNull());
    const auto dark = [&](int y) {
        for (int x = 0; x < image.width(); x += 7) {
            if (qGray(image.pixel(x, y)) > 24)
                return false;
        }
        return true;
    };
    // 320x240 shows 16:9 as 320x180: 30 rows of black above and below.
    const int h = image.height();
    EXPECT_TRUE(dark(h * 4 / 240)) << "no bar at the top: stretched";
    EXPECT_TRUE(dark(h * 236 / 240)) << "no bar at the bottom: stretched";
    EXPECT_FALSE(dark(h / 2)) << "no picture";
    const QString folder = QDir(testBinaryDir()).filePath(QStringLiteral("e2e-artifacts"));
    QDir().mkpath(folder);
    image.save(QDir(folder).filePath(QStringLiteral("mci-wide.png")));
}

} // namespace
