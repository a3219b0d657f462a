#include "platform/mixer/Mixer.h"
#include "playback/mVolCtrl.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("asound.conf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size())
        return QStringLiteral("cannot write the configuration");
    file.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kProbeVariable), QStringLiteral("1"));
    env.insert(QStringLiteral("ALSA_CONFIG_PATH"), path);
    // And no sound server either, should the plugin look for one.
    env.insert(QStringLiteral("PULSE_SERVER"), dir.filePath(QStringLiteral("no-server")));
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.start(QCoreApplication::applicationFilePath(), {});
    if (!probe.waitForFinished(30000))
        return QStringLiteral("probe did not finish");
    return QString::fromUtf8(probe.readAllStandardOutput());
}

const QString kNoDevice = QStringLiteral("open=6\n"
                                         "lookup=5\n"
                                         "volume=0\n"
                                         "devices=0\n"
                                         "text=[6] 利用可能なミキサーデバイスがありません。\n");

TEST(NoMixerDevice, NoSoundCardGivesNoDriver)
{
    EXPECT_EQ(probeWith("ctl.!default { type hw card \"kovaplex_no_such_card\" }\n"), kNoDevice);
}

TEST(NoMixerDevice, SoundServerNotRunningGivesNoDriver)
{
    EXPECT_EQ(probeWith("ctl.!default { type pulse }\n"), kNoDevice);
}

TEST(NoMixerDevice, NoDefaultDeviceAtAllGivesNoDriver)
{
    EXPECT_EQ(probeWith("# nothing configured\n"), kNoDevice);
}

} // namespace
