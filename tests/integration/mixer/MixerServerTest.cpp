#include "platform/mixer/Mixer.h"
#include "playback/mVolCtrl.h"

#include "SoundServer.h"
#include "TestSupport.h"

#include <QScopeGuard>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

// The mixer against the PulseAudio server that scripts/test-env.sh starts:
// what we set must be what the server's own tool reads, and the other way
// round. The server's volume runs from 0 to 65536 (100 %).
namespace {

constexpr int kServerFull = 65536;

class MixerServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            GTEST_SKIP() << "needs the sound server of scripts/test-env.sh";
        m_saved = sinkVolumes();
        ASSERT_FALSE(m_saved.empty());
        ASSERT_EQ(mixerOpen(&m_mixer, 0), MMSYSERR_NOERROR);
        ASSERT_EQ(GetVolumeControl(m_mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                                   MIXERCONTROL_CONTROLTYPE_VOLUME, m_control),
                  MMSYSERR_NOERROR);
    }

    void TearDown() override
    {
        if (m_mixer)
            mixerClose(m_mixer);
        QStringList restore;
        for (int v : m_saved)
            restore << QString::number(v);
        if (!restore.isEmpty())
            setSinkVolumes(restore);
    }

    /// Waits for the server to report `expected` on every channel.
    ::testing::AssertionResult serverShows(int expected)
    {
        std::vector<int> seen;
        const bool ok = waitUntil(
            [&] {
                seen = sinkVolumes();
                return !seen.empty() && std::all_of(seen.begin(), seen.end(),
                                                    [&](int v) { return std::abs(v - expected) <= 1; });
            },
            5000);
        if (ok)
            return ::testing::AssertionSuccess();
        auto failure = ::testing::AssertionFailure() << "server volume";
        for (int v : seen)
            failure << ' ' << v;
        return failure << ", expected " << expected;
    }

    /// Waits for the mixer to read `expected`.
    ::testing::AssertionResult mixerReads(int expected)
    {
        int seen = -1;
        if (waitUntil(
                [&] { return std::abs((seen = GetVolume(m_mixer, m_control.dwControlID)) - expected) <= 1; },
                5000))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "mixer read " << seen << ", expected " << expected;
    }

    HMIXER m_mixer = nullptr;
    MIXERCONTROL m_control;
    std::vector<int> m_saved;
};

// A handle opened with a callback hears a change made by another program
// from the device's own events, without reading the volume in between, and
// hears it a few times at most: the device's descriptors do not stay readable
// (that would spin the event loop for as long as the player runs).
TEST_F(MixerServer, AChangeMadeElsewhereReachesTheCallback)
{
    int calls = 0;
    int heard = -1;
    HMIXER told = nullptr;
    const auto callback = [&](HMIXER hmx, std::uint32_t controlId) {
        ++calls;
        heard = GetVolume(hmx, controlId);
    };
    ASSERT_EQ(mixerOpen(&told, 0, callback, CALLBACK_FUNCTION), MMSYSERR_NOERROR);
    const auto closeTold = qScopeGuard([&] { mixerClose(told); });
    for (const int level : {20000, 45000, 20000}) {
        const int before = calls;
        setSinkVolumes({QString::number(serverValueOf(level))});
        EXPECT_TRUE(waitUntil([&] { return std::abs(heard - level) <= 1; }, 5000))
            << "heard " << heard << ", expected " << level;
        EXPECT_LE(calls - before, 4) << "for one change";
    }
    // Our own change is the device's too.
    ASSERT_EQ(SetVolume(m_mixer, m_control.dwControlID, 30000), MMSYSERR_NOERROR);
    EXPECT_TRUE(waitUntil([&] { return std::abs(heard - 30000) <= 1; }, 5000)) << heard;
}

