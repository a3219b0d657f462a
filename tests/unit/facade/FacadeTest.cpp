// The facade against a recording MCI transport and a fake control: which
// engine each member reaches, and the exact command texts on the MCI path.
#include "platform/media/MediaEngine.h"
#include "platform/mediaplayer/IMediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "playback/ClassMCIPlay.h"
#include "playback/ClassPlayerDummy.h"
#include "util/RuntimeError.h"

#include "FakeMediaPlayerControl.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QStringList>

#include <cstring>
#include <map>
#include <string>

// Readable failure messages for the recorded commands.
void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

/// Answers MCI commands from a script and records every command sent.
struct RecordingMci {
    QStringList sent;
    std::map<std::string, std::string> replies; ///< command → reply
    std::map<std::string, int> errors;          ///< command → error number
    bool opens = true;                          ///< whether "open ..." succeeds

    MciTransport transport()
    {
        MciTransport t;
        t.send = [this](const char *command, char *reply, unsigned length, void *) {
            sent << QString::fromUtf8(command);
            if (length)
                reply[0] = '\0';
            const std::string text(command);
            if (text.rfind("open ", 0) == 0 && !opens)
                return 266; // cannot determine the device type
            if (auto e = errors.find(text); e != errors.end())
                return e->second;
            if (auto r = replies.find(text); r != replies.end())
                std::strncpy(reply, r->second.c_str(), length);
            return 0;
        };
        t.getErrorString = [](int, char *buffer, unsigned length) {
            std::strncpy(buffer, "error", length);
            return true;
        };
        t.tickCount = [] { return 0u; };
        return t;
    }
};

class FacadeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        target.resize(320, 240);
        player.omPlay = &control;
        player.oMCIPlay = &mci;
        player.oMCITarget = &target;
    }

    /// Opens a file MCI accepts and forgets the commands sent so far.
    void openThroughMci(const QString &name = "/m/a.avi")
    {
        player.setFileName(name);
        ASSERT_EQ(player.ActiveVideoMode, "MCI");
        recorder.sent.clear();
        control.calls.clear();
    }

    RecordingMci recorder;
    ClassMCIPlay mci{recorder.transport()};
    FakeControl control;
    VideoSurface target;
    ClassPlayerDummy player;
};

TEST_F(FacadeTest, BeforeAnyOpenEveryMemberReachesTheControl)
{
    EXPECT_EQ(player.Status, "Closed");
    EXPECT_EQ(player.ActiveVideoMode, "");

    player.vPlay(); // the control has no file: nothing happens
    EXPECT_THAT(control.calls, IsEmpty());
    EXPECT_EQ(player.Status, "Closed");

    control.duration = 7;
    control.canScan = true;
    EXPECT_EQ(player.Duration(), 7);
    EXPECT_TRUE(player.CanScan());
    EXPECT_EQ(player.PlayState(), MediaPlayState::Closed);
    player.vFastForward();
    player.setMute(true);
    EXPECT_THAT(control.calls, ElementsAre("FastForward", "Mute=1"));
    EXPECT_THAT(recorder.sent, IsEmpty());
}

TEST_F(FacadeTest, FileMciAcceptsOpensThroughMciIntoTheTarget)
{
    player.setFileName("/m/a.avi");

    EXPECT_EQ(player.ActiveVideoMode, "MCI");
    EXPECT_EQ(player.Status, "Opened");
    EXPECT_THAT(recorder.sent,
                ElementsAre("open \"/m/a.avi\" alias 0", QString("window 0 handle %1").arg(target.handle()),
                            "put 0 destination at 0 0 320 240", "set 0 time format milliseconds"));
    // Leaving the control only stops it; its own file stays.
    EXPECT_THAT(control.calls, ElementsAre("Stop"));
    EXPECT_EQ(player.FileName(), "/m/a.avi");
}

