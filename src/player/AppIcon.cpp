#include "player/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

constexpr qreal Grid = 64; // the icon is designed on a 64 x 64 grid

} // namespace

void drawAppIcon(QPainter &painter, qreal side, bool withBar)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(side / Grid, side / Grid);

    QLinearGradient tile(0, 0, 0, Grid);
    tile.setColorAt(0, QColor(40, 84, 160));
    tile.setColorAt(1, QColor(18, 42, 96));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    // Without the bar the triangle takes the tile's middle.
    const QPolygonF triangle = withBar ? QPolygonF({QPointF(23, 12), QPointF(46, 27), QPointF(23, 42)})
                                       : QPolygonF({QPointF(20, 12), QPointF(48, 32), QPointF(20, 52)});
    painter.setBrush(Qt::white);
    painter.drawPolygon(triangle);

    if (withBar) {
        painter.setBrush(QColor(255, 248, 192)); // the position bar's cream
        painter.drawRoundedRect(QRectF(10, 48, 44, 5), 2.5, 2.5);
        painter.setBrush(QColor(232, 96, 64));
        painter.drawRoundedRect(QRectF(10, 48, 27, 5), 2.5, 2.5);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPointF(37, 50.5), 5, 5);
    }
    painter.restore();
}

bool appIconHasBar(int logicalSize)
{
    return logicalSize >= 24;
}

QImage appIconImage(int logicalSize, qreal devicePixelRatio)
{
    const int side = qMax(1, qRound(logicalSize * devicePixelRatio));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawAppIcon(painter, side, appIconHasBar(logicalSize));
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QPixmap appIconPixmap(int logicalSize, qreal devicePixelRatio)
{
    return QPixmap::fromImage(appIconImage(logicalSize, devicePixelRatio));
}

QIcon appIcon()
{
    QIcon icon;
    for (const int size : AppIconSizes)
        icon.addPixmap(appIconPixmap(size));
    return icon;
}
