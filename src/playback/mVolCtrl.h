#pragma once

#include "platform/mixer/Mixer.h"

#include <QString>

#include <cstdint>

/// The system volume as the player's volume bar and keys use it: stateless
/// routines over an open mixer handle. The window opens the mixer once
/// (`mixerOpen(&hMixer, 0)`), reports a failed open with ShowMixerError (dialogs/MixerErrorBox.h), finds
/// the speakers' volume fader with GetVolumeControl and from then on reads and
/// sets it by `MIXERCONTROL::dwControlID`. Values are 0 (silent) to 65535
/// (full). GUI thread only.

/// Finds the control of type `controlType` on the line of component type
/// `componentType` (normally MIXERLINE_COMPONENTTYPE_DST_SPEAKERS and
/// MIXERCONTROL_CONTROLTYPE_VOLUME) and copies it into `volCtrl`. Returns the
/// mixer's result code; on failure `volCtrl` is left as it was.
MMRESULT GetVolumeControl(HMIXER hmixer, std::uint32_t componentType, std::uint32_t controlType,
                          MIXERCONTROL &volCtrl);

/// Sets the control to `value` on all channels and returns the mixer's result
/// code. The value is passed on as the caller computed it; the mixer itself
/// holds values below 0 at 0 and above 65535 at 65535.
MMRESULT SetVolume(HMIXER hmixer, std::uint32_t controlId, std::int32_t value);

/// The control's current value, 0 to 65535; 0 when the mixer call fails
/// (closed or null handle, unknown control, device gone).
std::int32_t GetVolume(HMIXER hmixer, std::uint32_t controlId);

/// The text of the mixer error box: "[", the code in decimal, "] " and the
/// code's description (nothing after the blank for codes without one).
QString MixerErrorText(MMRESULT code);
