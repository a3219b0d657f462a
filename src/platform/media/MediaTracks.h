#pragma once

#include <QList>
#include <QString>

/// One sound or subtitle track of the loaded file, as the core lists it.
struct MediaTrack {
    enum class Kind { Audio, Subtitle };

    Kind kind = Kind::Audio;
    /// The core's id of the track, counted per kind from 1.
    int id = 0;
    /// The language tag as the container states it ("jpn", "en"); empty
    /// when not stated.
    QString language;
    /// The track's title as stated; a subtitle file beside the video has
    /// its file name here.
    QString title;
    /// The container flags the track as the one to play by default.
    bool isDefault = false;
    /// The track plays (is shown) now.
    bool selected = false;
    /// The track comes from a file of its own beside the video.
    bool external = false;

    bool operator==(const MediaTrack &other) const
    {
        return kind == other.kind && id == other.id && language == other.language && title == other.title &&
               isDefault == other.isDefault && selected == other.selected && external == other.external;
    }
    bool operator!=(const MediaTrack &other) const { return !(*this == other); }
};

using MediaTracks = QList<MediaTrack>;

/// The id of the track of `kind` that plays now, or 0 when none does.
int selectedTrack(const MediaTracks &tracks, MediaTrack::Kind kind);
/// Whether `tracks` hold a track of `kind` with `id`.
bool hasTrack(const MediaTracks &tracks, MediaTrack::Kind kind, int id);
