#include "platform/mixer/Mixer.h"
#include "playback/mVolCtrl.h"

#include <gtest/gtest.h>

// What the mixer refuses before it ever talks to a device, so these hold on
// any machine, with or without sound.
namespace {

TEST(MixerArguments, OpenRefusesOtherDevicesFlagsAndNoOutHandle)
{
    HMIXER handle = reinterpret_cast<HMIXER>(0x1234);
    EXPECT_EQ(mixerOpen(&handle, 1), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(mixerOpen(&handle, 0, 0x00010000), MMSYSERR_INVALFLAG);
    EXPECT_EQ(mixerOpen(nullptr, 0), MMSYSERR_INVALPARAM);
    // A callback asked for must be given.
    EXPECT_EQ(mixerOpen(&handle, 0, CALLBACK_FUNCTION), MMSYSERR_INVALPARAM);
    EXPECT_EQ(mixerOpen(&handle, 0, MixerCallback(), CALLBACK_FUNCTION), MMSYSERR_INVALPARAM);
    EXPECT_EQ(mixerOpen(
                  &handle, 0, [](HMIXER, std::uint32_t) {}, 0x00010000),
              MMSYSERR_INVALFLAG);
    EXPECT_EQ(handle, nullptr);
}

// The window keeps a null handle when the open failed, and goes on calling
// the volume routines from its timer: every call must fail without touching
// memory, reads must give silence.
TEST(MixerArguments, NullAndForeignHandlesAreRefusedAndReadAsSilence)
{
    int notAMixer = 0;
    for (HMIXER handle : {HMIXER(nullptr), reinterpret_cast<HMIXER>(&notAMixer)}) {
        MIXERCONTROL control;
        control.dwControlID = 77;
        EXPECT_EQ(GetVolumeControl(handle, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                                   MIXERCONTROL_CONTROLTYPE_VOLUME, control),
                  MMSYSERR_INVALHANDLE);
        EXPECT_EQ(control.dwControlID, 77u) << "a failed lookup leaves the record alone";
        EXPECT_EQ(SetVolume(handle, 1, 30000), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(GetVolume(handle, 1), 0);
        EXPECT_EQ(mixerClose(handle), MMSYSERR_INVALHANDLE);
    }
}

} // namespace
