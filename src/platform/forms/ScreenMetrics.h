#pragma once

#include <QRectF>
#include <QSizeF>

#include <optional>

/// What the forms runtime knows of the screen, in twips.
///
/// Everything on forms is laid out in twips (1440 per inch); widths and
/// lefts convert with the x factor, heights and tops with the y factor.
/// At 96 logical DPI both factors are 15.
struct ScreenMetrics {
    double twipsPerPixelX = 15;
    double twipsPerPixelY = 15;
    QSizeF screenSize{1280 * 15, 1024 * 15};     ///< whole primary screen, twips
    QRectF workArea{0, 0, 1280 * 15, 1024 * 15}; ///< screen less panels and docks, twips
};

/// The metrics of the primary screen, read once and then cached (or the
/// fixed metrics set for tests). Call on the GUI thread after QApplication.
const ScreenMetrics &screenMetrics();

/// Replaces the screen's metrics with fixed ones (tests); nullopt returns to
/// the real screen.
void setScreenMetricsOverride(std::optional<ScreenMetrics> metrics);

/// Twips to pixels and back. Pixels are rounded to the nearest.
int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);
double pixelsToTwipsX(double pixels);
double pixelsToTwipsY(double pixels);

/// Twips to whole pixels for a widget's place or size: rounded to the
/// nearest, held within ±32767 (the window system's coordinate range, so a
/// place from a damaged settings file cannot wrap around), and 0 for a value
/// that is not finite.
int twipsToWidgetPixels(double twips, double twipsPerPixel);
