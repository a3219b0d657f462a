#include "platform/mci/MidiRenderer.h"

#include "platform/mci/MciNames.h"
#include "platform/media/WaitGuard.h"
#include "util/RuntimeLibrary.h"

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
    for (const char *name : libraries) {
        RuntimeLibrary library(name);
        FluidSynth api;
#define KOVAPLEX_RESOLVE(name) library.resolve(#name, api.name);
        KOVAPLEX_FLUIDSYNTH_FUNCTIONS(KOVAPLEX_RESOLVE)
#undef KOVAPLEX_RESOLVE
        if (!library.isComplete()) {
            library.close();
            continue;
        }
        // Informational chatter stays off the terminal; errors still show.
        for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG})
            api.fluid_set_log_function(level, nullptr, nullptr);
        return api;
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

/// One song played by a synthesizer of its own, written out as samples.
class Song {
public:
    explicit Song(const FluidSynth &fs)
        : m_fs(fs)
        , m_settings(nullptr, fs.delete_fluid_settings)
        , m_synth(nullptr, fs.delete_fluid_synth)
        , m_player(nullptr, fs.delete_fluid_player)
    {}

    /// Sets up the synthesizer with `soundFontPath` and starts `midi` on it;
    /// 0 or an MCI error number.
    int open(const QByteArray &midi, const QString &soundFontPath)
    {
        m_settings.reset(m_fs.new_fluid_settings());
        if (!m_settings)
            return MciErr::CannotLoadDriver;
        fluid_settings_t *settings = m_settings.get();
        m_fs.fluid_settings_setnum(settings, "synth.sample-rate", SampleRate);
        // The song advances with the samples written, not the wall clock, so
        // it renders as fast as the machine allows.
        m_fs.fluid_settings_setstr(settings, "player.timing-source", "sample");
        m_fs.fluid_settings_setint(settings, "synth.lock-memory", 0);
        // FluidSynth's default gain leaves a song far quieter than other
        // media; this one still leaves headroom for many voices at once.
        m_fs.fluid_settings_setnum(settings, "synth.gain", 0.6);
        m_synth.reset(m_fs.new_fluid_synth(settings));
        if (!m_synth)
            return MciErr::CannotLoadDriver;
        if (m_fs.fluid_synth_sfload(m_synth.get(), QFile::encodeName(soundFontPath).constData(), 1) ==
            FLUID_FAILED)
            return MciErr::InvalidFile;
        m_player.reset(m_fs.new_fluid_player(m_synth.get()));
        if (!m_player || m_fs.fluid_player_add(m_player.get(), midi.constData()) != FLUID_OK ||
            m_fs.fluid_player_play(m_player.get()) != FLUID_OK)
            return MciErr::InvalidFile;
        return 0;
    }

    /// Writes the song's samples, and its ringing tail, to `wav` within
    /// `timeoutMs`, keeping the windows painted; counts them in `dataBytes`.
    int writeSamples(QIODevice &wav, int timeoutMs, quint64 &dataBytes)
    {
        const QDeadlineTimer deadline(timeoutMs);
        const WaitGuard guard;
        QElapsedTimer sincePaint;
        sincePaint.start();
        std::array<qint16, BlockFrames * Channels> block{};
        int tail = TailFrames;
        while (tail > 0) {
            const int frames = over() ? std::min(tail, BlockFrames) : BlockFrames;
            if (over())
                tail -= frames;
            if (m_fs.fluid_synth_write_s16(m_synth.get(), frames, block.data(), 0, Channels, block.data(), 1,
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
        return 0;
    }

private:
    /// The player loads the song on its first tick, so its length is known
    /// only from then on; it reports "done" only well after the last event.
    bool over() const
    {
        const int totalTicks = m_fs.fluid_player_get_total_ticks(m_player.get());
        return m_fs.fluid_player_get_status(m_player.get()) != FLUID_PLAYER_PLAYING ||
               (totalTicks > 0 && m_fs.fluid_player_get_current_tick(m_player.get()) >= totalTicks);
    }

    const FluidSynth &m_fs;
    std::unique_ptr<fluid_settings_t, decltype(FluidSynth::delete_fluid_settings)> m_settings;
    std::unique_ptr<fluid_synth_t, decltype(FluidSynth::delete_fluid_synth)> m_synth;
    std::unique_ptr<fluid_player_t, decltype(FluidSynth::delete_fluid_player)> m_player;
};

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
    Song song(*fs);
    if (const int error = song.open(midi, soundFontPath))
        return error;
    if (wav.write(waveHeader(0)) != 44)
        return MciErr::CannotLoadDriver;
    quint64 dataBytes = 0;
    if (const int error = song.writeSamples(wav, timeoutMs, dataBytes))
        return error;
    if (!wav.seek(0) || wav.write(waveHeader(static_cast<quint32>(dataBytes))) != 44)
        return MciErr::CannotLoadDriver;
    return 0;
}

} // namespace MidiRenderer
