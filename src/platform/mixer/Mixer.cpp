#include "platform/mixer/Mixer.h"

#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

struct MixerDevice {
    snd_mixer_t *mixer = nullptr; ///< null after the device went away and could not be reopened
    std::chrono::steady_clock::time_point lastReopen;
    /// Tells of changes; empty when the handle was opened without one.
    MixerCallback callback;
    /// Owns the notifiers on the device's descriptors while `callback` is set
    /// and the device answers.
    std::unique_ptr<QObject> watch;
    /// Set while a call of `callback` waits in the event loop.
    bool callbackQueued = false;
    /// Tells this handle from a later one at the same address.
    std::uint64_t serial = 0;
};

namespace {

constexpr const char *kDefaultCtl = "default";

// The one destination line and its one control. The control's identifier is
// never 0, so a zero-filled record left by a failed lookup names no control.
constexpr std::uint32_t kSpeakersLineId = 0xFFFF0000;
constexpr std::uint32_t kVolumeControlId = 1;

// Handles the caller holds; a handle not in here (never opened, closed, or
// garbage) is refused instead of being dereferenced.
std::set<MixerDevice *> &openHandles()
{
    static std::set<MixerDevice *> handles;
    return handles;
}

bool isOpen(HMIXER hmx)
{
    return hmx && openHandles().count(hmx) != 0;
}

/// An ALSA error while talking to an open device, as a mixer result code.
MMRESULT resultFromAlsa(int err)
{
    switch (-err) {
    case 0: return MMSYSERR_NOERROR;
    case ENOMEM: return MMSYSERR_NOMEM;
    case EBUSY: return MMSYSERR_ALLOCATED;
    case EINVAL: return MMSYSERR_INVALPARAM;
    // The card was unplugged or the sound server went away.
    case ENODEV:
    case ENXIO:
    case ENOENT:
    case EBADFD:
    case EPIPE:
    case ECONNREFUSED:
    case ECONNRESET:
    case ENOTCONN: return MMSYSERR_NODRIVER;
    default: return MMSYSERR_ERROR;
    }
}

/// An ALSA error while opening the default device. Whatever keeps it from
/// opening (no card, no configuration, no server), there is no usable mixer.
MMRESULT openResultFromAlsa(int err)
{
    switch (-err) {
    case ENOMEM: return MMSYSERR_NOMEM;
    case EBUSY: return MMSYSERR_ALLOCATED;
    default: return MMSYSERR_NODRIVER;
    }
}

bool isPlaybackVolume(snd_mixer_elem_t *elem)
{
    return snd_mixer_selem_is_active(elem) && snd_mixer_selem_has_playback_volume(elem);
}

/// The element that stands for the speakers' volume: "Master", else "PCM",
/// else the first element with a playback volume. Looked up afresh on every
/// call, since elements come and go with the device (a sound server restart
/// replaces them all) and an old pointer would dangle.
snd_mixer_elem_t *volumeElement(snd_mixer_t *mixer)
{
    for (const char *name : {"Master", "PCM"}) {
        for (snd_mixer_elem_t *e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e)) {
            if (snd_mixer_selem_get_index(e) == 0 && std::strcmp(snd_mixer_selem_get_name(e), name) == 0 &&
                isPlaybackVolume(e))
                return e;
        }
    }
    for (snd_mixer_elem_t *e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e)) {
        if (isPlaybackVolume(e))
            return e;
    }
    return nullptr;
}

/// Opens the default control device with its simple elements, or says why
/// it cannot be used.
MMRESULT openDefault(snd_mixer_t **out)
{
    *out = nullptr;
    snd_mixer_t *mixer = nullptr;
    int err = snd_mixer_open(&mixer, 0);
    if (err < 0)
        return openResultFromAlsa(err);
    err = snd_mixer_attach(mixer, kDefaultCtl);
    if (err >= 0)
        err = snd_mixer_selem_register(mixer, nullptr, nullptr);
    if (err >= 0)
        err = snd_mixer_load(mixer);
    if (err < 0) {
        snd_mixer_close(mixer);
        return openResultFromAlsa(err);
    }
    // A control device without any playback volume (a capture-only card as
    // the default) offers nothing this mixer could set.
    if (!volumeElement(mixer)) {
        snd_mixer_close(mixer);
        return MMSYSERR_NODRIVER;
    }
    *out = mixer;
    return MMSYSERR_NOERROR;
}