TEST_F(FacadeTest, FileMciRefusesGoesToTheControl)
{
    openThroughMci();
    recorder.opens = false;

    player.setFileName("/m/b.mkv");

    EXPECT_EQ(player.ActiveVideoMode, "mPlay");
    EXPECT_EQ(player.Status, "Opened");
    // The MCI file is closed first; the refused open closes its alias again.
    EXPECT_THAT(recorder.sent, ElementsAre("close 0", "open \"/m/b.mkv\" alias 0", "close 0"));
    EXPECT_THAT(control.calls, ElementsAre("FileName=/m/b.mkv"));
    EXPECT_EQ(player.FileName(), "/m/b.mkv");
}

TEST_F(FacadeTest, EmptyFileNameSendsNoOpenAndGoesToTheControl)
{
    openThroughMci();

    player.setFileName("");

    EXPECT_THAT(recorder.sent, ElementsAre("close 0"));
    EXPECT_THAT(control.calls, ElementsAre("FileName="));
    EXPECT_EQ(player.ActiveVideoMode, "mPlay");
    EXPECT_EQ(player.Status, "Opened");

    player.vPlay();
    EXPECT_THAT(control.calls, ElementsAre("FileName=")); // still nothing to play
    EXPECT_EQ(player.Status, "Opened");
}

TEST_F(FacadeTest, PlayResumesOnlyAfterPauseAndPlaysWhatASeekStopped)
{
    openThroughMci();

    player.vPlay();
    EXPECT_EQ(player.Status, "Playing");
    player.vPause();
    EXPECT_EQ(player.Status, "Paused");
    player.vPlay();
    EXPECT_EQ(player.Status, "Playing");
    EXPECT_THAT(recorder.sent, ElementsAre("play 0", "pause 0", "resume 0"));

    recorder.sent.clear();
    player.vStop();
    player.vPlay();
    EXPECT_EQ(recorder.sent.last(), "play 0");

    // After a pause and a seek, which leaves the device stopped, the refused
    // resume falls back to play.
    player.vPause();
    recorder.replies["status 0 mode"] = "paused";
    player.setCurrentPosition(5);      // the seek leaves the device stopped
    recorder.errors["resume 0"] = 274; // not applicable to a stopped device
    recorder.sent.clear();

    player.vPlay();

    EXPECT_THAT(recorder.sent, ElementsAre("resume 0", "play 0"));
    EXPECT_EQ(player.Status, "Playing");
}

TEST_F(FacadeTest, StopRewindsOnEitherEngine)
{
    openThroughMci();
    recorder.replies["status 0 mode"] = "stopped";

    player.vStop();

    EXPECT_THAT(recorder.sent, ElementsAre("stop 0", "close 0", "close 0", "open \"/m/a.avi\" alias 0",
                                           QString("window 0 handle %1").arg(target.handle()),
                                           "put 0 destination at 0 0 320 240",
                                           "set 0 time format milliseconds", "status 0 mode", "seek 0 to 0"));
    EXPECT_EQ(player.Status, "Stopped");
    EXPECT_EQ(player.ActiveVideoMode, "MCI");

    // On the control the facade rewinds itself.
    recorder.opens = false;
    player.setFileName("/m/b.mp4");
    control.calls.clear();

    player.vStop();

    EXPECT_THAT(control.calls, ElementsAre("Stop", "CurrentPosition=0"));
    EXPECT_EQ(player.Status, "Stopped");
}

TEST_F(FacadeTest, SeekRoundsToMillisecondsAndRestartsOnlyWhatWasPlaying)
{
    openThroughMci();

    recorder.replies["status 0 mode"] = "playing";
    player.setCurrentPosition(12.3456);
    EXPECT_THAT(recorder.sent, ElementsAre("status 0 mode", "seek 0 to 12346", "play 0"));

    for (const char *mode : {"paused", "stopped", "Playing", "seeking"}) {
        recorder.sent.clear();
        recorder.replies["status 0 mode"] = mode;
        player.setCurrentPosition(2.0625); // 2062.5 ms: halves go to the even neighbour
        EXPECT_THAT(recorder.sent, ElementsAre("status 0 mode", "seek 0 to 2062")) << mode;
    }
    EXPECT_EQ(player.Status, "Opened");
}

