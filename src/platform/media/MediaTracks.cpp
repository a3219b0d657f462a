#include "platform/media/MediaTracks.h"

int selectedTrack(const MediaTracks &tracks, MediaTrack::Kind kind)
{
    for (const MediaTrack &track : tracks) {
        if (track.kind == kind && track.selected)
            return track.id;
    }
    return 0;
}

bool hasTrack(const MediaTracks &tracks, MediaTrack::Kind kind, int id)
{
    for (const MediaTrack &track : tracks) {
        if (track.kind == kind && track.id == id)
            return true;
    }
    return false;
}
