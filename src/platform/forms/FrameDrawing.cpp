#include "platform/forms/FrameDrawing.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

/// Draws in the box's twips and lands on whole pixels: every end point is
/// converted on its own, so "W - one pixel" in twips is exactly one pixel
/// less than W.
class TwipsPen final {
public:
    TwipsPen(QPainter &painter, const TwipsPerPixel &tpp)
        : m_painter(painter)
        , m_tpp(tpp)
    {}

    double px() const { return m_tpp.x; }
    double py() const { return m_tpp.y; }

    /// Outline of the rectangle from (x, y) over (w, h), both corners included.
    void box(double x, double y, double w, double h, const QColor &colour)
    {
        const int x0 = toPixelX(x), x1 = toPixelX(x + w);
        const int y0 = toPixelY(y), y1 = toPixelY(y + h);
        const int left = std::min(x0, x1), right = std::max(x0, x1);
        const int top = std::min(y0, y1), bottom = std::max(y0, y1);
        fill(left, top, right - left + 1, 1, colour);
        fill(left, bottom, right - left + 1, 1, colour);
        fill(left, top, 1, bottom - top + 1, colour);
        fill(right, top, 1, bottom - top + 1, colour);
    }

    /// Horizontal or vertical line from (x, y) over (w, 0) or (0, h), the end
    /// point left out as a pen's line does.
    void line(double x, double y, double w, double h, const QColor &colour)
    {
        const int x0 = toPixelX(x), x1 = toPixelX(x + w);
        const int y0 = toPixelY(y), y1 = toPixelY(y + h);
        if (y0 == y1 && x0 != x1)
            fill(x1 > x0 ? x0 : x1 + 1, y0, std::abs(x1 - x0), 1, colour);
        else if (x0 == x1 && y0 != y1)
            fill(x0, y1 > y0 ? y0 : y1 + 1, 1, std::abs(y1 - y0), colour);
    }

    /// The three outlines every frame is made of: the whole box, the box one
    /// pixel short at the right and bottom (which leaves only the outer right
    /// and bottom edges of the first showing), and the box one pixel inside.
    void nestedBoxes(double x, double y, double w, double h, const QColor &outer, const QColor &upperLeft,
                     const QColor &inner)
    {
        box(x, y, w, h, outer);
        box(x, y, w - px(), h - py(), upperLeft);
        box(x + px(), y + py(), w - 2 * px(), h - 2 * py(), inner);
    }

private:
    int toPixelX(double twips) const { return static_cast<int>(std::lround(twips / m_tpp.x)); }
    int toPixelY(double twips) const { return static_cast<int>(std::lround(twips / m_tpp.y)); }
    void fill(int x, int y, int w, int h, const QColor &colour) { m_painter.fillRect(x, y, w, h, colour); }

    QPainter &m_painter;
    TwipsPerPixel m_tpp;
};

struct Shades {
    QColor highlight3D;  // 3D highlight
    QColor buttonShadow; // button shadow
    QColor darkShadow3D; // 3D dark shadow
    QColor light3D;      // 3D light
};

Shades desktopShades()
{
    const QPalette palette = QGuiApplication::palette();
    return {palette.color(QPalette::Light), palette.color(QPalette::Dark), palette.color(QPalette::Shadow),
            palette.color(QPalette::Midlight)};
}

bool usableTwips(const TwipsPerPixel &tpp)
{
    return tpp.x > 0 && tpp.y > 0 && std::isfinite(tpp.x) && std::isfinite(tpp.y);
}

/// Draws with whole-pixel pens in the desktop's shades, leaving the
/// painter's state as it was.
template <typename Draw> void drawFrame(QPainter &box, const TwipsPerPixel &tpp, Draw draw)
{
    if (!usableTwips(tpp))
        return;
    const Shades shades = desktopShades();
    box.save();
    box.setRenderHint(QPainter::Antialiasing, false);
    TwipsPen pen(box, tpp);
    draw(pen, shades);
    box.restore();
}

/// Paints on a device of its own when it can be painted on now.
template <typename Draw> void paintOn(QPaintDevice *device, Draw draw)
{
    if (!device)
        return;
    QPainter painter(device);
    if (painter.isActive())
        draw(painter);
}

} // namespace

void DrawSunkenFrame(QPainter &box, float X, float Y, float W, float H, const TwipsPerPixel &tpp)
{
    drawFrame(box, tpp, [&](TwipsPen &pen, const Shades &shades) {
        pen.nestedBoxes(X, Y, W, H, shades.highlight3D, shades.buttonShadow, shades.darkShadow3D);
    });
}

void DrawRaisedFrame(QPainter &box, float X, float Y, float W, float H, const TwipsPerPixel &tpp)
{
    drawFrame(box, tpp, [&](TwipsPen &pen, const Shades &shades) {
        pen.nestedBoxes(X, Y, W, H, shades.darkShadow3D, shades.highlight3D, shades.light3D);
        const double px = pen.px(), py = pen.py();
        pen.line(X + px, Y + H - py, W - px, 0, shades.buttonShadow);
        pen.line(X + W - px, Y + py, 0, H - py, shades.buttonShadow);
    });
}

void DrawSunkenFrame(QPaintDevice *box, float X, float Y, float W, float H, const TwipsPerPixel &tpp)
{
    paintOn(box, [&](QPainter &painter) { DrawSunkenFrame(painter, X, Y, W, H, tpp); });
}

void DrawRaisedFrame(QPaintDevice *box, float X, float Y, float W, float H, const TwipsPerPixel &tpp)
{
    paintOn(box, [&](QPainter &painter) { DrawRaisedFrame(painter, X, Y, W, H, tpp); });
}