TEST_F(FacadeTest, SeekBeyondTheWholeNumberRangeOverflowsWithoutTouchingTheDevice)
{
    openThroughMci();
    recorder.replies["status 0 mode"] = "playing";

    EXPECT_EQ(errorNumber([&] { player.setCurrentPosition(3.0e6); }), ErrNo::Overflow); // 3e9 ms
    EXPECT_THAT(recorder.sent, IsEmpty());
}

TEST_F(FacadeTest, MciRateIsPercentTimesAreMillisecondsAndFailuresZero)
{
    openThroughMci();
    player.setRate(1.5);
    recorder.replies["status 0 play speed"] = "150";
    EXPECT_DOUBLE_EQ(player.Rate(), 1.5);
    EXPECT_THAT(recorder.sent, ElementsAre("play 0 speed 150", "status 0 play speed"));

    EXPECT_THROW(player.setRate(3.0e7), RuntimeError);

    recorder.replies["status 0 position"] = "4500";
    recorder.replies["status 0 length"] = "12000";
    EXPECT_DOUBLE_EQ(player.CurrentPosition(), 4.5);
    EXPECT_DOUBLE_EQ(player.Duration(), 12.0);

    recorder.errors["status 0 position"] = 263;
    recorder.errors["status 0 play speed"] = 263;
    EXPECT_EQ(player.CurrentPosition(), 0);
    EXPECT_EQ(player.Rate(), 0);
}

TEST_F(FacadeTest, PlayStateMapsTheDeviceMode)
{
    openThroughMci();
    const std::pair<const char *, int> cases[] = {
        {"open", 0},    {"Opened", 0},  {"playing", 2}, {"Playing", 2}, {"stopped", 0},
        {"Stopped", 0}, {"paused", 1},  {"Paused", 1},  {"Closed", 6},  {"not ready", 6},
        {"seeking", 0}, {"PLAYING", 0}, {"", 0},
    };
    for (const auto &[mode, state] : cases) {
        recorder.replies["status 0 mode"] = mode;
        EXPECT_EQ(player.PlayState(), state) << mode;
    }
    recorder.errors["status 0 mode"] = 263;
    EXPECT_EQ(player.PlayState(), 0);
}

TEST_F(FacadeTest, ScanAndMuteAreControlOnly)
{
    openThroughMci();
    control.canScan = true;
    control.mute = true;

    EXPECT_FALSE(player.CanScan());
    EXPECT_FALSE(player.Mute());
    player.setMute(true);
    player.vFastForward();
    player.vFastReverse();

    EXPECT_THAT(recorder.sent, IsEmpty());
    EXPECT_THAT(control.calls, IsEmpty());
    EXPECT_EQ(player.Status, "Opened");

    // Routing needs exactly the word "MCI".
    player.ActiveVideoMode = "mci";
    control.rate = 3;
    EXPECT_EQ(player.Rate(), 3);
    EXPECT_THAT(recorder.sent, IsEmpty());
}

TEST_F(FacadeTest, ControlPathPassesValuesAndErrorsThrough)
{
    recorder.opens = false;
    player.setFileName("/m/c.webm");
    control.calls.clear();

    player.setCurrentPosition(12.3456);
    player.setRate(1.5);
    player.vPlay();
    player.vPause();
    player.vFastReverse();
    EXPECT_THAT(control.calls,
                ElementsAre("CurrentPosition=12.3456", "Rate=1.5", "Play", "Pause", "FastReverse"));
    EXPECT_EQ(player.Status, "Paused");

    control.throwOnRate = true;
    EXPECT_THROW(player.setRate(2), RuntimeError);
}

TEST_F(FacadeTest, ResetTargetFollowsTheResizedSurfaceWhateverTheMode)
{
    target.resize(640, 480);
    player.ResetTarget();
    EXPECT_THAT(recorder.sent, ElementsAre(QString("window 0 handle %1").arg(target.handle()),
                                           "put 0 destination at 0 0 640 480"));
}

TEST_F(FacadeTest, MissingObjectsRaiseInsteadOfCrashing)
{
    ClassPlayerDummy bare;
    EXPECT_EQ(errorNumber([&] { bare.vPlay(); }), 91);
    EXPECT_THROW(bare.setFileName("/m/a.avi"), RuntimeError);
    EXPECT_EQ(bare.Status, "Closed");
}

} // namespace
