#include "player/PlayerGeometry.h"

#include "platform/forms/Twips.h"

#include "util/RuntimeError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

// 15 twips per pixel, a 1280 x 1024 screen, a frame of 4 px sides and a
// 26 px title bar plus lower frame.
LayoutMetrics fixedMetrics()
{
    LayoutMetrics m;
    m.frameX = 60;
    m.frameY = 390;
    return m;
}

WindowPlace placeAt(float left, float top, float outerHeight = 3000)
{
    return {left, top, outerHeight};
}

} // namespace

TEST(VideoSizeLayout, SmallestWidthGivesThePanelAlone)
{
    const LayoutMetrics m = fixedMetrics();
    const VideoSizeLayout l = videoSizeLayout(780, placeAt(1500, 1500), {}, m);
    EXPECT_FLOAT_EQ(l.videoHeight, 585);
    EXPECT_FLOAT_EQ(l.cut.baseWidth, 840);
    EXPECT_FLOAT_EQ(l.cut.baseHeight, 645);
    EXPECT_FALSE(l.wide);
    EXPECT_FLOAT_EQ(l.ctrlTop, 75);
    EXPECT_FLOAT_EQ(l.windowWidth, 2 * 60 + 4410 + 75);
    EXPECT_FLOAT_EQ(l.windowHeight, 1410 + 105 + 60 + 390);
    EXPECT_FLOAT_EQ(l.windowLeft, 1500);
    EXPECT_FLOAT_EQ(l.windowTop, 1500);
    EXPECT_FLOAT_EQ(l.storedWidthPixels, 52);
}

TEST(VideoSizeLayout, WideLayoutPutsThePanelBelowTheVideo)
{
    const LayoutMetrics m = fixedMetrics();
    // 640 px: a box wider than the panel sets the window's width.
    const VideoSizeLayout big = videoSizeLayout(9600, placeAt(0, 0), {}, m);
    EXPECT_TRUE(big.wide);
    EXPECT_FLOAT_EQ(big.cut.baseWidth, 9660);
    EXPECT_FLOAT_EQ(big.cut.baseHeight, 7260);
    EXPECT_FLOAT_EQ(big.ctrlTop, 75 + 7260 + 75);
    EXPECT_FLOAT_EQ(big.windowWidth, 120 + 9660 + 150);
    EXPECT_FLOAT_EQ(big.windowHeight, 7260 + 105 + 1410 + 75 + 450);
    EXPECT_FLOAT_EQ(big.storedWidthPixels, 640);

    // 160 px: wide enough to show, narrower than the panel.
    const VideoSizeLayout small = videoSizeLayout(2400, placeAt(0, 0), {}, m);
    EXPECT_TRUE(small.wide);
    EXPECT_FLOAT_EQ(small.windowWidth, 120 + 4410 + 75);

    // The threshold itself is wide: 940 twips of video plus the margin.
    EXPECT_TRUE(videoSizeLayout(940, placeAt(0, 0), {}, m).wide);
    EXPECT_FALSE(videoSizeLayout(939, placeAt(0, 0), {}, m).wide);
}

TEST(VideoSizeLayout, CutsThatNarrowTheBoxSwitchToCompact)
{
    CutPercents cut;
    cut.left = QStringLiteral("46");
    cut.right = QStringLiteral("46");
    const VideoSizeLayout l = videoSizeLayout(9600, placeAt(0, 0), cut, fixedMetrics());
    EXPECT_FLOAT_EQ(l.cut.baseWidth, 9600 - 8832 + 60);
    EXPECT_FALSE(l.wide);
    EXPECT_FLOAT_EQ(l.ctrlTop, 75);
    // The video keeps its size; only the box and the window change.
    EXPECT_FLOAT_EQ(l.videoWidth, 9600);
    EXPECT_FLOAT_EQ(l.cut.videoLeft, -4416);
}

