#include "player/BarArithmetic.h"

#include "util/Numbers.h"

#include <algorithm>

namespace {

constexpr double MixerTop = 65535;

} // namespace

std::int32_t volumeLitSegments(std::int32_t level)
{
    return CLng(level * double{VolumeSegments} / MixerTop);
}

QRect volumeSegmentRect(int index, int barHeightPixels)
{
    return QRect(3 + index * 4, 2, 2, std::max(0, barHeightPixels - 5));
}

std::int32_t volumeLevelAt(float x, float barWidth, float twipsPerPixelX)
{
    const float left = 3 * twipsPerPixelX;
    const float scale = barWidth - 4 * twipsPerPixelX;
    return CLng(double{std::max(x, left) - left} * MixerTop / scale);
}

std::optional<double> trackClickPosition(float x, float y, const TrackGeometry &track, double duration,
                                         float twipsPerPixelY)
{
    const float top = track.y - twipsPerPixelY;
    const float bottom = track.y + 4 * twipsPerPixelY;
    if (y < top || y > bottom || duration == 0 || track.length <= 0)
        return std::nullopt;
    return double{std::max(0.0f, x - track.left)} * duration / track.length;
}

double cursorDragPosition(float cursorLeft, float x, float dragStartX, const TrackGeometry &track,
                          double duration, float twipsPerPixelX)
{
    if (duration == 0 || track.length == 0)
        return 0;
    const float along = 3 * twipsPerPixelX + cursorLeft + x - dragStartX - track.left;
    return double{along} * duration / track.length;
}
