#include "platform/mixer/Mixer.h"
#include "playback/mVolCtrl.h"

#include "SoundServer.h"
#include "TestSupport.h"

#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The window opens the mixer once and keeps the handle for its whole life;
// a sound server that restarts under it (an update, a crash) must not leave
// the volume dead until the player is restarted.
TEST(MixerServerRestart, VolumeComesBackWhenTheSoundServerReturns)
{
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER") || QStandardPaths::findExecutable("pulseaudio").isEmpty())
        GTEST_SKIP() << "needs the sound server setup of scripts/test-env.sh";
    QTemporaryDir dir;
    PrivateSoundServer server(dir.path());
    ASSERT_TRUE(server.start());
    const QByteArray sharedServer = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", server.address().toUtf8());
    const auto restoreServer = qScopeGuard([&] { qputenv("PULSE_SERVER", sharedServer); });

    HMIXER mixer = nullptr;
    int heard = -1;
    const auto callback = [&](HMIXER hmx, std::uint32_t controlId) { heard = GetVolume(hmx, controlId); };
    ASSERT_EQ(mixerOpen(&mixer, 0, callback, CALLBACK_FUNCTION), MMSYSERR_NOERROR);
    const auto closeMixer = qScopeGuard([&] { mixerClose(mixer); });
    MIXERCONTROL control;
    ASSERT_EQ(GetVolumeControl(mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERCONTROL_CONTROLTYPE_VOLUME,
                               control),
              MMSYSERR_NOERROR);
    ASSERT_EQ(SetVolume(mixer, control.dwControlID, 20000), MMSYSERR_NOERROR);
    EXPECT_NEAR(sinkVolumes(server.address()).at(0), serverValueOf(20000), 1);

    server.stop();
    EXPECT_TRUE(waitUntil([&] { return GetVolume(mixer, control.dwControlID) == 0; }, 10000))
        << "a server that is gone reads as silence";
    EXPECT_NE(SetVolume(mixer, control.dwControlID, 30000), MMSYSERR_NOERROR);

    ASSERT_TRUE(server.start());
    setSinkVolumes({QStringLiteral("40000")}, server.address());
    EXPECT_TRUE(waitUntil(
        [&] { return std::abs(GetVolume(mixer, control.dwControlID) - levelOf(40000)) <= 1; }, 15000));
    EXPECT_EQ(SetVolume(mixer, control.dwControlID, 10000), MMSYSERR_NOERROR);
    EXPECT_NEAR(sinkVolumes(server.address()).at(0), serverValueOf(10000), 1);

    // The reopened device is watched: a change made elsewhere is heard
    // without anybody reading.
    setSinkVolumes({QStringLiteral("50000")}, server.address());
    EXPECT_TRUE(waitUntil([&] { return std::abs(heard - levelOf(50000)) <= 1; }, 5000)) << heard;
}

} // namespace
