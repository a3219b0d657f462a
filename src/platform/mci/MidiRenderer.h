#pragma once

#include <QString>

class QIODevice;

/// Turns a Standard MIDI File into sound, with FluidSynth and a General MIDI
/// soundfont, so that the sequencer device can play it like a wave file.
///
/// GUI thread only (it keeps the windows painted while it renders).
namespace MidiRenderer {

/// The General MIDI soundfont to play with: $KOVAPLEX_SOUNDFONT when it is
/// set (empty: none at all), else the system's default one (Debian's
/// default-GM link, or a known soundfont). Empty when none is installed.
QString soundFont();

/// Renders `midiPath` with `soundFontPath` into `wav` (an open, empty,
/// writable device) as a 16-bit stereo 44.1 kHz RIFF wave, taking at most
/// `timeoutMs`. Returns 0, CannotLoadDriver when the synthesizer library is
/// not installed, InvalidFile when the file is no MIDI file or the soundfont
/// cannot be loaded, DeviceNotReady when it took too long.
int render(const QString &midiPath, const QString &soundFontPath, QIODevice &wav, int timeoutMs);

} // namespace MidiRenderer
