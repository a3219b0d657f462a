#include "platform/mixer/Mixer.h"
#include "playback/mVolCtrl.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// A machine without a usable mixer, made reliably: this same executable is
// started again with an ALSA configuration of our own and nothing else (no
// system files, so no hook can route the default device to a running sound
// server), and before any test runs it opens the mixer the way the player
// does at start, prints what it got and exits.
namespace {

const char *const kProbeVariable = "KOVAPLEX_MIXER_PROBE";

[[maybe_unused]] const bool kProbed = [] {
    if (qEnvironmentVariableIsEmpty(kProbeVariable))
        return false;
    HMIXER mixer = nullptr;
    const MMRESULT code = mixerOpen(&mixer, 0);
    MIXERCONTROL control;
    const MMRESULT lookup = GetVolumeControl(mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                                             MIXERCONTROL_CONTROLTYPE_VOLUME, control);
    std::printf("open=%u\nlookup=%u\nvolume=%d\ndevices=%u\ntext=%s\n", code, lookup,
                GetVolume(mixer, control.dwControlID), mixerGetNumDevs(),
                MixerErrorText(code).toUtf8().constData());
    std::fflush(stdout);
    std::_Exit(0);
}();

/// Runs the probe under an ALSA configuration that holds only `config`.
QString probeWith(const QByteArray &config)
{
    return runProbeWithoutSound(kProbeVariable, config, 30000)
        .value_or(QStringLiteral("probe could not run or did not finish"));
}

const QString kNoDevice = QStringLiteral("open=6\n"
                                         "lookup=5\n"
                                         "volume=0\n"
                                         "devices=0\n"
                                         "text=[6] 利用可能なミキサーデバイスがありません。\n");

TEST(NoMixerDevice, EveryWayOfHavingNoMixerGivesNoDriver)
{
    const struct {
        const char *why;
        const char *config;
    } cases[] = {
        {"no sound card", "ctl.!default { type hw card \"kovaplex_no_such_card\" }\n"},
        {"sound server not running", "ctl.!default { type pulse }\n"},
        {"no default device at all", "# nothing configured\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(probeWith(c.config), kNoDevice) << c.why;
}

} // namespace
