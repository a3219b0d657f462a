#include "playback/ClassMCIPlay.h"
#include "util/RuntimeError.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <cstring>
#include <deque>
#include <functional>
#include <string>

namespace {

/// Stands in for MCI: records every command string and buffer size, and
/// answers from a queue of scripted results (success with an empty reply
/// when the queue is empty).
struct FakeMci {
    struct Answer {
        int error = 0;
        std::string reply;
    };

    QStringList sent;
    std::deque<Answer> answers;
    unsigned lastReplySize = 0;
    unsigned lastErrorSize = 0;
    bool errorTextFails = false;
    std::deque<unsigned> ticks;

    void answer(int error, std::string reply = {}) { answers.push_back({error, std::move(reply)}); }

    MciTransport transport()
    {
        MciTransport t;
        t.send = [this](const char *command, char *reply, unsigned length, void *) {
            sent << QString::fromUtf8(command);
            lastReplySize = length;
            Answer a;
            if (!answers.empty()) {
                a = answers.front();
                answers.pop_front();
            }
            // Like MCI, a reply that fits is written with its NUL; the
            // oversized one in a test fills the buffer without one.
            if (a.error == 0 && !a.reply.empty())
                std::memcpy(reply, a.reply.data(), std::min<std::size_t>(a.reply.size() + 1, length));
            return a.error;
        };
        t.getErrorString = [this](int error, char *buffer, unsigned length) {
            lastErrorSize = length;
            if (errorTextFails)
                return false;
            const std::string text = "text of " + std::to_string(error);
            std::memcpy(buffer, text.c_str(), text.size() + 1);
            return true;
        };
        t.tickCount = [this] {
            const unsigned now = ticks.front();
            if (ticks.size() > 1)
                ticks.pop_front();
            return now;
        };
        return t;
    }
};

class ClassMCIPlayTest : public ::testing::Test {
protected:
    FakeMci mci;
    ClassMCIPlay play{mci.transport()};
};

TEST_F(ClassMCIPlayTest, EachMemberSendsItsExactText)
{
    const std::pair<std::function<void()>, const char *> cases[] = {
        {[&] { play.mClose("0"); }, "close 0"},
        {[&] { play.mStop("0"); }, "stop 0"},
        {[&] { play.mPause("0"); }, "pause 0"},
        {[&] { play.mResume("0"); }, "resume 0"},
        {[&] { play.mSeek(12346, "0"); }, "seek 0 to 12346"},
        {[&] { play.mSeek(-5, "0"); }, "seek 0 to -5"},
        {[&] { play.mSetTimeFormatMillisecond("0"); }, "set 0 time format milliseconds"},
        {[&] { play.mSetTimeFormat("frames", "0"); }, "set 0 time format frames"},
        {[&] { play.mSetPlaySpeed("0", 150); }, "play 0 speed 150"},
        {[&] { play.mDispTargethWnd("0", 7); }, "window 0 handle 7"},
        {[&] { play.mDispTargetRect("0", 0, 0, 320, 240); }, "put 0 destination at 0 0 320 240"},
        {[&] { play.mOpenCDDoor("cd"); }, "set cd door open"},
        {[&] { play.mCloseCDDoor("cd"); }, "set cd door closed"},
        // Play leaves out empty positions.
        {[&] { play.mPlay("0", "", ""); }, "play 0"},
        {[&] { play.mPlay("0", "100", ""); }, "play 0 from 100"},
        {[&] { play.mPlay("0", "", "900"); }, "play 0 to 900"},
        {[&] { play.mPlay("0", "100", "900"); }, "play 0 from 100 to 900"},
        {[&] { play.mGetStatus("0"); }, "status 0 mode"},
        {[&] { play.mGetMediaPresent("0"); }, "status 0 media present"},
        {[&] { play.mGetPlaySpeed("0"); }, "status 0 play speed"},
        {[&] { play.mGetTimeFormat("0"); }, "status 0 time format"},
        {[&] { play.mGetLength("0"); }, "status 0 length"},
        {[&] { play.mGetPosition("0"); }, "status 0 position"},
        {[&] { play.mGetTracks("0"); }, "status 0 number of tracks"},
        {[&] { play.mGetTrack("0"); }, "status 0 current track"},
        {[&] { play.mGetTrackPosition("0", "2"); }, "status 0 position track 2"},
        {[&] { play.mGetStatus("別名"); }, "status 別名 mode"},
    };
    for (const auto &[call, text] : cases) {
        mci.sent.clear();
        call();
        EXPECT_EQ(mci.sent, QStringList{QString::fromUtf8(text)}) << text;
    }
    EXPECT_EQ(mci.lastReplySize, 512u);

    // A failed play still counts as playing.
    mci.answer(263);
    EXPECT_EQ(play.mPlay("0", "", ""), 263);
    EXPECT_EQ(play.Status, QStringLiteral("Playing"));
}

TEST_F(ClassMCIPlayTest, RepliesAreUtf8CutAtTheFirstNulAndStayInTheBuffer)
{
    mci.answer(0, "playing");
    EXPECT_EQ(play.mGetStatus("0"), QStringLiteral("playing"));
    EXPECT_EQ(play.ErrorString, QStringLiteral("playing"));
    mci.answer(0, "再生中");
    EXPECT_EQ(play.mGetStatus("0"), QStringLiteral("再生中"));
    mci.answer(0, std::string("12000\0garbage", 13));
    EXPECT_EQ(play.mGetLength("0"), QStringLiteral("12000"));
    // A device that writes nothing never shows an earlier, longer reply.
    mci.answer(0, "a much longer earlier reply");
    play.mGetStatus("0");
    mci.answer(0, "");
    EXPECT_EQ(play.mGetPosition("0"), QString());
    mci.answer(0, std::string(600, 'x'));
    EXPECT_EQ(play.mGetStatus("0").size(), 512);
}

TEST_F(ClassMCIPlayTest, FailedQueryReturnsErrorNumberAndKeepsDescription)
{
    mci.answer(263);
    EXPECT_EQ(play.mGetPosition("0"), QStringLiteral("Error:263"));
    EXPECT_EQ(play.ErrorString, QStringLiteral("text of 263"));
    EXPECT_EQ(mci.lastErrorSize, 256u);

    mci.errorTextFails = true;
    mci.answer(282);
    EXPECT_EQ(play.mSeek(99, "0"), 282);
    EXPECT_EQ(play.ErrorString, QStringLiteral("Error (文字列が取れません)"));
}

TEST_F(ClassMCIPlayTest, EmptyCommandSendsNothing)
{
    QString text = "unchanged";
    EXPECT_EQ(play.mSendString("", text), -1);
    EXPECT_EQ(text, QStringLiteral("コマンド文字列が指定されていません"));
    EXPECT_TRUE(mci.sent.isEmpty());
}

TEST_F(ClassMCIPlayTest, OpenWithEmptyNameSendsNothing)
{
    play.Status = "Opened";
    EXPECT_EQ(play.mOpen("", "0"), 0);
    EXPECT_TRUE(mci.sent.isEmpty());
    EXPECT_TRUE(play.Status.isEmpty());
    EXPECT_TRUE(play.CurrentAlias().isEmpty());
    EXPECT_TRUE(play.CurrentFile().isEmpty());
}

TEST_F(ClassMCIPlayTest, OpenQuotesTheNameAndClosesThePreviousDevice)
{
    EXPECT_EQ(play.mOpen("/m/a b.avi", "0"), -1);
    EXPECT_EQ(play.Status, QStringLiteral("Opened"));
    EXPECT_EQ(play.CurrentAlias(), QStringLiteral("0"));
    EXPECT_EQ(play.mOpen("/m/名前 \"q\".avi", "1"), -1);
    EXPECT_EQ(mci.sent,
              QStringList({"open \"/m/a b.avi\" alias 0", "close 0", "open \"/m/名前 \"q\".avi\" alias 1"}));
    EXPECT_EQ(play.GetFileName(), QStringLiteral("/m/名前 \"q\".avi"));
}

TEST_F(ClassMCIPlayTest, FailedOpenClosesItsAliasAndStillCountsAsOpened)
{
    mci.answer(281); // open
    mci.answer(263); // close
    EXPECT_EQ(play.mOpen("/m/a.mp4", "0"), 0);
    EXPECT_EQ(mci.sent, QStringList({"open \"/m/a.mp4\" alias 0", "close 0"}));
    EXPECT_EQ(play.Status, QStringLiteral("Opened"));
    EXPECT_EQ(play.CurrentAlias(), QStringLiteral("0"));
    EXPECT_EQ(play.CurrentFile(), QStringLiteral("/m/a.mp4"));
    // The failed close left its text, not the open's.
    EXPECT_EQ(play.ErrorString, QStringLiteral("text of 263"));

    mci.sent.clear();
    play.mOpen("/m/b.avi", "0");
    EXPECT_EQ(mci.sent, QStringList({"close 0", "open \"/m/b.avi\" alias 0"}));
}

TEST_F(ClassMCIPlayTest, OtherModesKeepEarlierDevicesOpen)
{
    play.Mode = "many";
    play.mOpen("/m/a.avi", "a");
    play.mOpen("/m/b.avi", "b");
    EXPECT_EQ(mci.sent, QStringList({"open \"/m/a.avi\" alias a", "open \"/m/b.avi\" alias b"}));
}

TEST_F(ClassMCIPlayTest, CloseEmptiesStatusAndAliasEvenWhenItFails)
{
    play.mOpen("/m/a.avi", "0");
    mci.answer(263);
    EXPECT_EQ(play.mClose("0"), 263);
    EXPECT_TRUE(play.Status.isEmpty());
    EXPECT_TRUE(play.CurrentAlias().isEmpty());
    EXPECT_EQ(play.CurrentFile(), QStringLiteral("/m/a.avi"));
}

TEST_F(ClassMCIPlayTest, FastSkipSeeksInMillisecondsAndRestoresTheFormat)
{
    mci.answer(0, "frames"); // status time format
    mci.answer(0);           // set ms
    mci.answer(0, "5000");   // status position
    mci.answer(282);         // seek
    EXPECT_EQ(play.mFF("0", -1500), 282);
    EXPECT_EQ(mci.sent, QStringList({"status 0 time format", "set 0 time format milliseconds",
                                     "status 0 position", "seek 0 to 3500", "set 0 time format frames"}));
}

TEST_F(ClassMCIPlayTest, FastSkipRaisesOnNonNumericPositionOrOverflow)
{
    mci.answer(0, "milliseconds");
    mci.answer(0);
    mci.answer(263); // position fails: "Error:263"
    EXPECT_EQ(errorNumber([&] { play.mFF("0", 1000); }), ErrNo::TypeMismatch);
    EXPECT_FALSE(mci.sent.last().startsWith("seek"));

    mci.answer(0, "milliseconds");
    mci.answer(0);
    mci.answer(0, "2147483000");
    EXPECT_EQ(errorNumber([&] { play.mFF("0", 1000); }), ErrNo::Overflow);
}

TEST_F(ClassMCIPlayTest, TrackPlaysFromTheTrackStart)
{
    mci.answer(0, "4200");
    mci.answer(0);
    EXPECT_EQ(play.mTrack(2, "0"), 0);
    EXPECT_EQ(mci.sent, QStringList({"status 0 position track 2", "play 0 from 4200"}));
}

TEST_F(ClassMCIPlayTest, WaitRunsUntilMoreThanTheTimeHasPassed)
{
    const struct {
        std::deque<unsigned> ticks;
        int ms;
        unsigned next; ///< the tick left unread
        int error;
    } cases[] = {
        {{1000, 1010, 1050, 1051, 1052}, 50, 1052, 0},                    // 1051 is the first tick past 1050
        {{0xFFFFFFF0u, 0x10u}, 20, 0x10u, 0},                             // across the unsigned wrap
        {{0x7FFFFFF0u, 0x80000010u}, 1000, 0x80000010u, ErrNo::Overflow}, // the signed one overflows
    };
    for (const auto &c : cases) {
        mci.ticks = c.ticks;
        EXPECT_EQ(errorNumber([&] { play.wait(c.ms); }), c.error) << c.ms;
        EXPECT_EQ(mci.ticks.front(), c.next) << c.ms;
    }
}

} // namespace
