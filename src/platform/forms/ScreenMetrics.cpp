#include "platform/forms/ScreenMetrics.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

std::optional<ScreenMetrics> &overrideSlot()
{
    static std::optional<ScreenMetrics> metrics;
    return metrics;
}

ScreenMetrics readPrimaryScreen()
{
    ScreenMetrics m;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return m; // no display: keep the 96 DPI defaults
    const double dpiX = screen->logicalDotsPerInchX();
    const double dpiY = screen->logicalDotsPerInchY();
    if (dpiX > 0)
        m.twipsPerPixelX = 1440.0 / dpiX;
    if (dpiY > 0)
        m.twipsPerPixelY = 1440.0 / dpiY;
    const QRect geometry = screen->geometry();
    const QRect available = screen->availableGeometry();
    m.screenSize = QSizeF(geometry.width() * m.twipsPerPixelX, geometry.height() * m.twipsPerPixelY);
    m.workArea = QRectF(available.x() * m.twipsPerPixelX, available.y() * m.twipsPerPixelY,
                        available.width() * m.twipsPerPixelX, available.height() * m.twipsPerPixelY);
    return m;
}

} // namespace

const ScreenMetrics &screenMetrics()
{
    if (overrideSlot())
        return *overrideSlot();
    static const ScreenMetrics real = readPrimaryScreen();
    return real;
}

void setScreenMetricsOverride(std::optional<ScreenMetrics> metrics)
{
    overrideSlot() = metrics;
}

int twipsToPixelsX(double twips)
{
    return static_cast<int>(std::lround(twips / screenMetrics().twipsPerPixelX));
}

int twipsToPixelsY(double twips)
{
    return static_cast<int>(std::lround(twips / screenMetrics().twipsPerPixelY));
}

double pixelsToTwipsX(double pixels)
{
    return pixels * screenMetrics().twipsPerPixelX;
}

double pixelsToTwipsY(double pixels)
{
    return pixels * screenMetrics().twipsPerPixelY;
}

int twipsToWidgetPixels(double twips, double twipsPerPixel)
{
    const double pixels = twips / twipsPerPixel;
    if (!std::isfinite(pixels))
        return 0;
    constexpr double limit = 32767;
    return static_cast<int>(std::lround(std::clamp(pixels, -limit, limit)));
}