/// Calls the handle's callback from the event loop, once for any number of
/// changes meanwhile. Never directly: the callback may read the volume, and a
/// read may replace the device and with it the notifier that saw the change.
void queueCallback(HMIXER hmx)
{
    if (hmx->callbackQueued)
        return;
    hmx->callbackQueued = true;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [hmx, serial = hmx->serial] {
            if (!isOpen(hmx) || hmx->serial != serial)
                return;
            hmx->callbackQueued = false;
            hmx->callback(hmx, kVolumeControlId);
        },
        Qt::QueuedConnection);
}

/// Takes what the device reported, so its descriptors stop being readable,
/// and tells the callback. A device that failed is no longer watched (its
/// descriptors could stay readable for ever); the read the callback makes
/// reopens it.
void takeEvents(HMIXER hmx)
{
    if (snd_mixer_handle_events(hmx->mixer) < 0) {
        for (QSocketNotifier *notifier : hmx->watch->findChildren<QSocketNotifier *>())
            notifier->setEnabled(false);
    }
    queueCallback(hmx);
}

/// Watches the device's descriptors for changes, when the handle has a
/// callback. Replaces an earlier watch: call it with each new device.
void watch(HMIXER hmx)
{
    hmx->watch.reset();
    if (!hmx->callback || !hmx->mixer || !QCoreApplication::instance())
        return;
    const int count = snd_mixer_poll_descriptors_count(hmx->mixer);
    if (count <= 0)
        return;
    std::vector<pollfd> descriptors(static_cast<std::size_t>(count));
    const int filled =
        snd_mixer_poll_descriptors(hmx->mixer, descriptors.data(), static_cast<unsigned>(count));
    auto watching = std::make_unique<QObject>();
    for (int i = 0; i < filled; ++i) {
        const pollfd &descriptor = descriptors[static_cast<std::size_t>(i)];
        const auto type = (descriptor.events & POLLIN) || !(descriptor.events & POLLOUT)
                              ? QSocketNotifier::Read
                              : QSocketNotifier::Write;
        auto *notifier = new QSocketNotifier(descriptor.fd, type, watching.get());
        QObject::connect(notifier, &QSocketNotifier::activated, watching.get(), [hmx] { takeEvents(hmx); });
    }
    hmx->watch = std::move(watching);
}

/// Closes the device, its watch first: a notifier left on a closed
/// descriptor would fire for whatever reuses its number.
void closeDevice(HMIXER hmx)
{
    hmx->watch.reset();
    if (hmx->mixer)
        snd_mixer_close(hmx->mixer);
    hmx->mixer = nullptr;
}

/// Replaces a device that stopped answering. A sound server restart (a
/// desktop update, a crash) ends our connection for good, while the handle
/// lives as long as the window; without this the volume would stay dead
/// until the player restarts. Tried at most once a second, so a long absence
/// costs the status timer next to nothing.
MMRESULT reopen(HMIXER hmx)
{
    const auto now = std::chrono::steady_clock::now();
    if (now - hmx->lastReopen < std::chrono::seconds(1))
        return MMSYSERR_NODRIVER;
    hmx->lastReopen = now;
    closeDevice(hmx);
    const MMRESULT rc = openDefault(&hmx->mixer);
    watch(hmx);
    return rc;
}