TEST(VideoSizeLayout, LowestQuarterKeepsTheBottomEdge)
{
    const LayoutMetrics m = fixedMetrics();
    const float threeQuarters = 1024 * 15 / 4.0f * 3; // 11520
    // Bottom edge exactly at three quarters still keeps the top.
    const VideoSizeLayout atLine = videoSizeLayout(9600, placeAt(100, threeQuarters - 2000, 2000), {}, m);
    EXPECT_TRUE(atLine.keepsTop);
    EXPECT_FLOAT_EQ(atLine.windowTop, std::min(threeQuarters - 2000, m.screenHeight - atLine.windowHeight));

    // One twip lower: the window grows upward from its bottom edge.
    const float top = threeQuarters - 1999;
    const VideoSizeLayout below = videoSizeLayout(4800, placeAt(100, top, 2000), {}, m);
    EXPECT_FALSE(below.keepsTop);
    EXPECT_FLOAT_EQ(below.windowTop, top + 2000 - below.windowHeight);
    // Shrinking near the bottom moves the top down by the same rule.
    const VideoSizeLayout shrink = videoSizeLayout(780, placeAt(100, 12000, 3000), {}, m);
    EXPECT_FALSE(shrink.keepsTop);
    EXPECT_FLOAT_EQ(shrink.windowTop, 15000 - shrink.windowHeight);
}

TEST(VideoSizeLayout, KeepOnScreenRulesRunInOrder)
{
    const LayoutMetrics m = fixedMetrics();
    // Off the top left: pulled back to 0.
    const VideoSizeLayout offTopLeft = videoSizeLayout(4800, placeAt(-500, -700), {}, m);
    EXPECT_FLOAT_EQ(offTopLeft.windowLeft, 0);
    EXPECT_FLOAT_EQ(offTopLeft.windowTop, 0);

    // Off the right: pushed left until the right edge is on the screen.
    const VideoSizeLayout offRight = videoSizeLayout(4800, placeAt(18000, 600), {}, m);
    EXPECT_FLOAT_EQ(offRight.windowLeft, m.screenWidth - offRight.windowWidth);

    // Wider than the screen: the right-edge rule runs last, leaving the
    // left edge negative; the title bar stays on the screen.
    const VideoSizeLayout huge = videoSizeLayout(1600 * 15, placeAt(300, 0), {}, m);
    EXPECT_GT(huge.windowWidth, m.screenWidth);
    EXPECT_LT(huge.windowLeft, 0);
    EXPECT_FLOAT_EQ(huge.windowLeft, m.screenWidth - huge.windowWidth);
    EXPECT_GT(huge.windowHeight, m.screenHeight);
    EXPECT_FLOAT_EQ(huge.windowTop, 0);
}

TEST(HeldWindowPlace, TheTitleBarStaysWithinTheWorkArea)
{
    // A 1280 x 1000 pixel work area below a 24-pixel panel, in twips.
    const QRectF work(0, 360, 19200, 15000);
    const double width = 4560, title = 300, grab = 1500;
    const struct {
        double left, top;
        QPointF held;
    } cases[] = {
        {4815, 4815, {4815, 4815}},                          // on the screen: kept
        {-30000, 150, {-4560 + 1500, 360}},                  // above the panel, far left
        {-32767 * 15.0, -32767 * 15.0, {-4560 + 1500, 360}}, // the place a huge cut stored
        {40000, 20000, {19200 - 1500, 360 + 15000 - 300}},   // past the right and bottom
        {std::nan(""), 100, {0, 360}},                       // not a number
        {std::numeric_limits<double>::infinity(), 100, {0, 360}},
    };
    for (const auto &c : cases) {
        const QPointF held = heldWindowPlace(c.left, c.top, width, title, grab, work);
        EXPECT_DOUBLE_EQ(held.x(), c.held.x()) << c.left << "," << c.top;
        EXPECT_DOUBLE_EQ(held.y(), c.held.y()) << c.left << "," << c.top;
    }
}

