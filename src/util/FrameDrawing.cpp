#include "util/FrameDrawing.h"

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

} // namespace

void DrawSunkenFrame(QPainter &box, float X, float Y, float W, float H, const TwipsPerPixel &tpp)
{
    if (!usableTwips(tpp))
        return;
    const Shades shades = desktopShades();
    box.save();
    box.setRenderHint(QPainter::Antialiasing, false);
    TwipsPen pen(box, tpp);
    const double px = pen.px(), py = pen.py();
    pen.box(X, Y, W, H, shades.highlight3D);
    pen.box(X, Y, W - px, H - py, shades.buttonShadow);
    pen.box(X + px, Y + py, W - 2 * px, H - 2 * py, shades.darkShadow3D);
    box.restore();
}

void DrawRaisedFrame(QPainter &box, float X, float Y, float W, float H, const TwipsPerPixel &tpp)
{
    if (!usableTwips(tpp))
        return;
    const Shades shades = desktopShades();
    box.save();
    box.setRenderHint(QPainter::Antialiasing, false);
    TwipsPen pen(box, tpp);
    const double px = pen.px(), py = pen.py();
    pen.box(X, Y, W, H, shades.darkShadow3D);
    pen.box(X, Y, W - px, H - py, shades.highlight3D);
    pen.box(X + px, Y + py, W - 2 * px, H - 2 * py, shades.light3D);
    pen.line(X + px, Y + H - py, W - px, 0, shades.buttonShadow);
    pen.line(X + W - px, Y + py, 0, H - py, shades.buttonShadow);
    box.restore();
}

void DrawSunkenFrame(QPaintDevice *box, float X, float Y, float W, float H, const TwipsPerPixel &tpp)
{
    if (!box)
        return;
    QPainter painter(box);
    if (painter.isActive())
        DrawSunkenFrame(painter, X, Y, W, H, tpp);
}

void DrawRaisedFrame(QPaintDevice *box, float X, float Y, float W, float H, const TwipsPerPixel &tpp)
{
    if (!box)
        return;
    QPainter painter(box);
    if (painter.isActive())
        DrawRaisedFrame(painter, X, Y, W, H, tpp);
}
