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

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>

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

// Every FluidSynth function the renderer calls. FluidSynth and what it
// brings (JACK, SDL, libinstpatch, readline ...) are loaded only when a MIDI
// file is opened, so no other start pays for them.
#define KOVAPLEX_FLUIDSYNTH_FUNCTIONS(X)                                                                     \
    X(fluid_is_midifile)                                                                                     \
    X(fluid_set_log_function)                                                                                \
    X(new_fluid_settings)                                                                                    \
    X(delete_fluid_settings)                                                                                 \
    X(fluid_settings_setnum)                                                                                 \
    X(fluid_settings_setstr)                                                                                 \
    X(fluid_settings_setint)                                                                                 \
    X(new_fluid_synth)                                                                                       \
    X(delete_fluid_synth)                                                                                    \
    X(fluid_synth_sfload)                                                                                    \
    X(fluid_synth_write_s16)                                                                                 \
    X(new_fluid_player)                                                                                      \
    X(delete_fluid_player)                                                                                   \
    X(fluid_player_add)                                                                                      \
    X(fluid_player_play)                                                                                     \
    X(fluid_player_get_status)                                                                               \
    X(fluid_player_get_total_ticks)                                                                          \
    X(fluid_player_get_current_tick)

struct FluidSynth {
#define KOVAPLEX_DECLARE(name) decltype(&::name) name = nullptr;
    KOVAPLEX_FLUIDSYNTH_FUNCTIONS(KOVAPLEX_DECLARE)
#undef KOVAPLEX_DECLARE
};

/// FluidSynth's functions from the first of `libraries` that loads and has
/// them all; none when no library does. The library stays loaded for the run.
std::optional<FluidSynth> loadFluidSynth(std::initializer_list<const char *> libraries)
{
    for (const char *library : libraries) {
        void *handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            continue;
        FluidSynth api;
        bool complete = true;
#define KOVAPLEX_RESOLVE(name)                                                                               \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(handle, #name));                                   \
    complete = complete && api.name != nullptr;
        KOVAPLEX_FLUIDSYNTH_FUNCTIONS(KOVAPLEX_RESOLVE)
#undef KOVAPLEX_RESOLVE
        if (complete) {
            // Informational chatter stays off the terminal; errors still show.
            for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG})
                api.fluid_set_log_function(level, nullptr, nullptr);
            return api;
        }
        dlclose(handle);
    }
    return std::nullopt;
}

/// The system's FluidSynth, loaded on the first call.
const FluidSynth *systemFluidSynth()
{
    // Debian 12 ships the library as libfluidsynth.so.3; the unversioned
    // name is there when the development package is.
    static const std::optional<FluidSynth> api = loadFluidSynth({"libfluidsynth.so.3", "libfluidsynth.so"});
    return api ? &*api : nullptr;
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
    const FluidSynth *fs = systemFluidSynth();
    if (!fs)
        return MciErr::CannotLoadDriver;
    const QByteArray midi = QFile::encodeName(midiPath);
    if (soundFontPath.isEmpty() || !fs->fluid_is_midifile(midi.constData()))
        return MciErr::InvalidFile;

    std::unique_ptr<fluid_settings_t, decltype(fs->delete_fluid_settings)> settings(
        fs->new_fluid_settings(), fs->delete_fluid_settings);
    if (!settings)
        return MciErr::CannotLoadDriver;
    fs->fluid_settings_setnum(settings.get(), "synth.sample-rate", SampleRate);
    // The song advances with the samples written, not the wall clock, so it
    // renders as fast as the machine allows.
    fs->fluid_settings_setstr(settings.get(), "player.timing-source", "sample");
    fs->fluid_settings_setint(settings.get(), "synth.lock-memory", 0);
    // FluidSynth's default gain leaves a song far quieter than other media;
    // this one still leaves headroom for many voices at once.
    fs->fluid_settings_setnum(settings.get(), "synth.gain", 0.6);
    std::unique_ptr<fluid_synth_t, decltype(fs->delete_fluid_synth)> synth(
        fs->new_fluid_synth(settings.get()), fs->delete_fluid_synth);
    if (!synth)
        return MciErr::CannotLoadDriver;
    if (fs->fluid_synth_sfload(synth.get(), QFile::encodeName(soundFontPath).constData(), 1) == FLUID_FAILED)
        return MciErr::InvalidFile;
    std::unique_ptr<fluid_player_t, decltype(fs->delete_fluid_player)> player(
        fs->new_fluid_player(synth.get()), fs->delete_fluid_player);
    if (!player || fs->fluid_player_add(player.get(), midi.constData()) != FLUID_OK ||
        fs->fluid_player_play(player.get()) != FLUID_OK)
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
        const int totalTicks = fs->fluid_player_get_total_ticks(player.get());
        return fs->fluid_player_get_status(player.get()) != FLUID_PLAYER_PLAYING ||
               (totalTicks > 0 && fs->fluid_player_get_current_tick(player.get()) >= totalTicks);
    };
    int tail = TailFrames;
    while (tail > 0) {
        const int frames = songOver() ? std::min(tail, BlockFrames) : BlockFrames;
        if (songOver())
            tail -= frames;
        if (fs->fluid_synth_write_s16(synth.get(), frames, block.data(), 0, Channels, block.data(), 1,
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