TEST(CutGeometry, PercentagesShrinkTheBoxAndShiftTheVideo)
{
    const struct {
        const char *left, *top, *bottom, *right;
        float baseWidth, baseHeight, videoLeft, videoTop;
    } cases[] = {
        {"0", "0", "0", "0", 4860, 3660, 0, 0},
        {"10", "0", "0", "0", 4380, 3660, -480, 0},
        {"12.5", "5", "15", "2.5", 4800 - 720 + 60, 3600 - 720 + 60, -600, -180},
        {"", "abc", " 10%", "x5", 4860, 3600 - 360 + 60, 0, 0}, // texts without a number count as zero
        {"60", "50", "50", "40", 60, 60, -2880, -1800},         // a whole axis cut leaves the margin
        {"90", "60", "60", "90", 0, 0, -4320, -2160},           // beyond it is held at zero
        {"-10", "0", "0", "0", 5340, 3660, 480, 0},             // negative widens, to a tenth
        {"-1e6", "0", "0", "0", 5340, 3660, 480, 0},            // held to that tenth
        {"0", "1e400", "-5", "0", 4860, 240, 0, -3600},         // beyond the double range: the end
    };
    for (const auto &c : cases) {
        const CutGeometry g = cutGeometry(4800, 3600, c.left, c.top, c.bottom, c.right);
        const std::string where = std::string(c.left) + "," + c.top + "," + c.bottom + "," + c.right;
        EXPECT_FLOAT_EQ(g.baseWidth, c.baseWidth) << where;
        EXPECT_FLOAT_EQ(g.baseHeight, c.baseHeight) << where;
        EXPECT_FLOAT_EQ(g.videoLeft, c.videoLeft) << where;
        EXPECT_FLOAT_EQ(g.videoTop, c.videoTop) << where;
    }
}

TEST(Track, CursorFollowsThePositionAndParksWithoutLength)
{
    const TrackGeometry t = trackGeometry(3480, 15, 15);
    EXPECT_FLOAT_EQ(t.left, 240);
    EXPECT_FLOAT_EQ(t.length, 3000);
    EXPECT_FLOAT_EQ(t.y, 210);

    const CursorPlacement half = cursorPlacement(30, 60, t, 15, 15);
    ASSERT_TRUE(half.sized);
    EXPECT_FLOAT_EQ(half.left, 240 + 1500 - 45);
    EXPECT_FLOAT_EQ(half.top, 45);
    EXPECT_FLOAT_EQ(half.width, 105);
    EXPECT_FLOAT_EQ(half.height, 240);

    // Negative and unknown positions sit at the start; the label shows them.
    EXPECT_FLOAT_EQ(cursorPlacement(-1, 60, t, 15, 15).left, 195);
    EXPECT_FLOAT_EQ(cursorPlacement(std::nan(""), 60, t, 15, 15).left, 195);

    // No clamp past the end.
    EXPECT_FLOAT_EQ(cursorPlacement(120, 60, t, 15, 15).left, 240 + 6000 - 45);

    const CursorPlacement parked = cursorPlacement(10, 0, t, 15, 15);
    EXPECT_FALSE(parked.sized);
    EXPECT_FLOAT_EQ(parked.left, 195);

    // Other pixel sizes scale the pixel parts only; the top stays 45 twips.
    const TrackGeometry t12 = trackGeometry(3480, 12, 10);
    const CursorPlacement c12 = cursorPlacement(0, 10, t12, 12, 10);
    EXPECT_FLOAT_EQ(c12.left, 192 - 36);
    EXPECT_FLOAT_EQ(c12.top, 45);
    EXPECT_FLOAT_EQ(c12.height, 160);
    EXPECT_FLOAT_EQ(t12.y, 140);
}

