#include "player/BarArithmetic.h"
#include "player/FileDrop.h"
#include "player/PanelWidgets.h"
#include "util/FileNames.h"

#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// 15 twips per pixel: the bars at their design sizes.
constexpr float Tpp = 15;
const TrackGeometry Track = trackGeometry(3480, Tpp, Tpp); // 16 px in, 200 px long, line at 14 px

float px(float pixels)
{
    return pixels * Tpp;
}

} // namespace

TEST(VolumeBarArithmetic, LevelsLightSegmentsRoundingHalvesToEven)
{
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {0, 0}, {1365, 0}, {1366, 1}, {32768, 12}, {65535, 24}, {70000, 26}, {-5000, -2},
    };
    for (const auto &[level, lit] : cases)
        EXPECT_EQ(volumeLitSegments(level), lit) << level;
}

TEST(VolumeBarArithmetic, MousePlaceGivesLevelFromThreePixelsOnUnbounded)
{
    // A 100-pixel bar: the scale is 96 pixels wide.
    const std::pair<float, std::int32_t> cases[] = {
        {0, 0}, {2, 0}, {3, 0}, {51, 32768}, {99, 65535}, {140, 93524},
    };
    for (const auto &[x, level] : cases)
        EXPECT_EQ(volumeLevelAt(px(x), px(100), Tpp), level) << x;
}

TEST(PositionBarArithmetic, ClickSeeksOnlyOnTheTracksBand)
{
    const double duration = 200;
    // y in pixels: the band runs from one above the line to four below.
    for (const float y : {13.0f, 14.0f, 18.0f})
        EXPECT_TRUE(trackClickPosition(px(116), px(y), Track, duration, Tpp)) << y;
    for (const float y : {12.0f, 19.0f, 0.0f})
        EXPECT_FALSE(trackClickPosition(px(116), px(y), Track, duration, Tpp)) << y;

    EXPECT_DOUBLE_EQ(*trackClickPosition(px(116), px(14), Track, duration, Tpp), 100);
    // Left of the track: the start; right of it: past the end.
    EXPECT_DOUBLE_EQ(*trackClickPosition(px(3), px(14), Track, duration, Tpp), 0);
    EXPECT_DOUBLE_EQ(*trackClickPosition(px(230), px(14), Track, duration, Tpp), 214);
    // Nothing open: no seek.
    EXPECT_FALSE(trackClickPosition(px(116), px(14), Track, 0, Tpp));
}

TEST(PositionBarArithmetic, DragMovesTheCursorCentreByTheMouse)
{
    // The cursor's centre (left + 3 px) stands at 50 px along the track,
    // pressed at 2 px inside it.
    const float left = Track.left + px(50) - px(3);
    EXPECT_DOUBLE_EQ(cursorDragPosition(left, px(2), px(2), Track, 400, Tpp), 100);
    EXPECT_DOUBLE_EQ(cursorDragPosition(left, px(22), px(2), Track, 400, Tpp), 140);
    // Neither end is limited.
    EXPECT_DOUBLE_EQ(cursorDragPosition(left, px(-98), px(2), Track, 400, Tpp), -100);
    // No length: position 0.
    EXPECT_DOUBLE_EQ(cursorDragPosition(left, px(22), px(2), Track, 0, Tpp), 0);
}

TEST(VolumeBarWidget, DrawsGreenAndGreySegmentsOverThePicture)
{
    QWidget panel;
    VolumeBar bar({Tpp, Tpp}, &panel);
    bar.setBorderStyle(0);
    ASSERT_EQ(bar.client()->size(), QSize(100, 15));
    bar.setLevel(32768);
    const QImage &image = bar.canvas();
    const QColor green(0, 192, 0);
    const QColor grey(192, 192, 192);
    const QColor back = bar.backColor();
    EXPECT_EQ(image.pixelColor(3, 2), green);
    EXPECT_EQ(image.pixelColor(4 + 11 * 4, 11), green); // last lit, bottom row
    EXPECT_EQ(image.pixelColor(3 + 12 * 4, 2), grey);
    EXPECT_EQ(image.pixelColor(3 + 23 * 4 + 1, 11), grey);
    EXPECT_EQ(image.pixelColor(5, 5), back);  // the gap
    EXPECT_EQ(image.pixelColor(3, 12), back); // below the segments
    EXPECT_EQ(image.pixelColor(3, 1), back);  // above them

    bar.setLevel(65536 * 2);
    EXPECT_EQ(bar.canvas().pixelColor(3 + 23 * 4, 2), green);
    bar.setLevel(-1);
    EXPECT_EQ(bar.canvas().pixelColor(3, 2), grey);
}

TEST(FileDrop, LocalFilesAreDecodedOthersIgnored)
{
    const std::pair<const char *, const char *> cases[] = {
        {"file:///tmp/a%20b.mp4", "/tmp/a b.mp4"},
        {"file:///home/u/%E6%97%A5%E6%9C%AC%E8%AA%9E%20%22q%22%27.avi", "/home/u/日本語 \"q\"'.avi"},
        {"file://localhost/tmp/x.avi", "/tmp/x.avi"},
        {"file:///tmp/100%25.wav", "/tmp/100%.wav"},
        {"http://example.org/a.mp4", nullptr},
        {"sftp://host/tmp/a.mp4", nullptr},
        {"file://otherhost.invalid/tmp/a.mp4", nullptr},
    };
    for (const auto &[url, path] : cases) {
        const std::optional<QString> local = localPathOf(QUrl::fromEncoded(url));
        if (path)
            EXPECT_EQ(local.value_or("(none)"), QString::fromUtf8(path)) << url;
        else
            EXPECT_FALSE(local) << url;
    }

    // A name that is not UTF-8 arrives with its bytes.
    EXPECT_EQ(encodeFileName(localPathOf(QUrl::fromEncoded("file:///tmp/%83%65%20x.mp4")).value_or("")),
              QByteArray("/tmp/\x83\x65 x.mp4"));

    QMimeData data;
    EXPECT_FALSE(firstDroppedFile(&data));
    data.setData("text/uri-list", "# comment\r\nhttp://example.org/a.mp4\r\nfile:///tmp/first.mp4\r\n"
                                  "file:///tmp/second.mp4\r\n");
    EXPECT_EQ(firstDroppedFile(&data).value_or("(none)"), "/tmp/first.mp4");
    data.setUrls({QUrl("https://example.org/b.mp4")});
    EXPECT_FALSE(firstDroppedFile(&data));
}
