#include "playback/mVolCtrl.h"

MMRESULT GetVolumeControl(HMIXER hmixer, std::uint32_t componentType, std::uint32_t controlType,
                          MIXERCONTROL &volCtrl)
{
    MIXERLINE line;
    line.dwComponentType = componentType;
    const MMRESULT lineResult = mixerGetLineInfo(hmixer, &line, MIXER_GETLINEINFOF_COMPONENTTYPE);
    if (lineResult != MMSYSERR_NOERROR)
        return lineResult;

    // Query into a scratch record so a failed lookup leaves the caller's as it was.
    MIXERCONTROL found;
    MIXERLINECONTROLS query;
    query.dwLineID = line.dwLineID;
    query.dwControlType = controlType;
    query.cControls = 1;
    query.pamxctrl = &found;
    const MMRESULT result = mixerGetLineControls(hmixer, &query, MIXER_GETLINECONTROLSF_ONEBYTYPE);
    if (result == MMSYSERR_NOERROR)
        volCtrl = found;
    return result;
}

MMRESULT SetVolume(HMIXER hmixer, std::uint32_t controlId, std::int32_t value)
{
    // The mixer takes the bits as they are; it reads a negative level as
    // below silence.
    MIXERCONTROLDETAILS_UNSIGNED detail{static_cast<std::uint32_t>(value)};
    MIXERCONTROLDETAILS details;
    details.dwControlID = controlId;
    details.cChannels = 1;
    details.paDetails = &detail;
    return mixerSetControlDetails(hmixer, &details, MIXER_SETCONTROLDETAILSF_VALUE);
}

std::int32_t GetVolume(HMIXER hmixer, std::uint32_t controlId)
{
    MIXERCONTROLDETAILS_UNSIGNED detail;
    MIXERCONTROLDETAILS details;
    details.dwControlID = controlId;
    details.cChannels = 1;
    details.paDetails = &detail;
    if (mixerGetControlDetails(hmixer, &details, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR)
        return 0;
    return static_cast<std::int32_t>(detail.dwValue);
}

QString MixerErrorText(MMRESULT code)
{
    const char *description = "";
    switch (code) {
    case MMSYSERR_BADDEVICEID: description = "指定されたデバイスIDは無効です。"; break;
    case MMSYSERR_ALLOCATED: description = "指定リソースはすでに割り当て済みです。"; break;
    case MMSYSERR_INVALHANDLE: description = "指定されたハンドルは無効です。"; break;
    case MMSYSERR_NODRIVER: description = "利用可能なミキサーデバイスがありません。"; break;
    // Deliberately ends in the half-width full stop (U+FF61), unlike the others.
    case MMSYSERR_NOMEM: description = "リソースを割り当てることはできません｡"; break;
    case MMSYSERR_INVALFLAG: description = "1つ以上の無効なフラグがあります。"; break;
    case MMSYSERR_INVALPARAM: description = "1つ以上の無効なパラメータがあります。"; break;
    default: break;
    }
    return QStringLiteral("[") + QString::number(code) + QStringLiteral("] ") +
           QString::fromUtf8(description);
}