/// Brings the cached values up to date with changes made elsewhere (other
/// programs, the sound server) and finds the volume element. The control is
/// opened non-blocking, so this only reads what is already pending.
MMRESULT refresh(HMIXER hmx, snd_mixer_elem_t **elem)
{
    *elem = nullptr;
    if (!isOpen(hmx))
        return MMSYSERR_INVALHANDLE;
    if (hmx->mixer && snd_mixer_handle_events(hmx->mixer) >= 0)
        *elem = volumeElement(hmx->mixer);
    if (!*elem) {
        if (const MMRESULT rc = reopen(hmx); rc != MMSYSERR_NOERROR)
            return rc;
        *elem = volumeElement(hmx->mixer);
    }
    return *elem ? MMSYSERR_NOERROR : MIXERR_INVALCONTROL;
}

std::vector<snd_mixer_selem_channel_id_t> playbackChannels(snd_mixer_elem_t *elem)
{
    if (snd_mixer_selem_is_playback_mono(elem))
        return {SND_MIXER_SCHN_MONO};
    std::vector<snd_mixer_selem_channel_id_t> channels;
    for (int c = SND_MIXER_SCHN_FRONT_LEFT; c <= SND_MIXER_SCHN_LAST; ++c) {
        const auto channel = static_cast<snd_mixer_selem_channel_id_t>(c);
        if (snd_mixer_selem_has_playback_channel(elem, channel))
            channels.push_back(channel);
    }
    return channels;
}

/// 0..65535 onto the element's own range. The callers do signed arithmetic
/// on the level, so a value with the top bit set is a negative number that
/// went below silence, not a huge one.
long toDevice(std::uint32_t value, long min, long max)
{
    const std::int64_t signedValue = static_cast<std::int32_t>(value);
    const std::int64_t clamped = std::clamp<std::int64_t>(signedValue, 0, MIXER_VOLUME_MAX);
    return min + std::lround(double(clamped) * double(max - min) / MIXER_VOLUME_MAX);
}

std::uint32_t fromDevice(long value, long min, long max)
{
    if (max <= min)
        return 0;
    const long clamped = std::clamp(value, min, max);
    return static_cast<std::uint32_t>(
        std::lround(double(clamped - min) * MIXER_VOLUME_MAX / double(max - min)));
}

void fillLine(snd_mixer_elem_t *elem, MIXERLINE *pmxl)
{
    pmxl->dwDestination = 0;
    pmxl->dwSource = 0;
    pmxl->dwLineID = kSpeakersLineId;
    pmxl->fdwLine = MIXERLINE_LINEF_ACTIVE;
    pmxl->dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    pmxl->cChannels = static_cast<std::uint32_t>(playbackChannels(elem).size());
    pmxl->cConnections = 0;
    pmxl->cControls = 1;
    pmxl->szShortName = QString::fromUtf8(snd_mixer_selem_get_name(elem));
    pmxl->szName = pmxl->szShortName;
}

void fillVolumeControl(snd_mixer_elem_t *elem, MIXERCONTROL *ctrl)
{
    long min = 0;
    long max = 0;
    snd_mixer_selem_get_playback_volume_range(elem, &min, &max);
    const QString name = QString::fromUtf8(snd_mixer_selem_get_name(elem));
    ctrl->dwControlID = kVolumeControlId;
    ctrl->dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    ctrl->fdwControl = snd_mixer_selem_is_playback_mono(elem) ? MIXERCONTROL_CONTROLF_UNIFORM : 0;
    ctrl->cMultipleItems = 0;
    ctrl->szShortName = name;
    ctrl->szName = name + QStringLiteral(" Playback Volume");
    ctrl->dwMinimum = 0;
    ctrl->dwMaximum = MIXER_VOLUME_MAX;
    ctrl->cSteps = static_cast<std::uint32_t>(std::clamp<long>(max - min, 0, MIXER_VOLUME_MAX));
}

/// The volume element a control-details call acts on, the channels the
/// caller's values stand for (one value means all channels alike) and the
/// element's own volume range.
struct VolumeTarget {
    snd_mixer_elem_t *elem = nullptr;
    std::vector<snd_mixer_selem_channel_id_t> channels;
    long min = 0;
    long max = 0;
};

