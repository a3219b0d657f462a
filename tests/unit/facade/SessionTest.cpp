// The playback session as its followers see it: every change a command
// makes is reported at once, and the timer's tick starts a pending playback.
#include "platform/mediaplayer/IMediaPlayerControl.h"
#include "playback/PlaybackSession.h"

#include "FakeMediaPlayerControl.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTimer>

namespace {

TEST(PlaybackSession, ReportsEachChangeAndSeekToItsFollowers)
{
    FakeControl control;
    PlaybackSession session;
    session.attachEngines(&control, nullptr);
    QStringList seen;
    QObject::connect(&session, &PlaybackSession::fileChanged,
                     [&](const QString &file) { seen << "file " + file; });
    QObject::connect(&session, &PlaybackSession::playStateChanged,
                     [&](int state) { seen << "state " + QString::number(state); });
    QObject::connect(&session, &PlaybackSession::seekDone,
                     [&](double at) { seen << "seek " + QString::number(at, 'f', 3); });

    // Without a file a transport action does nothing at all.
    session.transport(Transport::Play);
    EXPECT_TRUE(control.calls.isEmpty());

    // Not a kind MCI takes: the control opens it.
    session.open("clip.zzz");
    EXPECT_EQ(control.fileName, "clip.zzz");
    control.playState = MediaPlayState::Playing;
    control.position = 10;
    const struct {
        Transport action;
        const char *reported; // nullptr: nothing
    } steps[] = {
        {Transport::Play, "state 2"},
        {Transport::StepForward, "seek 10.033"},
        {Transport::BackPlay, nullptr},
        {Transport::Stop, "seek 0.000"},
    };
    seen.clear();
    for (const auto &step : steps) {
        const qsizetype before = seen.size();
        session.transport(step.action);
        if (step.reported)
            EXPECT_EQ(seen.mid(before), QStringList{step.reported}) << step.reported;
        else
            EXPECT_EQ(seen.size(), before);
    }
    session.seek(42.5);
    EXPECT_EQ(seen.last(), "seek 42.500");

    // The open asked for playback at the tick, which reports what it read.
    double tickedAt = -1;
    QObject::connect(&session, &PlaybackSession::ticked,
                     [&](double at, double, std::int32_t) { tickedAt = at; });
    control.calls.clear();
    session.playAtNextTick();
    EXPECT_TRUE(session.playPending());
    ASSERT_TRUE(waitUntil([&] { return tickedAt >= 0; }));
    EXPECT_FALSE(session.playPending());
    EXPECT_EQ(control.calls.value(0), "Play");
    EXPECT_DOUBLE_EQ(tickedAt, 42.5);
}

// An idle player costs no wake-ups: the timer rests after the first tick
// that finds nothing moving on its own, and a command wakes it for the tick
// that shows what the command did.
TEST(PlaybackSession, TheTimerRestsWhileNothingMovesOnItsOwn)
{
    FakeControl control;
    PlaybackSession session;
    session.attachEngines(&control, nullptr);
    const auto *timer = session.findChild<QTimer *>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    int ticks = 0;
    double tickedAt = -1;
    QObject::connect(&session, &PlaybackSession::ticked, [&](double at, double, std::int32_t) {
        ++ticks;
        tickedAt = at;
    });
    const auto ticksOn = [&](int more) {
        const int until = ticks + more;
        return waitUntil([&] { return ticks >= until; });
    };

    // Before the first open nothing runs, whatever is asked.
    session.seek(1);
    EXPECT_FALSE(timer->isActive());

    session.open("clip.zzz");
    control.playState = MediaPlayState::Stopped;
    session.playAtNextTick();
    // The pending playback is started at the tick, and the file plays on.
    control.playState = MediaPlayState::Playing;
    ASSERT_TRUE(ticksOn(3));
    EXPECT_TRUE(timer->isActive());

    const struct {
        int state;
        bool moves;
    } states[] = {
        {MediaPlayState::Paused, false},     {MediaPlayState::Stopped, false},
        {MediaPlayState::Closed, false},     {MediaPlayState::ScanForward, true},
        {MediaPlayState::ScanReverse, true}, {MediaPlayState::Waiting, true},
    };
    for (const auto &state : states) {
        control.playState = state.state;
        session.seek(0);
        // The tick after the command shows where it went.
        control.position = state.state + 10.0;
        ASSERT_TRUE(ticksOn(1)) << state.state;
        EXPECT_DOUBLE_EQ(tickedAt, control.position) << state.state;
        if (state.moves) {
            ASSERT_TRUE(ticksOn(2)) << state.state;
            EXPECT_TRUE(timer->isActive()) << state.state;
        } else {
            EXPECT_FALSE(timer->isActive()) << state.state;
        }
    }

    // Every command wakes it; after close() none does.
    control.playState = MediaPlayState::Paused;
    session.transport(Transport::StepForward);
    EXPECT_TRUE(timer->isActive());
    ASSERT_TRUE(waitUntil([&] { return !timer->isActive(); }));
    session.open("other.zzz");
    EXPECT_TRUE(timer->isActive());
    session.close();
    session.seek(3);
    session.transport(Transport::Play);
    EXPECT_FALSE(timer->isActive());
}

} // namespace
