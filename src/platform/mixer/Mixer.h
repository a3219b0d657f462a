#pragma once

#include <QString>

#include <cstdint>
#include <functional>

/// The audio mixer: the system's output volume as a small set of lines and
/// controls, built on ALSA's simple mixer of the default control device.
///
/// The default device reaches a plain sound card as well as a PulseAudio or
/// PipeWire server (through their ALSA plugins), so this one path covers the
/// desktops we run on. The model is deliberately small: mixer device 0 is the
/// default device; it has one destination line, the speakers, whose one
/// control is a volume fader on the device's master playback volume
/// ("Master", else "PCM", else the first element with a playback volume).
///
/// Every call reports through its result code and never throws. All calls
/// belong to the GUI thread; handles are not shared between threads.
///
/// A handle opened with a callback is told when its control changed, here or
/// elsewhere on the desktop, from the device's own change events: nobody has
/// to read the volume over and over to see a change.

/// Result codes of the mixer calls (the multimedia system error numbers).
using MMRESULT = std::uint32_t;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;       ///< unspecified failure of the device
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2; ///< no mixer device with that number
constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;   ///< the device is held by someone else
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5; ///< not a handle from mixerOpen, or closed
constexpr MMRESULT MMSYSERR_NODRIVER = 6;    ///< no usable mixer device on this system
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_BADERRNUM = 9;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;    ///< a flag the call does not know
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;   ///< a null or malformed argument
constexpr MMRESULT MIXERR_INVALLINE = 1024;    ///< no such line
constexpr MMRESULT MIXERR_INVALCONTROL = 1025; ///< no such control (or it went away)
constexpr MMRESULT MIXERR_INVALVALUE = 1026;

/// Line component types.
constexpr std::uint32_t MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;

/// MIXERLINE::fdwLine: the line carries sound now.
constexpr std::uint32_t MIXERLINE_LINEF_ACTIVE = 0x1;

/// MIXERCONTROL::fdwControl: all channels share one value.
constexpr std::uint32_t MIXERCONTROL_CONTROLF_UNIFORM = 0x1;

/// Control types.
constexpr std::uint32_t MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;

/// How mixerGetLineInfo picks the line.
constexpr std::uint32_t MIXER_GETLINEINFOF_DESTINATION = 0x0;   ///< by MIXERLINE::dwDestination
constexpr std::uint32_t MIXER_GETLINEINFOF_SOURCE = 0x1;        ///< by dwDestination and dwSource
constexpr std::uint32_t MIXER_GETLINEINFOF_LINEID = 0x2;        ///< by MIXERLINE::dwLineID
constexpr std::uint32_t MIXER_GETLINEINFOF_COMPONENTTYPE = 0x3; ///< by MIXERLINE::dwComponentType
constexpr std::uint32_t MIXER_GETLINEINFOF_TARGETTYPE = 0x4;    ///< by the wave device behind the line

/// How mixerGetLineControls picks the controls.
constexpr std::uint32_t MIXER_GETLINECONTROLSF_ALL = 0x0;       ///< all controls of the line
constexpr std::uint32_t MIXER_GETLINECONTROLSF_ONEBYID = 0x1;   ///< by MIXERLINECONTROLS::dwControlID
constexpr std::uint32_t MIXER_GETLINECONTROLSF_ONEBYTYPE = 0x2; ///< by MIXERLINECONTROLS::dwControlType

/// Flags of mixerGetControlDetails / mixerSetControlDetails.
constexpr std::uint32_t MIXER_GETCONTROLDETAILSF_VALUE = 0x0;
constexpr std::uint32_t MIXER_SETCONTROLDETAILSF_VALUE = 0x0;

/// Scale of every volume value: 0 is silence, 65535 full volume.
constexpr std::uint32_t MIXER_VOLUME_MAX = 65535;

/// An open mixer device (opaque).
struct MixerDevice;
using HMIXER = MixerDevice *;

/// One line of a mixer device.
struct MIXERLINE {
    std::uint32_t dwDestination = 0; ///< index of the destination line
    std::uint32_t dwSource = 0;
    std::uint32_t dwLineID = 0;
    std::uint32_t fdwLine = 0;
    std::uint32_t dwComponentType = 0; ///< MIXERLINE_COMPONENTTYPE_*
    std::uint32_t cChannels = 0;
    std::uint32_t cConnections = 0; ///< source lines feeding this destination
    std::uint32_t cControls = 0;
    QString szShortName;
    QString szName;
};

