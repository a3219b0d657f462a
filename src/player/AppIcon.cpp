#include "player/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

constexpr qreal Grid = 64; // the icon is designed on a 64 x 64 grid

} // namespace

QPixmap appIconPixmap(int logicalSize, qreal devicePixelRatio)
{
    const int side = qMax(1, qRound(logicalSize * devicePixelRatio));
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(side / Grid, side / Grid);

    QLinearGradient tile(0, 0, 0, Grid);
    tile.setColorAt(0, QColor(40, 84, 160));
    tile.setColorAt(1, QColor(18, 42, 96));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    const bool withBar = logicalSize >= 24;
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
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon appIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(appIconPixmap(size));
    return icon;
}
