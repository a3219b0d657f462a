#pragma once

#include "platform/mixer/Mixer.h"

/// Shows MixerErrorText(code) in a modal system box with the warning icon, one
/// OK button and the application's title. Does nothing for 0.
void ShowMixerError(MMRESULT code);