/// One control of a line.
struct MIXERCONTROL {
    std::uint32_t dwControlID = 0;   ///< identifier for the control-details calls; never 0
    std::uint32_t dwControlType = 0; ///< MIXERCONTROL_CONTROLTYPE_*
    std::uint32_t fdwControl = 0;
    std::uint32_t cMultipleItems = 0;
    QString szShortName;
    QString szName;
    std::uint32_t dwMinimum = 0; ///< bounds of the value the control takes
    std::uint32_t dwMaximum = 0;
    std::uint32_t cSteps = 0; ///< distinct settings the device really has
};

/// Query of mixerGetLineControls. `pamxctrl` points at `cControls` records
/// the call fills.
struct MIXERLINECONTROLS {
    std::uint32_t dwLineID = 0;
    std::uint32_t dwControlID = 0;   ///< with MIXER_GETLINECONTROLSF_ONEBYID
    std::uint32_t dwControlType = 0; ///< with MIXER_GETLINECONTROLSF_ONEBYTYPE
    std::uint32_t cControls = 0;
    MIXERCONTROL *pamxctrl = nullptr;
};

/// One channel's value of a fader control.
struct MIXERCONTROLDETAILS_UNSIGNED {
    std::uint32_t dwValue = 0;
};

/// Query of the control-details calls: `cChannels` values at `paDetails`.
/// One channel means "all channels alike" (the loudest one when reading).
struct MIXERCONTROLDETAILS {
    std::uint32_t dwControlID = 0;
    std::uint32_t cChannels = 1;
    std::uint32_t cMultipleItems = 0;
    MIXERCONTROLDETAILS_UNSIGNED *paDetails = nullptr;
};

/// mixerOpen's `fdwOpen` when a callback is given.
constexpr std::uint32_t CALLBACK_FUNCTION = 0x00030000;

/// Called with the handle and the control identifier when that control may
/// have changed. It runs from the event loop of the thread that opened the
/// handle (never inside a mixer call), so it may call the mixer.
using MixerCallback = std::function<void(HMIXER hmx, std::uint32_t controlId)>;

/// Number of mixer devices: 1 when the default device can be opened, else 0.
std::uint32_t mixerGetNumDevs();

/// Opens mixer device `uMxId` (only 0, the default device) into `*phmx`.
/// `fdwOpen` must be 0 (no callback: see the overload below). On failure `*phmx` is null and
/// the code says why: MMSYSERR_BADDEVICEID for another number,
/// MMSYSERR_NODRIVER when the default device cannot be opened or has no
/// playback volume, MMSYSERR_NOMEM, MMSYSERR_INVALFLAG, MMSYSERR_INVALPARAM.
MMRESULT mixerOpen(HMIXER *phmx, std::uint32_t uMxId, std::uint32_t fdwOpen = 0);

/// mixerOpen with `fdwOpen` CALLBACK_FUNCTION: `callback` (not empty) is
/// called whenever the device reports a change of its volume. A device that
/// goes away is watched again once a read has reopened it. Without a running
/// Qt application no change is reported. MMSYSERR_INVALFLAG for another flag,
/// MMSYSERR_INVALPARAM for an empty callback; otherwise as mixerOpen. With
/// `fdwOpen` 0 the callback is not used.
MMRESULT mixerOpen(HMIXER *phmx, std::uint32_t uMxId, MixerCallback callback, std::uint32_t fdwOpen);

/// Closes a handle from mixerOpen; afterwards the handle is invalid.
MMRESULT mixerClose(HMIXER hmx);

/// Fills `*pmxl` with the line chosen by `fdwInfo` (see MIXER_GETLINEINFOF_*)
/// from the matching field of `*pmxl`. MIXERR_INVALLINE when there is none.
MMRESULT mixerGetLineInfo(HMIXER hmx, MIXERLINE *pmxl, std::uint32_t fdwInfo);

/// Fills `pmxlc->pamxctrl` with the controls of line `pmxlc->dwLineID`
/// chosen by `fdwControls` (see MIXER_GETLINECONTROLSF_*). One-control
/// queries need `cControls` 1; "all" needs it equal to the line's count.
MMRESULT mixerGetLineControls(HMIXER hmx, MIXERLINECONTROLS *pmxlc, std::uint32_t fdwControls);

/// Reads the current value of a control, 0 to 65535, as it stands on the
/// device now (changes made by other programs included).
MMRESULT mixerGetControlDetails(HMIXER hmx, MIXERCONTROLDETAILS *pmxcd, std::uint32_t fdwDetails);

/// Sets a control. Values map linearly onto the device's own range; a value
/// above 65535 counts as 65535, and one with the top bit set (a negative
/// number in a caller's signed arithmetic) counts as 0. With one channel all
/// channels are set alike.
MMRESULT mixerSetControlDetails(HMIXER hmx, MIXERCONTROLDETAILS *pmxcd, std::uint32_t fdwDetails);
