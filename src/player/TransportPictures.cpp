#include "player/TransportPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <vector>

namespace {

enum class Glyph { FastBackward, Play, StepBack, Pause, StepForward, Stop, BackPlay, FastForward, None };

// Button index to glyph; the index order is not the left-to-right order.
Glyph glyphOf(int index)
{
    static constexpr Glyph byIndex[8] = {Glyph::FastBackward, Glyph::Play,        Glyph::StepBack,
                                         Glyph::Pause,        Glyph::StepForward, Glyph::Stop,
                                         Glyph::BackPlay,     Glyph::FastForward};
    return index >= 0 && index < 8 ? byIndex[index] : Glyph::None;
}

// A glyph is a few triangles and bars on the 19 x 10 grid, all seven rows
// tall (rows 2..8). A triangle is four columns wide.
struct Part {
    enum Kind { Triangle, Bar } kind;
    int x;   ///< Triangle: column of its tall side; Bar: left column
    int arg; ///< Triangle: +1 points right, -1 left; Bar: width in columns
};
constexpr int Top = 2;
constexpr int Rows = 7;

std::vector<Part> partsOf(Glyph glyph)
{
    switch (glyph) {
    case Glyph::FastBackward: return {{Part::Triangle, 8, -1}, {Part::Triangle, 12, -1}};
    case Glyph::FastForward: return {{Part::Triangle, 6, 1}, {Part::Triangle, 10, 1}};
    case Glyph::BackPlay: return {{Part::Triangle, 10, -1}};
    case Glyph::Play: return {{Part::Triangle, 8, 1}};
    case Glyph::Stop: return {{Part::Bar, 6, 7}};
    case Glyph::Pause: return {{Part::Bar, 6, 2}, {Part::Bar, 11, 2}};
    case Glyph::StepBack: return {{Part::Triangle, 9, -1}, {Part::Bar, 11, 2}};
    case Glyph::StepForward: return {{Part::Bar, 6, 2}, {Part::Triangle, 9, 1}};
    case Glyph::None: break;
    }
    return {};
}

// Whole-pixel rendering for small scales: a triangle's columns are runs of
// 7, 5, 3 and 1 pixels, so its tip is one sharp pixel.
void paintPixelParts(QPainter &painter, const std::vector<Part> &parts)
{
    for (const Part &part : parts) {
        if (part.kind == Part::Bar) {
            painter.drawRect(QRect(part.x, Top, part.arg, Rows));
            continue;
        }
        for (int i = 0; i < 4; ++i)
            painter.drawRect(QRect(part.x + i * part.arg, Top + i, 1, Rows - 2 * i));
    }
}

// Smooth rendering for enlarged pictures: the same outlines as polygons.
void paintVectorParts(QPainter &painter, const std::vector<Part> &parts)
{
    for (const Part &part : parts) {
        if (part.kind == Part::Bar) {
            painter.drawRect(QRectF(part.x, Top, part.arg, Rows));
            continue;
        }
        const qreal base = part.arg > 0 ? part.x : part.x + 1;
        const qreal tip = base + 4 * part.arg;
        painter.drawPolygon(
            QPolygonF({QPointF(base, Top), QPointF(tip, Top + Rows / 2.0), QPointF(base, Top + Rows)}));
    }
}

// A pixmap of `logicalSize` device-independent pixels at `ratio`.
QPixmap makeCanvas(QSize logicalSize, qreal ratio, const QColor &fill)
{
    const QSize device(qMax(1, qRound(logicalSize.width() * ratio)),
                       qMax(1, qRound(logicalSize.height() * ratio)));
    QPixmap pixmap(device);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(fill);
    return pixmap;
}

// Maps the design grid onto the whole pixmap. Antialiasing only once the
// grid is enlarged: at the design size whole-pixel shapes are sharper without.
void scaleToDesign(QPainter &painter, const QPixmap &pixmap, QSize design)
{
    const qreal sx = qreal(pixmap.width()) / design.width();
    const qreal sy = qreal(pixmap.height()) / design.height();
    // The painter works in device-independent pixels; undo the pixmap's ratio.
    painter.scale(1 / pixmap.devicePixelRatio(), 1 / pixmap.devicePixelRatio());
    painter.scale(sx, sy);
    painter.setRenderHint(QPainter::Antialiasing, qMin(sx, sy) > 1.25);
}

QPixmap renderTransport(Glyph glyph, QSize logicalSize, qreal ratio, const QColor &ink)
{
    QPixmap pixmap = makeCanvas(logicalSize, ratio, transportFaceColor());
    QPainter painter(&pixmap);
    scaleToDesign(painter, pixmap, TransportPictureSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    if (painter.testRenderHint(QPainter::Antialiasing))
        paintVectorParts(painter, partsOf(glyph));
    else
        paintPixelParts(painter, partsOf(glyph));
    return pixmap;
}

void drawSpeaker(QPainter &painter)
{
    // Box and cone in one outline, filled black.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygonF({QPointF(1, 5.5), QPointF(4, 5.5), QPointF(8, 1.5), QPointF(8, 14.5),
                                   QPointF(4, 10.5), QPointF(1, 10.5)}));
    QPen pen(Qt::black, 1.2);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // Two sound waves centred on the cone's mouth; angles in 1/16 degree.
    painter.drawArc(QRectF(6.5, 5, 5, 6), -50 * 16, 100 * 16);
    painter.drawArc(QRectF(5.5, 2.5, 9, 11), -55 * 16, 110 * 16);
}

} // namespace