/// Checks what both control-details calls need and finds what they act on.
MMRESULT checkDetails(HMIXER hmx, const MIXERCONTROLDETAILS *pmxcd, std::uint32_t flags, VolumeTarget *target)
{
    if (!isOpen(hmx))
        return MMSYSERR_INVALHANDLE;
    if (flags != MIXER_GETCONTROLDETAILSF_VALUE)
        return MMSYSERR_INVALFLAG;
    if (!pmxcd || !pmxcd->paDetails || pmxcd->cMultipleItems != 0 || pmxcd->cChannels == 0)
        return MMSYSERR_INVALPARAM;
    if (pmxcd->dwControlID != kVolumeControlId)
        return MIXERR_INVALCONTROL;
    if (const MMRESULT rc = refresh(hmx, &target->elem); rc != MMSYSERR_NOERROR)
        return rc;
    target->channels = playbackChannels(target->elem);
    if (pmxcd->cChannels != 1 && pmxcd->cChannels != target->channels.size())
        return MMSYSERR_INVALPARAM;
    snd_mixer_selem_get_playback_volume_range(target->elem, &target->min, &target->max);
    return MMSYSERR_NOERROR;
}

} // namespace

std::uint32_t mixerGetNumDevs()
{
    HMIXER probe = nullptr;
    if (mixerOpen(&probe, 0) != MMSYSERR_NOERROR)
        return 0;
    mixerClose(probe);
    return 1;
}

MMRESULT mixerOpen(HMIXER *phmx, std::uint32_t uMxId, std::uint32_t fdwOpen)
{
    return mixerOpen(phmx, uMxId, MixerCallback(), fdwOpen);
}

MMRESULT mixerOpen(HMIXER *phmx, std::uint32_t uMxId, MixerCallback callback, std::uint32_t fdwOpen)
{
    if (!phmx)
        return MMSYSERR_INVALPARAM;
    *phmx = nullptr;
    if (fdwOpen != 0 && fdwOpen != CALLBACK_FUNCTION)
        return MMSYSERR_INVALFLAG;
    if (fdwOpen == CALLBACK_FUNCTION && !callback)
        return MMSYSERR_INVALPARAM;
    if (fdwOpen == 0)
        callback = nullptr;
    if (uMxId != 0)
        return MMSYSERR_BADDEVICEID;

    snd_mixer_t *mixer = nullptr;
    if (const MMRESULT rc = openDefault(&mixer); rc != MMSYSERR_NOERROR)
        return rc;
    auto *device = new (std::nothrow) MixerDevice;
    if (!device) {
        snd_mixer_close(mixer);
        return MMSYSERR_NOMEM;
    }
    static std::uint64_t opened = 0;
    device->mixer = mixer;
    device->callback = std::move(callback);
    device->serial = ++opened;
    openHandles().insert(device);
    watch(device);
    *phmx = device;
    return MMSYSERR_NOERROR;
}

