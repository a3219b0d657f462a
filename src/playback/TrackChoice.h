#pragma once

#include <optional>

/// The sound and subtitle tracks chosen for one file, by the engine's track
/// ids; a part left unset is the file's own pick (its default tracks).
struct TrackChoice {
    /// The sound track's id.
    std::optional<int> audio;
    /// The subtitle track's id; 0 shows none.
    std::optional<int> subtitle;

    bool isEmpty() const { return !audio && !subtitle; }
    bool operator==(const TrackChoice &other) const
    {
        return audio == other.audio && subtitle == other.subtitle;
    }
    bool operator!=(const TrackChoice &other) const { return !(*this == other); }
};
