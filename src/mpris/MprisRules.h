#pragma once

#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <optional>

/// The plain rules behind the media-key interface (MPRIS 2): how the
/// player's state reads there and what its commands ask of the player. No
/// D-Bus and no window here, so tests check them directly.

/// MPRIS counts time in microseconds; the player in seconds.
std::int64_t toMicroseconds(double seconds);

/// "Playing", "Paused" or "Stopped" for the media player control's play
/// state (MediaPlayState); "Stopped" whenever no file is loaded. Scanning
/// and waiting to play count as playing.
QString playbackStatusOf(bool fileLoaded, int playState);

/// The track's metadata: its id, the file's name (without folders) as the
/// title, its file:// address, and its length when known (> 0). Empty
/// without a file.
QVariantMap trackMetadata(const QString &trackId, const QString &fileName, double lengthSeconds);

/// The local file an OpenUri address names: file:// addresses only (with
/// percent-escapes decoded); nothing for any other scheme, a remote host or
/// a relative path.
std::optional<QString> localFileOfUri(const QString &uri);

/// Why `path` (from localFileOfUri) cannot be opened: it holds a NUL (an
/// escaped "%00"), or names no existing file; empty when it can.
QString openableFileProblem(const QString &path);

/// Where a relative Seek of `offsetUs` from `positionSeconds` lands in a
/// file of `lengthSeconds`: before the start it is the start; past the end
/// there is no next track, so playback stops (nullopt).
std::optional<double> seekTarget(double positionSeconds, std::int64_t offsetUs, double lengthSeconds);

/// Whether an absolute SetPosition to `positionUs` is taken: within 0 and
/// the length; anything else is ignored.
bool isValidSetPosition(std::int64_t positionUs, double lengthSeconds);

/// The system volume as MPRIS reads it: the mixer level (0..65535) as 0..1.
double volumeOfLevel(std::int32_t level);
/// The mixer level for an MPRIS volume: held within 0..1 (below 0, and a
/// value that is not a number, are silence), rounded to the nearest level.
std::int32_t levelOfVolume(double volume);
