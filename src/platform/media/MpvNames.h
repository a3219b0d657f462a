#pragma once

/// Every name the mpv core reads from us: options, properties, commands and
/// the values we give them. The engine, the surface and the tests all use
/// these, so a misspelt name fails to compile instead of failing silently.
namespace MpvOpt {
inline constexpr const char Config[] = "config";
inline constexpr const char Ytdl[] = "ytdl";
inline constexpr const char LoadStatsOverlay[] = "load-stats-overlay";
inline constexpr const char LoadOsdConsole[] = "load-osd-console";
inline constexpr const char LoadAutoProfiles[] = "load-auto-profiles";
inline constexpr const char InputDefaultBindings[] = "input-default-bindings";
inline constexpr const char InputBuiltinBindings[] = "input-builtin-bindings";
inline constexpr const char InputVoKeyboard[] = "input-vo-keyboard";
inline constexpr const char Osc[] = "osc";
inline constexpr const char Terminal[] = "terminal";
inline constexpr const char Hwdec[] = "hwdec";
inline constexpr const char GpuHwdecInterop[] = "gpu-hwdec-interop";
inline constexpr const char Idle[] = "idle";
inline constexpr const char KeepOpen[] = "keep-open";
inline constexpr const char KeepOpenPause[] = "keep-open-pause";
inline constexpr const char Vo[] = "vo";
inline constexpr const char Ao[] = "ao";
inline constexpr const char AudioFallbackToNull[] = "audio-fallback-to-null";
inline constexpr const char AudioPitchCorrection[] = "audio-pitch-correction";
inline constexpr const char KeepAspect[] = "keepaspect";
inline constexpr const char Vid[] = "vid";
inline constexpr const char Aid[] = "aid";
inline constexpr const char Sid[] = "sid";
inline constexpr const char SubAuto[] = "sub-auto";
inline constexpr const char ResetOnNextFile[] = "reset-on-next-file";
inline constexpr const char OsdLevel[] = "osd-level";
inline constexpr const char Msg[] = "msg-level";
inline constexpr const char Volume[] = "volume";
inline constexpr const char VideoTimingOffset[] = "video-timing-offset";
} // namespace MpvOpt

namespace MpvProp {
inline constexpr const char TimePos[] = "time-pos";
inline constexpr const char Duration[] = "duration";
inline constexpr const char Pause[] = "pause";
inline constexpr const char Speed[] = "speed";
inline constexpr const char Mute[] = "mute";
inline constexpr const char EofReached[] = "eof-reached";
inline constexpr const char Seekable[] = "seekable";
inline constexpr const char Seeking[] = "seeking";
inline constexpr const char VideoParams[] = "video-params";
inline constexpr const char TrackList[] = "track-list";
inline constexpr const char Aid[] = "aid";
inline constexpr const char Sid[] = "sid";
inline constexpr const char IdleActive[] = "idle-active";
inline constexpr const char Path[] = "path";
inline constexpr const char Volume[] = "volume";
inline constexpr const char CurrentAo[] = "current-ao";
} // namespace MpvProp

/// Keys inside the nodes of "track-list" and "video-params".
namespace MpvKey {
inline constexpr const char Type[] = "type";
inline constexpr const char Albumart[] = "albumart";
inline constexpr const char Selected[] = "selected";
inline constexpr const char DemuxW[] = "demux-w";
inline constexpr const char DemuxH[] = "demux-h";
inline constexpr const char DemuxFps[] = "demux-fps";
inline constexpr const char W[] = "w";
inline constexpr const char H[] = "h";
inline constexpr const char TypeVideo[] = "video";
inline constexpr const char TypeAudio[] = "audio";
inline constexpr const char TypeSub[] = "sub";
inline constexpr const char Id[] = "id";
inline constexpr const char Lang[] = "lang";
inline constexpr const char Title[] = "title";
inline constexpr const char Default[] = "default";
inline constexpr const char External[] = "external";
} // namespace MpvKey

namespace MpvCmd {
inline constexpr const char LoadFile[] = "loadfile";
inline constexpr const char LoadFileReplace[] = "replace";
inline constexpr const char Stop[] = "stop";
inline constexpr const char Seek[] = "seek";
inline constexpr const char SeekAbsoluteExact[] = "absolute+exact";
inline constexpr const char SeekAbsoluteKeyframes[] = "absolute+keyframes";
} // namespace MpvCmd

namespace MpvHook {
/// A file is open and its tracks known; its decoders and outputs are not
/// made yet.
inline constexpr const char Preloaded[] = "on_preloaded";
} // namespace MpvHook

namespace MpvVal {
inline constexpr const char Yes[] = "yes";
inline constexpr const char No[] = "no";
inline constexpr const char Auto[] = "auto";
inline constexpr const char AutoSafe[] = "auto-safe";
inline constexpr const char Libmpv[] = "libmpv";
inline constexpr const char Null[] = "null";
inline constexpr const char Exact[] = "exact";
} // namespace MpvVal