MMRESULT mixerClose(HMIXER hmx)
{
    if (!isOpen(hmx))
        return MMSYSERR_INVALHANDLE;
    openHandles().erase(hmx);
    closeDevice(hmx);
    delete hmx;
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetLineInfo(HMIXER hmx, MIXERLINE *pmxl, std::uint32_t fdwInfo)
{
    if (!isOpen(hmx))
        return MMSYSERR_INVALHANDLE;
    if (!pmxl)
        return MMSYSERR_INVALPARAM;
    bool found = false;
    switch (fdwInfo) {
    case MIXER_GETLINEINFOF_DESTINATION: found = pmxl->dwDestination == 0; break;
    case MIXER_GETLINEINFOF_LINEID: found = pmxl->dwLineID == kSpeakersLineId; break;
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
        found = pmxl->dwComponentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        break;
    case MIXER_GETLINEINFOF_SOURCE:     // the speakers have no source lines
    case MIXER_GETLINEINFOF_TARGETTYPE: // no wave devices are modelled
        break;
    default: return MMSYSERR_INVALFLAG;
    }
    if (!found)
        return MIXERR_INVALLINE;
    snd_mixer_elem_t *elem = nullptr;
    if (const MMRESULT rc = refresh(hmx, &elem); rc != MMSYSERR_NOERROR)
        return rc == MIXERR_INVALCONTROL ? MIXERR_INVALLINE : rc;
    fillLine(elem, pmxl);
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetLineControls(HMIXER hmx, MIXERLINECONTROLS *pmxlc, std::uint32_t fdwControls)
{
    if (!isOpen(hmx))
        return MMSYSERR_INVALHANDLE;
    if (fdwControls > MIXER_GETLINECONTROLSF_ONEBYTYPE)
        return MMSYSERR_INVALFLAG;
    if (!pmxlc || !pmxlc->pamxctrl || pmxlc->cControls == 0)
        return MMSYSERR_INVALPARAM;
    switch (fdwControls) {
    case MIXER_GETLINECONTROLSF_ALL:
        if (pmxlc->dwLineID != kSpeakersLineId)
            return MIXERR_INVALLINE;
        if (pmxlc->cControls != 1)
            return MMSYSERR_INVALPARAM;
        break;
    case MIXER_GETLINECONTROLSF_ONEBYID:
        if (pmxlc->dwControlID != kVolumeControlId)
            return MIXERR_INVALCONTROL;
        break;
    case MIXER_GETLINECONTROLSF_ONEBYTYPE:
        if (pmxlc->dwLineID != kSpeakersLineId)
            return MIXERR_INVALLINE;
        if (pmxlc->dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME)
            return MIXERR_INVALCONTROL;
        break;
    }
    snd_mixer_elem_t *elem = nullptr;
    if (const MMRESULT rc = refresh(hmx, &elem); rc != MMSYSERR_NOERROR)
        return rc;
    fillVolumeControl(elem, pmxlc->pamxctrl);
    if (fdwControls == MIXER_GETLINECONTROLSF_ONEBYID)
        pmxlc->dwLineID = kSpeakersLineId;
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetControlDetails(HMIXER hmx, MIXERCONTROLDETAILS *pmxcd, std::uint32_t fdwDetails)
{
    VolumeTarget target;
    if (const MMRESULT rc = checkDetails(hmx, pmxcd, fdwDetails, &target); rc != MMSYSERR_NOERROR)
        return rc;
    std::vector<std::uint32_t> values;
    for (const auto channel : target.channels) {
        long raw = 0;
        const int err = snd_mixer_selem_get_playback_volume(target.elem, channel, &raw);
        if (err < 0)
            return resultFromAlsa(err);
        values.push_back(fromDevice(raw, target.min, target.max));
    }
    if (pmxcd->cChannels == 1) {
        // What one uniform value means for a balanced stereo pair: the
        // loudest channel, as desktop volume applets show it.
        pmxcd->paDetails[0].dwValue = values.empty() ? 0 : *std::max_element(values.begin(), values.end());
    } else {
        for (std::size_t i = 0; i < values.size(); ++i)
            pmxcd->paDetails[i].dwValue = values[i];
    }
    return MMSYSERR_NOERROR;
}

MMRESULT mixerSetControlDetails(HMIXER hmx, MIXERCONTROLDETAILS *pmxcd, std::uint32_t fdwDetails)
{
    VolumeTarget target;
    if (const MMRESULT rc = checkDetails(hmx, pmxcd, fdwDetails, &target); rc != MMSYSERR_NOERROR)
        return rc;
    int err = 0;
    if (pmxcd->cChannels == 1) {
        err = snd_mixer_selem_set_playback_volume_all(
            target.elem, toDevice(pmxcd->paDetails[0].dwValue, target.min, target.max));
    } else {
        for (std::size_t i = 0; i < target.channels.size() && err >= 0; ++i)
            err = snd_mixer_selem_set_playback_volume(
                target.elem, target.channels[i],
                toDevice(pmxcd->paDetails[i].dwValue, target.min, target.max));
    }
    return resultFromAlsa(err);
}
