#include "platform/mci/MidiRenderer.h"

#include "platform/mci/MciNames.h"
#include "platform/media/WaitGuard.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QtEndian>

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace {

constexpr int SampleRate = 44100;
constexpr int Channels = 2;
constexpr int BlockFrames = 4096;
// After the song's last tick the notes ring out this long (the length MCI
// reports is the song's, within a tenth of a second).
constexpr int TailFrames = SampleRate / 10;
// How often the windows are repainted while rendering.
constexpr int PaintEveryMs = 50;

const char *const kKnownSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

/// A RIFF wave header for `dataBytes` of 16-bit stereo samples.
QByteArray waveHeader(quint32 dataBytes)
{
    QByteArray header(44, '\0');
    char *h = header.data();
    const auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, h + at); };
    const auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, h + at); };
    std::memcpy(h, "RIFF", 4);
    put32(4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1); // PCM
    put16(22, Channels);
    put32(24, SampleRate);
    put32(28, SampleRate * Channels * 2);
    put16(32, Channels * 2);
    put16(34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(40, dataBytes);
    return header;
}

struct SettingsDeleter {
    void operator()(fluid_settings_t *s) const { delete_fluid_settings(s); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t *s) const { delete_fluid_synth(s); }
};
struct PlayerDeleter {
    void operator()(fluid_player_t *p) const { delete_fluid_player(p); }
};

void quietLogs()
{
    // Informational chatter stays off the terminal; errors still show.
    static const bool done = [] {
        for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
        return true;
    }();
    (void)done;
}

} // namespace

namespace MidiRenderer {

QString soundFont()
{
    if (qEnvironmentVariableIsSet("KOVAPLEX_SOUNDFONT")) {
        const QString chosen = qEnvironmentVariable("KOVAPLEX_SOUNDFONT");
        return QFileInfo(chosen).isFile() ? chosen : QString();
    }
    for (const char *path : kKnownSoundFonts) {
        if (QFileInfo(QString::fromLatin1(path)).isFile())
            return QString::fromLatin1(path);
    }
    return {};
}

int render(const QString &midiPath, const QString &soundFontPath, QIODevice &wav, int timeoutMs)
{
    quietLogs();
    const QByteArray midi = QFile::encodeName(midiPath);
    if (soundFontPath.isEmpty() || !fluid_is_midifile(midi.constData()))
        return MciErr::InvalidFile;

    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings(new_fluid_settings());
    if (!settings)
        return MciErr::CannotLoadDriver;
    fluid_settings_setnum(settings.get(), "synth.sample-rate", SampleRate);
    // The song advances with the samples written, not the wall clock, so it
    // renders as fast as the machine allows.
    fluid_settings_setstr(settings.get(), "player.timing-source", "sample");
    fluid_settings_setint(settings.get(), "synth.lock-memory", 0);
    // FluidSynth's default gain leaves a song far quieter than other media;
    // this one still leaves headroom for many voices at once.
    fluid_settings_setnum(settings.get(), "synth.gain", 0.6);
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth(new_fluid_synth(settings.get()));
    if (!synth)
        return MciErr::CannotLoadDriver;
    if (fluid_synth_sfload(synth.get(), QFile::encodeName(soundFontPath).constData(), 1) == FLUID_FAILED)
        return MciErr::InvalidFile;
    std::unique_ptr<fluid_player_t, PlayerDeleter> player(new_fluid_player(synth.get()));
    if (!player || fluid_player_add(player.get(), midi.constData()) != FLUID_OK ||
        fluid_player_play(player.get()) != FLUID_OK)
        return MciErr::InvalidFile;

    if (wav.write(waveHeader(0)) != 44)
        return MciErr::CannotLoadDriver;
    const QDeadlineTimer deadline(timeoutMs);
    const WaitGuard guard;
    QElapsedTimer sincePaint;
    sincePaint.start();
    std::array<qint16, BlockFrames * Channels> block{};
    quint64 dataBytes = 0;
    // The player loads the song on its first tick, so its length is known
    // only from then on; it reports "done" only well after the last event.
    const auto songOver = [&] {
        const int totalTicks = fluid_player_get_total_ticks(player.get());
        return fluid_player_get_status(player.get()) != FLUID_PLAYER_PLAYING ||
               (totalTicks > 0 && fluid_player_get_current_tick(player.get()) >= totalTicks);
    };
    int tail = TailFrames;
    while (tail > 0) {
        const int frames = songOver() ? std::min(tail, BlockFrames) : BlockFrames;
        if (songOver())
            tail -= frames;
        if (fluid_synth_write_s16(synth.get(), frames, block.data(), 0, Channels, block.data(), 1,
                                  Channels) != FLUID_OK)
            return MciErr::InvalidFile;
        const auto bytes = static_cast<qint64>(frames) * Channels * 2;
        if (wav.write(reinterpret_cast<const char *>(block.data()), bytes) != bytes)
            return MciErr::CannotLoadDriver;
        dataBytes += bytes;
        // A wave file holds at most 4 GiB.
        if (dataBytes > 0xF0000000u || deadline.hasExpired())
            return MciErr::DeviceNotReady;
        if (sincePaint.elapsed() >= PaintEveryMs && QCoreApplication::instance()) {
            QCoreApplication::processEvents(WaitGuard::flags());
            sincePaint.restart();
        }
    }
    if (!wav.seek(0) || wav.write(waveHeader(static_cast<quint32>(dataBytes))) != 44)
        return MciErr::CannotLoadDriver;
    return 0;
}

} // namespace MidiRenderer
