#include "platform/forms/Twips.h"

#include "platform/forms/ScreenMetrics.h"

#include <QWidget>

#include <algorithm>

TwipsPerPixel screenTwipsPerPixel()
{
    const ScreenMetrics &metrics = screenMetrics();
    return {metrics.twipsPerPixelX, metrics.twipsPerPixelY};
}

QRect twipsToPixelRect(const QRectF &twips, const TwipsPerPixel &tpp, TwipsRounding rounding)
{
    const int left = twipsToWidgetPixels(twips.x(), tpp.x);
    const int top = twipsToWidgetPixels(twips.y(), tpp.y);
    if (rounding == TwipsRounding::Edges) {
        const int right = twipsToWidgetPixels(twips.x() + twips.width(), tpp.x);
        const int bottom = twipsToWidgetPixels(twips.y() + twips.height(), tpp.y);
        return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
    }
    return {left, top, std::max(0, twipsToWidgetPixels(twips.width(), tpp.x)),
            std::max(0, twipsToWidgetPixels(twips.height(), tpp.y))};
}

void placeTwips(QWidget *widget, const QRectF &twips, const TwipsPerPixel &tpp, TwipsRounding rounding)
{
    widget->setGeometry(twipsToPixelRect(twips, tpp, rounding));
}