QColor transportFaceColor()
{
    return QColor(192, 192, 192);
}

QPixmap transportPicture(int index, QSize logicalSize, qreal devicePixelRatio)
{
    return renderTransport(glyphOf(index), logicalSize, devicePixelRatio, Qt::black);
}

QIcon transportIcon(int index, QSize logicalSize)
{
    QIcon icon;
    const Glyph glyph = glyphOf(index);
    for (const qreal ratio : {1.0, 1.5, 2.0, 3.0}) {
        icon.addPixmap(renderTransport(glyph, logicalSize, ratio, Qt::black), QIcon::Normal);
        icon.addPixmap(renderTransport(glyph, logicalSize, ratio, QColor(128, 128, 128)), QIcon::Disabled);
    }
    return icon;
}

QPixmap speakerPicture(bool muted, QSize logicalSize, qreal devicePixelRatio)
{
    QPixmap pixmap = makeCanvas(logicalSize, devicePixelRatio, Qt::transparent);
    QPainter painter(&pixmap);
    scaleToDesign(painter, pixmap, SpeakerPictureSize);
    painter.setRenderHint(QPainter::Antialiasing, true); // the waves need it at every size
    drawSpeaker(painter);
    if (muted) {
        // Clear a margin along the stroke first so it reads against the
        // black speaker, then draw the stroke itself.
        const QLineF stroke(QPointF(1.5, 1.5), QPointF(14.5, 14.5));
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setPen(QPen(Qt::transparent, 3.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(stroke);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(QPen(Qt::black, 1.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(stroke);
    }
    return pixmap;
}

QPixmap cursorPicture(QSize logicalSize, qreal devicePixelRatio)
{
    QPixmap pixmap = makeCanvas(logicalSize, devicePixelRatio, Qt::transparent);
    QPainter painter(&pixmap);
    scaleToDesign(painter, pixmap, CursorPictureSize);
    // A raised marker: a body over rows 0..11 narrowing to a point at row 16,
    // lit from the top left like the buttons beside it.
    painter.setPen(Qt::NoPen);
    painter.setBrush(transportFaceColor());
    painter.drawPolygon(
        QPolygonF({QPointF(0, 0), QPointF(7, 0), QPointF(7, 11), QPointF(3.5, 16), QPointF(0, 11)}));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawPolyline(QPolygonF({QPointF(0.5, 11), QPointF(0.5, 0.5), QPointF(6.5, 0.5)}));
    painter.setPen(QPen(QColor(64, 64, 64), 1));
    painter.drawPolyline(
        QPolygonF({QPointF(6.5, 0.5), QPointF(6.5, 11), QPointF(3.5, 15.5), QPointF(0.5, 11)}));
    return pixmap;
}
