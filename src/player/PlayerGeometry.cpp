#include "player/PlayerGeometry.h"

#include "util/Numbers.h"

#include <algorithm>
#include <cmath>

CutGeometry cutGeometry(float videoWidth, float videoHeight, const QString &cLeft, const QString &cTop,
                        const QString &cBottom, const QString &cRight)
{
    // The preview gets the texts being typed; they are held like stored ones.
    const auto percent = [](const QString &text) { return Val(heldCutPercent(text)); };
    const double left = percent(cLeft);
    const double top = percent(cTop);
    const float hcut = static_cast<float>(left + percent(cRight));
    const float vcut = static_cast<float>(top + percent(cBottom));

    CutGeometry g;
    // A widget cannot be given a negative size; cuts beyond 100 % simply
    // show nothing of the video.
    g.baseWidth = std::max(0.0f, videoWidth - videoWidth * hcut / 100 + PlayerDesign::CutMargin);
    g.baseHeight = std::max(0.0f, videoHeight - videoHeight * vcut / 100 + PlayerDesign::CutMargin);
    g.videoLeft = static_cast<float>(-(videoWidth * left / 100));
    g.videoTop = static_cast<float>(-(videoHeight * top / 100));
    return g;
}

VideoSizeLayout videoSizeLayout(float w, const WindowPlace &place, const CutPercents &cut,
                                const LayoutMetrics &m)
{
    VideoSizeLayout out;
    const float bottom = place.top + place.outerHeight;
    out.keepsTop = m.screenHeight / 4 * 3 >= bottom;

    out.videoWidth = w;
    out.videoHeight = w / 4 * 3;
    out.cut = cutGeometry(out.videoWidth, out.videoHeight, cut.left, cut.top, cut.bottom, cut.right);

    const float baseWidth = out.cut.baseWidth;
    const float baseHeight = out.cut.baseHeight;
    out.wide = baseWidth >= PlayerDesign::WideMinimum;
    if (out.wide) {
        out.ctrlTop = PlayerDesign::VBaseTop + baseHeight + 75;
        out.windowHeight = baseHeight + 105 + PlayerDesign::CtrlHeight + 75 + m.frameX + m.frameY;
        if (baseWidth > PlayerDesign::CtrlWidth)
            out.windowWidth = 2 * m.frameX + (baseWidth + 150);
        else
            out.windowWidth = 2 * m.frameX + (PlayerDesign::CtrlWidth + 75);
    } else {
        out.ctrlTop = 75;
        out.windowWidth = 2 * m.frameX + PlayerDesign::CtrlWidth + 75;
        out.windowHeight = PlayerDesign::CtrlHeight + 105 + m.frameX + m.frameY;
    }

    float top = out.keepsTop ? place.top : bottom - out.windowHeight;
    float left = place.left;
    if (top < 0)
        top = 0;
    if (left < 0)
        left = 0;
    if (top + out.windowHeight > m.screenHeight)
        top = m.screenHeight - out.windowHeight;
    if (left + out.windowWidth > m.screenWidth)
        left = m.screenWidth - out.windowWidth;
    // The title bar is how a window is moved: it stays on the screen.
    if (top < 0)
        top = 0;
    out.windowLeft = left;
    out.windowTop = top;
    out.storedWidthPixels = w / m.twipsPerPixelX;
    return out;
}

QPointF heldWindowPlace(double left, double top, double outerWidth, double titleHeight, double grab,
                        const QRectF &workArea)
{
    if (!std::isfinite(left) || !std::isfinite(top))
        return workArea.topLeft();
    const double piece = std::min(grab, std::max(outerWidth, 0.0));
    const double lowestTop = std::max(workArea.top(), workArea.bottom() - titleHeight);
    const double leftmost = workArea.left() - std::max(outerWidth, 0.0) + piece;
    const double rightmost = std::max(leftmost, workArea.right() - piece);
    return {std::clamp(left, leftmost, rightmost), std::clamp(top, workArea.top(), lowestTop)};
}

TrackGeometry trackGeometry(float barWidth, float twipsPerPixelX, float twipsPerPixelY)
{
    TrackGeometry t;
    t.length = barWidth - 2 * PlayerDesign::TrackInsetPixels * twipsPerPixelX;
    t.left = PlayerDesign::TrackInsetPixels * twipsPerPixelX;
    t.y = PlayerDesign::TrackLinePixels * twipsPerPixelY;
    return t;
}

CursorPlacement cursorPlacement(double seconds, double length, const TrackGeometry &track,
                                float twipsPerPixelX, float twipsPerPixelY)
{
    CursorPlacement c;
    const double p = seconds >= 0 ? seconds : 0; // also catches NaN
    const double parked = track.left - double{PlayerDesign::CursorPointPixels} * twipsPerPixelX;
    if (length == 0) {
        c.left = static_cast<float>(parked);
        return c;
    }
    const double left =
        track.left + track.length * p / length - double{PlayerDesign::CursorPointPixels} * twipsPerPixelX;
    // An unknown length (NaN) has nowhere sensible to put the cursor.
    c.left = static_cast<float>(std::isfinite(left) ? left : parked);
    c.sized = true;
    c.top = PlayerDesign::CursorTop;
    c.width = PlayerDesign::CursorWidthPixels * twipsPerPixelX;
    c.height = PlayerDesign::CursorHeightPixels * twipsPerPixelY;
    return c;
}

QString TimeToText(double seconds)
{
    const std::int32_t n = CLng(seconds);
    const std::int32_t m = n / 60;
    const auto field = [](std::int32_t v) { return (QLatin1Char('0') + QString::number(v)).right(2); };
    return field(m / 60) + QLatin1Char(':') + field(m % 60) + QLatin1Char(':') + field(n % 60);
}

QString skipCaption(const QString &amount, const QString &accessKey)
{
    const QString shown = Val(amount) > 0 ? QLatin1Char('+') + amount : amount;
    return shown + QLatin1Char('(') + accessKey + QLatin1Char(')');
}
