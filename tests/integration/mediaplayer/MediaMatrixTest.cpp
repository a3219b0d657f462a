// Every kind of file the player meets, through the facade the way the main
// window opens it: each playable one on the engine its extension selects,
// with its length and a moving position; each unplayable one refused with
// the readable message, without a hang or a crash.
#include "PlayerRig.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

#include <cmath>

namespace {

struct MatrixEntry {
    const char *file;
    enum Engine { Refused, Mci, Control } engine;
    double length; ///< seconds
    bool video;
};

const QString kOddName = QString::fromUtf8("名前 with \"quote\" 'single'\nと改行.mp4");

// The first entry is opened before the window is shown, as a file given on
// the command line is; every later one into the shown window.
const MatrixEntry kMatrix[] = {
    {"silent.mp4", MatrixEntry::Control, 4, true},   {"silent.avi", MatrixEntry::Mci, 4, true},
    {"clip.avi", MatrixEntry::Mci, 12, true},        {"clip.mp4", MatrixEntry::Control, 12, true},
    {"tone.wav", MatrixEntry::Mci, 6, false},        {"tone.mp3", MatrixEntry::Mci, 6, false},
    {"tune.mid", MatrixEntry::Mci, 2, false},        {"second.mp4", MatrixEntry::Control, 1, true},
    {"portrait.mp4", MatrixEntry::Control, 3, true}, {"rotated.mp4", MatrixEntry::Control, 3, true},
    {"mpeg2.mpg", MatrixEntry::Mci, 4, true},        {"wm.wmv", MatrixEntry::Mci, 4, true},
    {"vp9.webm", MatrixEntry::Control, 4, true},     {"clip.mkv", MatrixEntry::Control, 12, true},
    {nullptr, MatrixEntry::Control, 1, true}, // kOddName
    {"empty.avi", MatrixEntry::Refused, 0, false},   {"truncated.avi", MatrixEntry::Refused, 0, false},
    {"random.mpg", MatrixEntry::Refused, 0, false},  {"folder.avi", MatrixEntry::Refused, 0, false},
    {"stuck.avi", MatrixEntry::Refused, 0, false}, // a FIFO: nobody ever writes to it
    {"missing.mp4", MatrixEntry::Refused, 0, false},
};

TEST(MediaMatrix, EveryFilePlaysOnItsEngineOrIsRefusedCleanly)
{
    PlayerRig rig(false);
    ClassPlayerDummy &p = rig.player;
    for (const MatrixEntry &entry : kMatrix) {
        const QString path = entry.file ? testMedia(QString::fromUtf8(entry.file)) : testMedia(kOddName);
        const QString name = QFileInfo(path).fileName();
        SCOPED_TRACE(name.toStdString());

        rig.open(path);
        if (entry.engine == MatrixEntry::Refused) {
            ASSERT_EQ(p.ActiveVideoMode, VideoMode::MPlay) << "MCI took a file it cannot play";
            EXPECT_EQ(p.PlayState(), 6);
            EXPECT_EQ(p.Duration(), 0);
            const QString message = rig.control->message();
            EXPECT_TRUE(message.contains(QStringLiteral("「%1」を再生できません。").arg(name)))
                << message.toStdString();
            EXPECT_FALSE(message.contains(QStringLiteral("時間内")))
                << "waited for the file instead of refusing it";
            p.vPlay();
            EXPECT_EQ(p.PlayState(), 6);
            continue;
        }

        ASSERT_EQ(p.ActiveVideoMode, entry.engine == MatrixEntry::Mci ? VideoMode::Mci : VideoMode::MPlay)
            << rig.mci.ErrorString.toStdString() << " / " << rig.control->message().toStdString();
        EXPECT_TRUE(rig.control->message().isEmpty()) << rig.control->message().toStdString();
        EXPECT_NEAR(p.Duration(), entry.length, 0.15);
        VideoSurface *shown = p.ActiveVideoMode == VideoMode::Mci ? rig.surface : rig.control->surface();
        QSignalSpy frames(shown, &VideoSurface::frameDrawn);
        p.vPlay();
        EXPECT_TRUE(rig.positionPasses(std::min(0.3, entry.length / 2))) << "the time does not advance";
        if (entry.video) {
            EXPECT_TRUE(waitUntil([&] { return !frames.isEmpty(); })) << "no picture drawn";
        }
    }
}

} // namespace