TEST(TimeToText, RoundsHalvesToEvenKeepsTwoDigitsAndWrapsTheHours)
{
    const std::pair<double, const char *> cases[] = {
        {3725.4, "01:02:05"},     {0, "00:00:00"},
        {0.5, "00:00:00"},        {1.5, "00:00:02"},
        {59.5, "00:01:00"},       {60.4, "00:01:00"},
        {3599.6, "01:00:00"},     {359999, "99:59:59"},
        {-1, "00:00:-1"},         {-75, "00:-1:15"}, // "0-15" keeps its last two
        {100 * 3600, "00:00:00"}, {123 * 3600 + 61, "23:01:01"},
    };
    for (const auto &[seconds, text] : cases)
        EXPECT_EQ(TimeToText(seconds), text) << seconds;
    EXPECT_THROW(TimeToText(3e9), RuntimeError);
    EXPECT_THROW(TimeToText(std::nan("")), RuntimeError);
}

TEST(SkipCaption, PositiveAmountsGetAPlus)
{
    EXPECT_EQ(skipCaption("-30", "Z"), "-30(Z)");
    EXPECT_EQ(skipCaption("10", "V"), "+10(V)");
    EXPECT_EQ(skipCaption("0", "V"), "0(V)");
    EXPECT_EQ(skipCaption("5", "V"), "+5(V)");
    EXPECT_EQ(skipCaption("abc", "Q"), "abc(Q)");
    EXPECT_EQ(skipCaption("+7", "N"), "++7(N)");
}

TEST(WidgetPixels, RoundsAndStaysInTheWindowSystemsRange)
{
    EXPECT_EQ(twipsToWidgetPixels(780, 15), 52);
    EXPECT_EQ(twipsToWidgetPixels(-480, 15), -32);
    EXPECT_EQ(twipsToWidgetPixels(22.5, 15), 2); // 1.5 rounds away from zero
    EXPECT_EQ(twipsToWidgetPixels(1e12, 15), 32767);
    EXPECT_EQ(twipsToWidgetPixels(-1e12, 15), -32767);
    EXPECT_EQ(twipsToWidgetPixels(std::nan(""), 15), 0);
    EXPECT_EQ(twipsToWidgetPixels(HUGE_VAL, 15), 0);
}

TEST(WidgetPixels, RectanglesRoundEachLengthOrTheEdges)
{
    struct Case {
        QRectF twips;
        TwipsPerPixel tpp;
        QRect lengths;
        QRect edges;
    };
    const Case cases[] = {
        // The design's multiples of 15 land on whole pixels either way.
        {PlayerDesign::VolumeBar.rect(), {15, 15}, {78, 26, 100, 15}, {78, 26, 100, 15}},
        // At 120 DPI the volume bar's height is where the two differ.
        {PlayerDesign::VolumeBar.rect(), {12, 12}, {98, 33, 125, 19}, {98, 33, 125, 18}},
        {{0, 0, -30, 15}, {15, 15}, {0, 0, 0, 1}, {0, 0, 0, 1}},
        {{1e12, 0, 15, 15}, {15, 15}, {32767, 0, 1, 1}, {32767, 0, 0, 1}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(twipsToPixelRect(c.twips, c.tpp), c.lengths) << c.twips.x() << "," << c.tpp.x;
        EXPECT_EQ(twipsToPixelRect(c.twips, c.tpp, TwipsRounding::Edges), c.edges)
            << c.twips.x() << "," << c.tpp.x;
    }
    // Neighbours that touch in the design still touch with the edges rounded.
    // (each length rounded, the first ends a pixel short of the second).
    const QRect a = twipsToPixelRect({4, 0, 12, 10}, {10, 10}, TwipsRounding::Edges);
    const QRect b = twipsToPixelRect({16, 0, 12, 10}, {10, 10}, TwipsRounding::Edges);
    EXPECT_EQ(a.x() + a.width(), b.x());
    EXPECT_EQ(twipsToPixelRect({4, 0, 12, 10}, {10, 10}).width(), a.width() - 1);
}