TEST_F(MixerServer, FindsTheSpeakersVolumeFader)
{
    EXPECT_NE(m_control.dwControlID, 0u);
    EXPECT_EQ(m_control.dwControlType, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(m_control.dwMinimum, 0u);
    EXPECT_EQ(m_control.dwMaximum, MIXER_VOLUME_MAX);

    MIXERLINE byType;
    byType.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    ASSERT_EQ(mixerGetLineInfo(m_mixer, &byType, MIXER_GETLINEINFOF_COMPONENTTYPE), MMSYSERR_NOERROR);
    MIXERLINE byId;
    byId.dwLineID = byType.dwLineID;
    ASSERT_EQ(mixerGetLineInfo(m_mixer, &byId, MIXER_GETLINEINFOF_LINEID), MMSYSERR_NOERROR);
    EXPECT_EQ(byId.dwComponentType, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    EXPECT_EQ(byId.cChannels, std::uint32_t(m_saved.size()));
    EXPECT_EQ(byId.cControls, 1u);
}

// Lookups that find nothing fail quietly with the mixer's code and leave the
// caller's record as it was; reads of an unknown control give silence.
TEST_F(MixerServer, UnknownLinesAndControlsFailWithoutTouchingTheRecord)
{
    MIXERCONTROL record;
    record.dwControlID = 4242;
    constexpr std::uint32_t kMuteControl = 0x20010002;
    constexpr std::uint32_t kMicrophoneSource = 0x1003;
    EXPECT_EQ(GetVolumeControl(m_mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, kMuteControl, record),
              MIXERR_INVALCONTROL);
    EXPECT_EQ(GetVolumeControl(m_mixer, kMicrophoneSource, MIXERCONTROL_CONTROLTYPE_VOLUME, record),
              MIXERR_INVALLINE);
    EXPECT_EQ(record.dwControlID, 4242u);

    SetVolume(m_mixer, m_control.dwControlID, 30000);
    EXPECT_EQ(GetVolume(m_mixer, m_control.dwControlID + 1), 0);
    EXPECT_EQ(GetVolume(m_mixer, 0), 0);
    EXPECT_EQ(SetVolume(m_mixer, m_control.dwControlID + 1, 100), MIXERR_INVALCONTROL);
    EXPECT_TRUE(mixerReads(30000)) << "a refused set must not change the volume";
}

TEST_F(MixerServer, WhatWeSetIsWhatTheServerShows)
{
    for (int level : {0, 65535, 32768, 2730 * 7, 1}) {
        ASSERT_EQ(SetVolume(m_mixer, m_control.dwControlID, level), MMSYSERR_NOERROR) << level;
        EXPECT_TRUE(serverShows(serverValueOf(level))) << "level " << level;
        EXPECT_TRUE(mixerReads(level)) << "level " << level;
    }
}

// Levels computed past either end (a key held at the top or bottom) reach
// the mixer unchanged and end up at full volume or silence, not wrapped.
TEST_F(MixerServer, LevelsBeyondEitherEndAreHeldThere)
{
    EXPECT_EQ(SetVolume(m_mixer, m_control.dwControlID, 65535 + 2730), MMSYSERR_NOERROR);
    EXPECT_TRUE(serverShows(kServerFull));
    EXPECT_EQ(SetVolume(m_mixer, m_control.dwControlID, -2730), MMSYSERR_NOERROR);
    EXPECT_TRUE(serverShows(0));
    EXPECT_EQ(SetVolume(m_mixer, m_control.dwControlID, INT_MAX), MMSYSERR_NOERROR);
    EXPECT_TRUE(serverShows(kServerFull));
    EXPECT_EQ(SetVolume(m_mixer, m_control.dwControlID, INT_MIN), MMSYSERR_NOERROR);
    EXPECT_TRUE(serverShows(0));
}

TEST_F(MixerServer, WhatOthersSetIsWhatWeRead)
{
    setSinkVolumes({QStringLiteral("40000")});
    EXPECT_TRUE(mixerReads(levelOf(40000)));

    setSinkVolumes({QStringLiteral("0")});
    EXPECT_TRUE(mixerReads(0));

    // Boosted past 100 % by another program: our scale ends at full.
    setSinkVolumes({QStringLiteral("150%")});
    EXPECT_TRUE(mixerReads(65535));
}

// An unbalanced pair reads as its louder side; per-channel details give each,
// and setting one value evens them out.
TEST_F(MixerServer, ChannelsReadAsTheLouderAndSetAlike)
{
    if (m_saved.size() != 2)
        GTEST_SKIP() << "the default sink is not stereo";
    setSinkVolumes({QStringLiteral("20000"), QStringLiteral("50000")});
    EXPECT_TRUE(mixerReads(levelOf(50000)));

    MIXERCONTROLDETAILS_UNSIGNED values[2];
    MIXERCONTROLDETAILS details;
    details.dwControlID = m_control.dwControlID;
    details.cChannels = 2;
    details.paDetails = values;
    ASSERT_EQ(mixerGetControlDetails(m_mixer, &details, MIXER_GETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR);
    EXPECT_NEAR(values[0].dwValue, levelOf(20000), 1);
    EXPECT_NEAR(values[1].dwValue, levelOf(50000), 1);

    details.cChannels = 3;
    EXPECT_EQ(mixerGetControlDetails(m_mixer, &details, MIXER_GETCONTROLDETAILSF_VALUE), MMSYSERR_INVALPARAM);

    ASSERT_EQ(SetVolume(m_mixer, m_control.dwControlID, 10000), MMSYSERR_NOERROR);
    EXPECT_TRUE(serverShows(serverValueOf(10000)));
}

TEST_F(MixerServer, ClosedHandleIsRefusedAndReadsAsSilence)
{
    SetVolume(m_mixer, m_control.dwControlID, 30000);
    ASSERT_EQ(mixerClose(m_mixer), MMSYSERR_NOERROR);
    const HMIXER closed = m_mixer;
    m_mixer = nullptr;
    EXPECT_EQ(GetVolume(closed, m_control.dwControlID), 0);
    EXPECT_EQ(SetVolume(closed, m_control.dwControlID, 100), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(mixerClose(closed), MMSYSERR_INVALHANDLE);

    EXPECT_EQ(mixerGetNumDevs(), 1u);
    ASSERT_EQ(mixerOpen(&m_mixer, 0), MMSYSERR_NOERROR);
    EXPECT_TRUE(mixerReads(30000));
}

} // namespace
