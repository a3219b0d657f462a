#include "mpris/MprisRules.h"

#include "platform/mediaplayer/IMediaPlayerControl.h"
#include "player/FileDrop.h"
#include "util/FileNames.h"

#include <QDBusObjectPath>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cmath>

std::int64_t toMicroseconds(double seconds)
{
    return static_cast<std::int64_t>(std::llround(seconds * 1e6));
}

QString playbackStatusOf(bool fileLoaded, int playState)
{
    if (!fileLoaded)
        return QStringLiteral("Stopped");
    switch (playState) {
    case MediaPlayState::Playing:
    case MediaPlayState::Waiting:
    case MediaPlayState::ScanForward:
    case MediaPlayState::ScanReverse: return QStringLiteral("Playing");
    case MediaPlayState::Paused: return QStringLiteral("Paused");
    default: return QStringLiteral("Stopped");
    }
}

QVariantMap trackMetadata(const QString &trackId, const QString &fileName, double lengthSeconds)
{
    if (fileName.isEmpty())
        return {};
    QVariantMap metadata{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackId))},
        {QStringLiteral("xesam:title"), QFileInfo(fileName).fileName()},
        {QStringLiteral("xesam:url"),
         QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath()).toString(QUrl::FullyEncoded)},
    };
    if (lengthSeconds > 0)
        metadata.insert(QStringLiteral("mpris:length"), qlonglong(toMicroseconds(lengthSeconds)));
    return metadata;
}

std::optional<QString> localFileOfUri(const QString &uri)
{
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return localPathOf(url);
}

QString openableFileProblem(const QString &path)
{
    if (path.contains(QChar(0)))
        return QStringLiteral("the address holds a NUL character");
    // By the name's bytes: one that is not UTF-8 names its file too.
    const FileStatus status = fileStatus(path);
    if (!status.exists)
        return QStringLiteral("no such file: %1").arg(readableFileName(path));
    if (status.directory)
        return QStringLiteral("a folder, not a file: %1").arg(readableFileName(path));
    return QString();
}

std::optional<double> seekTarget(double positionSeconds, std::int64_t offsetUs, double lengthSeconds)
{
    const double target = positionSeconds + static_cast<double>(offsetUs) / 1e6;
    if (lengthSeconds > 0 && target > lengthSeconds)
        return std::nullopt;
    return std::max(0.0, target);
}

bool isValidSetPosition(std::int64_t positionUs, double lengthSeconds)
{
    return positionUs >= 0 && positionUs <= toMicroseconds(lengthSeconds);
}

double volumeOfLevel(std::int32_t level)
{
    return std::clamp(level, 0, 65535) / 65535.0;
}

std::int32_t levelOfVolume(double volume)
{
    if (!(volume > 0))
        return 0;
    return static_cast<std::int32_t>(std::lround(std::min(volume, 1.0) * 65535));
}
