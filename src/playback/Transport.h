#pragma once

#include <functional>
#include <optional>

/// The transport actions (the panel's transport buttons, their keys and the
/// desktop's media controls), valued by the button's index on the panel
/// (BtState(0..7)); the buttons' places on the panel follow another order.
enum class Transport {
    FastBackward = 0,
    Play = 1,
    StepBack = 2,
    Pause = 3,
    StepForward = 4,
    Stop = 5,
    BackPlay = 6,
    FastForward = 7,
};

constexpr int TransportCount = 8;

constexpr int transportIndex(Transport action)
{
    return static_cast<int>(action);
}

/// One frame at 29.97 frames per second, whatever the media's own rate: the
/// step of StepBack and StepForward, seconds.
constexpr double FrameStepSeconds = 1 / 29.97;

/// The speed after one FastForward on a file that cannot scan: 1, 2, 4, 8
/// and 16 double; every other speed (32, 1.5, 0) stays. `readRate` is asked
/// afresh before each comparison, from 16 down, and the first exact match
/// wins; nullopt when nothing matched.
std::optional<double> nextScanSpeed(const std::function<double()> &readRate);

/// Whether Pause pauses (true) or plays (false) in play state `state`
/// (MediaPlayState): on MCI only a file that is neither stopped nor paused
/// pauses, so a stopped file starts; on the control only a paused file
/// plays, so a stopped one is sent a pause.
bool pauseTogglePauses(bool onMci, int state);
