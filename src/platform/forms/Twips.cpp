#include "platform/forms/Twips.h"

#include "platform/forms/ScreenMetrics.h"

#include <QWidget>

#include <algorithm>

TwipsPerPixel screenTwipsPerPixel()
{
    const ScreenMetrics &metrics = screenMetrics();
    return {metrics.twipsPerPixelX, metrics.twipsPerPixelY};
}

QRect twipsToPixelRect(const QRectF &twips, const TwipsPerPixel &tpp, TwipsRounding rounding, QSizeF scale)
{
    const double sx = scale.width();
    const double sy = scale.height();
    const int left = twipsToWidgetPixels(twips.left() * sx, tpp.x);
    const int top = twipsToWidgetPixels(twips.top() * sy, tpp.y);
    if (rounding == TwipsRounding::Edges) {
        // Each edge scaled as it stands, so that an edge two controls share
        // lands on the same pixel for both.
        const int right = twipsToWidgetPixels(twips.right() * sx, tpp.x);
        const int bottom = twipsToWidgetPixels(twips.bottom() * sy, tpp.y);
        return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
    }
    return {left, top, std::max(0, twipsToWidgetPixels(twips.width() * sx, tpp.x)),
            std::max(0, twipsToWidgetPixels(twips.height() * sy, tpp.y))};
}

void placeTwips(QWidget *widget, const QRectF &twips, const TwipsPerPixel &tpp, TwipsRounding rounding,
                QSizeF scale)
{
    widget->setGeometry(twipsToPixelRect(twips, tpp, rounding, scale));
}
